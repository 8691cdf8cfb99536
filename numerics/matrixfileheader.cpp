#include "numerics/matrixfile.h"
#include "numerics/matrixfileio.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

using namespace matrixfileio;

namespace {

constexpr char denseMagic[] = ";;mbfmat";
constexpr char sparseMagic[] = ";;mbfspr";
constexpr std::size_t magicLength = 8;
constexpr int32 denseHeaderLength = 11;
constexpr int32 sparseHeaderLength = 15;
// Raw float files carry no byte-order mark; a size beyond this in the machine's
// order means the file was written in the other one.
constexpr double rawSwapLimit = 1e9;
constexpr std::size_t textHeaderChars = 79;

bool isTextByte(unsigned char c)
{
    return std::isdigit(c) || std::isspace(c) || c == '-' || c == '.' || c == 'e' || c == 'E';
}

bool startsWithMatlab(const unsigned char *bytes)
{
    static const char word[] = "matlab";
    for (std::size_t i = 0; i < 6; ++i)
        if (std::tolower(bytes[i]) != word[i])
            return false;
    return true;
}

long unimplementedType()
{
    std::fputs("\nUnimplemented mfbmat file type?\n", stderr);
    return 0;
}

long readBinaryHeader(std::FILE *file, bool sparse, int32 *rows, int32 *cols,
                      int32 *maxCount, int *isFloat, int *swap)
{
    unsigned char order = 0;
    if (std::fread(&order, 1, 1, file) != 1 || order > 1)
        return unimplementedType();
    const bool fileIsBigEndian = order == 1;
    *swap = fileIsBigEndian != machineIsBigEndian();

    int32 headerLength = 0;
    unsigned char fixedAndSize[3] = {};
    if (!readInt32(file, *swap, &headerLength)
        || headerLength != (sparse ? sparseHeaderLength : denseHeaderLength)
        || std::fread(fixedAndSize, 1, 3, file) != 3
        || fixedAndSize[0] != 1 || fixedAndSize[1] != 1
        || (fixedAndSize[2] != 8 && fixedAndSize[2] != 4))
        return unimplementedType();
    *isFloat = fixedAndSize[2] == 4;

    if (!readInt32(file, *swap, rows) || !readInt32(file, *swap, cols)
        || (sparse && !readInt32(file, *swap, maxCount)))
        return unimplementedType();
    if (!sparse)
        *maxCount = 0;
    if (*rows < 1 || *cols < 1 || (sparse && *maxCount < 1))
        return 0;
    return long(tellPosition(file));
}

// Reads one whole line; only its first textHeaderChars characters are kept.
bool readFirstLine(std::FILE *file, char *line)
{
    std::size_t kept = 0;
    int c = std::fgetc(file);
    while (c != EOF && c != '\n') {
        if (kept < textHeaderChars)
            line[kept++] = char(c);
        c = std::fgetc(file);
    }
    line[kept] = '\0';
    return !std::ferror(file);
}

// Up to three whitespace-separated integers from line; the count found.
int parseHeaderNumbers(const char *line, long numbers[3])
{
    int found = 0;
    const char *pos = line;
    while (found < 3) {
        char *end = nullptr;
        errno = 0;
        const long value = std::strtol(pos, &end, 10);
        if (end == pos)
            break;
        if (errno == ERANGE || value < INT32_MIN || value > INT32_MAX)
            return -1;
        numbers[found++] = value;
        pos = end;
    }
    return found;
}

long readTextHeader(std::FILE *file, int32 *rows, int32 *cols, int32 *maxCount, int *isText)
{
    char line[textHeaderChars + 1];
    if (!readFirstLine(file, line))
        return 0;
    long numbers[3] = {0, 1, 0};
    const int found = parseHeaderNumbers(line, numbers);
    if (found < 1)
        return 0;
    if (numbers[0] < 1 || numbers[1] < 1 || numbers[2] < 0)
        return 0;
    *rows = int32(numbers[0]);
    *cols = int32(numbers[1]);
    *maxCount = int32(numbers[2]);
    *isText = 1;
    return long(tellPosition(file));
}

long readRawHeader(std::FILE *file, int32 *rows, int32 *cols, int *isFloat, int *swap)
{
    *isFloat = 1;
    if (!readInt32(file, false, rows) || !readInt32(file, false, cols))
        return 0;
    if (*rows < 0 || *cols < 0 || double(*rows) * double(*cols) > rawSwapLimit) {
        *swap = 1;
        reverseBytes(rows, sizeof *rows, 1);
        reverseBytes(cols, sizeof *cols, 1);
    }
    if (*rows < 1 || *cols < 1)
        return 0;
    return 8;
}

} // namespace

long readMatrixHeader(std::FILE *file, int32 *rows, int32 *cols, int32 *maxCount,
                      int *isText, int *isFloat, int *swap, int *isMatlab)
{
    *isText = 0;
    *isFloat = 0;
    *swap = 0;
    if (isMatlab)
        *isMatlab = 0;
    *rows = 0;
    *cols = 0;
    *maxCount = 0;
    if (!seekTo(file, 0))
        return 0;

    unsigned char first[magicLength] = {};
    const std::size_t got = std::fread(first, 1, magicLength, file);
    if (got == magicLength) {
        if (std::memcmp(first, denseMagic, magicLength) == 0)
            return readBinaryHeader(file, false, rows, cols, maxCount, isFloat, swap);
        if (std::memcmp(first, sparseMagic, magicLength) == 0)
            return readBinaryHeader(file, true, rows, cols, maxCount, isFloat, swap);
        if (startsWithMatlab(first)) {
            if (isMatlab)
                *isMatlab = 1;
            return 0;
        }
    }

    if (!seekTo(file, 0))
        return 0;
    bool text = true;
    for (std::size_t i = 0; i < got; ++i)
        text = text && isTextByte(first[i]);
    if (text)
        return readTextHeader(file, rows, cols, maxCount, isText);
    return readRawHeader(file, rows, cols, isFloat, swap);
}

int writeMatrixHeader(std::FILE *file, int32 rows, int32 cols, int32 maxCount)
{
    const bool sparse = maxCount != 0;
    const unsigned char order = machineIsBigEndian() ? 1 : 0;
    const int32 headerLength = sparse ? sparseHeaderLength : denseHeaderLength;
    const unsigned char fixedAndSize[3] = {1, 1, 8};
    bool ok = std::fwrite(sparse ? sparseMagic : denseMagic, 1, magicLength, file) == magicLength
              && std::fwrite(&order, 1, 1, file) == 1
              && std::fwrite(&headerLength, sizeof headerLength, 1, file) == 1
              && std::fwrite(fixedAndSize, 1, 3, file) == 3
              && std::fwrite(&rows, sizeof rows, 1, file) == 1
              && std::fwrite(&cols, sizeof cols, 1, file) == 1;
    if (ok && sparse)
        ok = std::fwrite(&maxCount, sizeof maxCount, 1, file) == 1;
    return ok ? 1 : 0;
}
