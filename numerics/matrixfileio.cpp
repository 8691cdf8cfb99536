#include "numerics/matrixfileio.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/types.h>

namespace matrixfileio {

bool machineIsBigEndian()
{
    const std::uint16_t probe = 1;
    unsigned char first = 0;
    std::memcpy(&first, &probe, 1);
    return first == 0;
}

void reverseBytes(void *data, std::size_t elementSize, std::size_t count)
{
    auto *bytes = static_cast<unsigned char *>(data);
    for (std::size_t i = 0; i < count; ++i, bytes += elementSize)
        std::reverse(bytes, bytes + elementSize);
}

double decodeElement(const unsigned char *block, std::size_t index, int elementSize, bool swap)
{
    unsigned char bytes[8];
    std::memcpy(bytes, block + index * std::size_t(elementSize), std::size_t(elementSize));
    if (swap)
        reverseBytes(bytes, std::size_t(elementSize), 1);
    if (elementSize == 4) {
        float value;
        std::memcpy(&value, bytes, sizeof value);
        return double(value);
    }
    double value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

bool readInt32(std::FILE *file, bool swap, int32 *value)
{
    int32 raw = 0;
    if (std::fread(&raw, sizeof raw, 1, file) != 1)
        return false;
    if (swap)
        reverseBytes(&raw, sizeof raw, 1);
    *value = raw;
    return true;
}

bool seekTo(std::FILE *file, std::int64_t offset)
{
    return offset >= 0 && fseeko(file, off_t(offset), SEEK_SET) == 0;
}

std::int64_t tellPosition(std::FILE *file)
{
    return std::int64_t(ftello(file));
}

std::int64_t fileLength(std::FILE *file)
{
    const std::int64_t here = tellPosition(file);
    if (here < 0 || fseeko(file, 0, SEEK_END) != 0)
        return -1;
    const std::int64_t length = tellPosition(file);
    if (!seekTo(file, here))
        return -1;
    return length;
}

TextWords::Result TextWords::nextWord()
{
    int c = std::fgetc(file);
    while (c != EOF && std::isspace(c))
        c = std::fgetc(file);
    if (c == EOF)
        return std::ferror(file) ? Result::Error : Result::End;
    wordLength = 0;
    used = 0;
    while (c != EOF && !std::isspace(c)) {
        if (wordLength + 1 >= capacity)
            return Result::Error;
        word[wordLength++] = char(c);
        c = std::fgetc(file);
    }
    word[wordLength] = '\0';
    // The character that ended the word belongs to whatever follows (the tail
    // after the last value starts with it).
    if (c != EOF)
        std::ungetc(c, file);
    else if (std::ferror(file))
        return Result::Error;
    return Result::Value;
}

// Like "%lf", a number ends where its syntax ends; the rest of the word is read as
// the next value.
TextWords::Result TextWords::nextDouble(double *value)
{
    if (used >= wordLength) {
        const Result got = nextWord();
        if (got != Result::Value)
            return got;
    }
    char *end = nullptr;
    const double number = std::strtod(word + used, &end);
    if (end == word + used)
        return Result::Error;
    used = std::size_t(end - word);
    *value = number;
    return Result::Value;
}

TextWords::Result TextWords::nextInt(int32 *value)
{
    if (used >= wordLength) {
        const Result got = nextWord();
        if (got != Result::Value)
            return got;
    }
    char *end = nullptr;
    errno = 0;
    const long number = std::strtol(word + used, &end, 10);
    if (end == word + used || errno == ERANGE || number < INT32_MIN || number > INT32_MAX)
        return Result::Error;
    used = std::size_t(end - word);
    *value = int32(number);
    return Result::Value;
}

} // namespace matrixfileio
