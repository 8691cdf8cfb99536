#include "numerics/matrixfile.h"
#include "numerics/matlabfile.h"
#include "numerics/matrixfilereaders.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace matrixfileio;

namespace {

int lastText = 0;
int lastSwapped = 0;
int lastMatlab = 0;

constexpr std::size_t tailLimit = 65536;

// Reads the tail from the current position (after `pending`, the text that followed
// the last value inside its word): line feeds become NULs; a text file's leading
// line ends, Windows ones (carriage return, line feed) included, are dropped. A
// failed allocation leaves the tail out.
void readTail(std::FILE *file, const char *fileName, bool text, const std::string &pending,
              int32 *tailLength, char **tail)
{
    auto *raw = static_cast<char *>(std::malloc(tailLimit));
    if (!raw) {
        std::printf("Sorry, not enough memory to read tail of %s\n", fileName);
        return;
    }
    const std::size_t carried = std::min(pending.size(), tailLimit);
    std::memcpy(raw, pending.data(), carried);
    const std::size_t length = carried + std::fread(raw + carried, 1, tailLimit - carried, file);
    for (std::size_t i = 0; i < length; ++i)
        if (raw[i] == '\n')
            raw[i] = '\0';
    std::size_t start = 0;
    if (text)
        while (start < length
               && (raw[start] == '\0'
                   || (raw[start] == '\r' && (start + 1 == length || raw[start + 1] == '\0'))))
            ++start;
    if (start < length) {
        auto *copy = static_cast<char *>(std::malloc(length - start + 1));
        if (copy) {
            std::memcpy(copy, raw + start, length - start);
            copy[length - start] = '\0';
            *tail = copy;
            *tailLength = int32(length - start);
        } else {
            std::printf("Sorry, not enough memory to read tail of %s\n", fileName);
        }
    }
    std::free(raw);
}

double **failRead(std::FILE *file, const char *fileName)
{
    reportReadError(fileName);
    std::fclose(file);
    return nullptr;
}

} // namespace

int lastWasText()
{
    return lastText;
}

int lastWasSwapped()
{
    return lastSwapped;
}

int lastWasMatlab()
{
    return lastMatlab;
}

double **getmatrix(const char *fileName, int32 *rows, int32 *cols,
                   int32 *tailLength, char **tail,
                   int32 **counts, int32 ***indices,
                   int32 rowFrom, int32 rowTo, int32 rowStep,
                   int32 colFrom, int32 colTo, int32 colStep, int transposed)
{
    lastText = lastSwapped = lastMatlab = 0;
    *rows = 0;
    *cols = 0;
    const bool wantTail = tailLength && tail;
    if (wantTail) {
        *tailLength = 0;
        *tail = nullptr;
    }
    const bool wantSparse = counts && indices;
    if (wantSparse) {
        *counts = nullptr;
        *indices = nullptr;
    }

    std::FILE *file = std::fopen(fileName, "rb");
    if (!file) {
        std::fprintf(stderr, "\n Cannot open %s\n\n\a\a", fileName);
        return nullptr;
    }
    ReadRequest request;
    request.file = file;
    request.fileName = fileName;
    request.transposed = transposed != 0;
    int isText = 0, isFloat = 0, swap = 0, isMatlab = 0;
    const long offset = readMatrixHeader(file, &request.fileRows, &request.fileCols,
                                         &request.maxCount, &isText, &isFloat, &swap, &isMatlab);
    lastText = isText;
    lastSwapped = swap;
    lastMatlab = isMatlab;
    if (isMatlab) {
        std::fclose(file);
        return readMatlabMatrix(fileName, rows, cols, nullptr, rowFrom, rowTo, rowStep,
                                colFrom, colTo, colStep, transposed, nullptr);
    }
    if (offset <= 0)
        return failRead(file, fileName);
    request.dataOffset = offset;
    request.elementSize = isFloat ? 4 : 8;
    request.swap = swap != 0;
    request.text = isText != 0;

    const bool sparse = request.maxCount > 0;
    if (sparse && request.transposed) {
        std::fputs("\nReading transposed sparse matrices not yet implemented\n\n", stderr);
        return failRead(file, fileName);
    }
    // Row values pick file columns in a transposed read.
    const bool rowsOk = makeSelection(request.transposed ? request.fileCols : request.fileRows,
                                      rowFrom, rowTo, rowStep,
                                      request.transposed ? &request.colSelection
                                                         : &request.rowSelection);
    const bool colsOk = makeSelection(request.transposed ? request.fileRows : request.fileCols,
                                      colFrom, colTo, colStep,
                                      request.transposed ? &request.rowSelection
                                                         : &request.colSelection);
    if (!rowsOk || !colsOk)
        return failRead(file, fileName);
    if (sparse && !(request.rowSelection.isWhole(request.fileRows)
                    && request.colSelection.isWhole(request.fileCols))) {
        std::fputs("\nReading parts of sparse matrices not yet implemented\n\n", stderr);
        return failRead(file, fileName);
    }

    std::int64_t dataEnd = 0;
    std::string pending;
    double **result = nullptr;
    if (sparse)
        result = readSparse(request, wantSparse, counts, indices, &dataEnd, &pending);
    else if (request.text)
        result = readDenseText(request, &pending);
    else
        result = readDenseBinary(request, &dataEnd);
    if (!result) {
        std::fclose(file);
        return nullptr;
    }

    if (sparse && wantSparse) {
        *rows = request.fileRows;
        *cols = request.fileCols;
    } else {
        *rows = request.transposed ? request.colSelection.count : request.rowSelection.count;
        *cols = request.transposed ? request.rowSelection.count : request.colSelection.count;
    }
    if (wantTail && (request.text || seekTo(file, dataEnd)))
        readTail(file, fileName, request.text, pending, tailLength, tail);
    std::fclose(file);
    return result;
}

double **getmatrix_part(const char *fileName, int32 *rows, int32 *cols,
                        int32 rowFrom, int32 rowTo, int32 rowStep,
                        int32 colFrom, int32 colTo, int32 colStep, int transposed)
{
    return getmatrix(fileName, rows, cols, nullptr, nullptr, nullptr, nullptr, rowFrom, rowTo,
                     rowStep, colFrom, colTo, colStep, transposed);
}
