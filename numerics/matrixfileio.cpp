#include "numerics/matrixfileio.h"

#include <algorithm>
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

locale_t cLocale()
{
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
    return c;
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

void TextWords::copyWord()
{
    if (copied)
        return;
    if (wordLength > 0)
        std::memcpy(word, block.data() + wordStart, wordLength);
    word[wordLength] = '\0';
    copied = true;
}

const char *TextWords::pending()
{
    copyWord();
    return word + used;
}

TextWords::~TextWords()
{
    const std::size_t unread = filled - position;
    if (unread > 0)
        fseeko(file, -off_t(unread), SEEK_CUR);
}

bool TextWords::refill()
{
    if (streamEnded)
        return false;
    if (block.empty())
        block.resize(blockSize + 1);
    const std::size_t unread = filled - position;
    std::memmove(block.data(), block.data() + position, unread);
    position = 0;
    filled = unread;
    const std::size_t got = std::fread(block.data() + filled, 1, blockSize - filled, file);
    filled += got;
    // A NUL after the data ends every number that runs to the end of the stream.
    block[filled] = '\0';
    if (filled < blockSize)
        streamEnded = true;
    return got > 0;
}

namespace {

// White space of the "C" locale, in which numbers are read.
inline bool isSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

} // namespace

TextWords::Result TextWords::nextWord()
{
    for (;;) {
        while (position < filled && isSpace(block[position]))
            ++position;
        if (position < filled)
            break;
        if (!refill())
            return std::ferror(file) ? Result::Error : Result::End;
    }
    // A whole word of up to capacity - 1 bytes must be in the block.
    if (filled - position < capacity)
        refill();
    used = 0;
    const std::size_t start = position;
    const std::size_t limit = std::min(filled, start + capacity);
    while (position < limit && !isSpace(block[position]))
        ++position;
    wordLength = position - start;
    if (wordLength >= capacity)
        return Result::Error;
    wordStart = start;
    copied = false;
    // The byte that ended the word stays unread: the tail after the last value
    // starts with it.
    if (position == filled && std::ferror(file))
        return Result::Error;
    return Result::Value;
}

namespace {

// A decimal number of at most 15 significant digits times a power of ten within
// ±22 is the correctly rounded product or quotient of two exact doubles, the same
// value strtod gives. Returns the characters used, or 0 when the text is anything
// else (hexadecimal, inf, nan, more digits, a larger exponent) for strtod to read.
std::size_t simpleDecimal(const char *text, double *value)
{
    static constexpr double powersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                             1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                             1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    const char *p = text;
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+')
        ++p;
    std::uint64_t mantissa = 0;
    int significant = 0;
    int exponent = 0;
    bool anyDigit = false;
    for (; isDigit(*p); ++p) {
        anyDigit = true;
        if (mantissa != 0 || *p != '0') {
            if (++significant > 15)
                return 0;
            mantissa = mantissa * 10 + std::uint64_t(*p - '0');
        }
    }
    if (*p == 'x' || *p == 'X')
        return 0;
    if (*p == '.') {
        for (++p; isDigit(*p); ++p) {
            anyDigit = true;
            if (mantissa != 0 || *p != '0') {
                if (++significant > 15)
                    return 0;
                mantissa = mantissa * 10 + std::uint64_t(*p - '0');
            }
            --exponent;
        }
    }
    if (!anyDigit)
        return 0;
    if (*p == 'e' || *p == 'E') {
        const char *q = p + 1;
        const bool negativeExponent = *q == '-';
        if (*q == '-' || *q == '+')
            ++q;
        if (isDigit(*q)) {
            int written = 0;
            for (; isDigit(*q); ++q) {
                if (written > 1000)
                    return 0;
                written = written * 10 + (*q - '0');
            }
            exponent += negativeExponent ? -written : written;
            p = q;
        }
    }
    double number = double(mantissa);
    if (mantissa != 0) {
        if (exponent < -22 || exponent > 22)
            return 0;
        number = exponent < 0 ? number / powersOfTen[-exponent] : number * powersOfTen[exponent];
    }
    *value = negative ? -number : number;
    return std::size_t(p - text);
}

} // namespace

// Like "%lf", a number ends where its syntax ends; the rest of the word is read as
// the next value.
TextWords::Result TextWords::nextDouble(double *value)
{
    if (used >= wordLength) {
        const Result got = nextWord();
        if (got != Result::Value)
            return got;
    }
    if (const std::size_t length = simpleDecimal(block.data() + wordStart + used, value)) {
        used += length;
        return Result::Value;
    }
    copyWord();
    char *end = nullptr;
    const double number = strtod_l(word + used, &end, cLocale());
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
    copyWord();
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
