#include "numerics/matrixfilereaders.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace matrixfileio {

namespace {

int32 resultRows(const ReadRequest &request)
{
    return request.transposed ? request.colSelection.count : request.rowSelection.count;
}

int32 resultCols(const ReadRequest &request)
{
    return request.transposed ? request.rowSelection.count : request.colSelection.count;
}

// Stores the selected element k of file row selection entry r, in the result's
// orientation (both counted from 0).
void store(double **result, const ReadRequest &request, int32 r, int32 k, double value)
{
    if (request.transposed)
        result[k + 1][r + 1] = value;
    else
        result[r + 1][k + 1] = value;
}

} // namespace

bool makeSelection(int32 n, int32 from, int32 to, int32 step, Selection *selection)
{
    if (from < 1)
        from = 1;
    if (to < 1)
        to = n;
    if (step < 1)
        step = 1;
    if (from > n)
        return false;
    if (to < from)
        to = from;
    selection->from = from;
    selection->step = step;
    selection->count = (std::min(n, to) - from) / step + 1;
    return true;
}

void reportReadError(const char *fileName)
{
    std::fprintf(stderr, "\nError reading %s\n\n\a\a", fileName);
}

double **readDenseBinary(const ReadRequest &request, std::int64_t *dataEnd)
{
    const std::int64_t rowBytes = std::int64_t(request.fileCols) * request.elementSize;
    const std::int64_t length = fileLength(request.file);
    // A header can claim any size; the file must hold it before anything that
    // large is allocated. (The product goes through double: it may exceed int64.)
    if (length < 0
        || double(rowBytes) * double(request.fileRows) > double(length - request.dataOffset)) {
        reportReadError(request.fileName);
        return nullptr;
    }
    const std::int64_t dataBytes = rowBytes * request.fileRows;
    const int32 outRows = resultRows(request);
    const int32 outCols = resultCols(request);
    double **result = dmatrix(1, outRows, 1, outCols);
    if (!result)
        return nullptr;

    const bool direct = request.elementSize == 8 && !request.transposed
                        && request.colSelection.isWhole(request.fileCols);
    unsigned char *buffer = nullptr;
    if (!direct) {
        buffer = static_cast<unsigned char *>(std::malloc(std::size_t(rowBytes)));
        if (!buffer) {
            free_dmatrix(result, 1, outRows, 1);
            return nullptr;
        }
    }

    bool ok = true;
    const Selection &rowsWanted = request.rowSelection;
    const Selection &colsWanted = request.colSelection;
    for (int32 r = 0; ok && r < rowsWanted.count; ++r) {
        if (r == 0 || rowsWanted.step != 1)
            ok = seekTo(request.file,
                        request.dataOffset + rowBytes * (rowsWanted.index(r) - 1));
        if (!ok)
            break;
        if (direct) {
            double *row = &result[r + 1][1];
            ok = std::fread(row, 8, std::size_t(request.fileCols), request.file)
                 == std::size_t(request.fileCols);
            if (ok && request.swap)
                reverseBytes(row, 8, std::size_t(request.fileCols));
            continue;
        }
        ok = std::fread(buffer, std::size_t(request.elementSize), std::size_t(request.fileCols),
                        request.file)
             == std::size_t(request.fileCols);
        for (int32 k = 0; ok && k < colsWanted.count; ++k) {
            const std::size_t column = std::size_t(colsWanted.index(k) - 1);
            store(result, request, r, k,
                  decodeElement(buffer, column, request.elementSize, request.swap));
        }
    }
    std::free(buffer);
    if (!ok || std::ferror(request.file)) {
        reportReadError(request.fileName);
        free_dmatrix(result, 1, outRows, 1);
        return nullptr;
    }
    *dataEnd = request.dataOffset + dataBytes;
    return result;
}

double **readDenseText(const ReadRequest &request, std::string *pending)
{
    if (!seekTo(request.file, request.dataOffset)) {
        reportReadError(request.fileName);
        return nullptr;
    }
    double **whole = dmatrix(1, request.fileRows, 1, request.fileCols);
    if (!whole)
        return nullptr;
    TextWords words(request.file);
    bool ok = true;
    bool ended = false;
    for (int32 i = 1; ok && !ended && i <= request.fileRows; ++i) {
        for (int32 j = 1; j <= request.fileCols; ++j) {
            const TextWords::Result got = words.nextDouble(&whole[i][j]);
            // A file that ends early keeps zeros for the values it lacks.
            if (got == TextWords::Result::End) {
                ended = true;
                break;
            }
            if (got == TextWords::Result::Error) {
                ok = false;
                break;
            }
        }
    }
    if (!ok || std::ferror(request.file)) {
        reportReadError(request.fileName);
        free_dmatrix(whole, 1, request.fileRows, 1);
        return nullptr;
    }
    *pending = words.pending();
    if (!request.transposed && request.rowSelection.isWhole(request.fileRows)
        && request.colSelection.isWhole(request.fileCols))
        return whole;

    const int32 outRows = resultRows(request);
    double **result = dmatrix(1, outRows, 1, resultCols(request));
    if (result) {
        for (int32 r = 0; r < request.rowSelection.count; ++r)
            for (int32 k = 0; k < request.colSelection.count; ++k)
                store(result, request, r, k,
                      whole[request.rowSelection.index(r)][request.colSelection.index(k)]);
    }
    free_dmatrix(whole, 1, request.fileRows, 1);
    return result;
}

} // namespace matrixfileio
