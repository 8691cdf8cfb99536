#include "numerics/matrixfilereaders.h"

#include <algorithm>
#include <vector>

namespace matrixfileio {

namespace {

// The index block as read, before anything of the declared size is allocated: it
// grows only with what the file really holds.
struct IndexBlock
{
    std::vector<int32> counts;
    std::vector<int32> columns; // all rows' column numbers one after the other
    int32 widest = 0;
    std::int64_t valueCount = 0;
};

bool acceptCount(const ReadRequest &request, int32 count, IndexBlock *block)
{
    if (count < 0 || count > request.maxCount)
        return false;
    block->counts.push_back(count);
    block->widest = std::max(block->widest, count);
    block->valueCount += count;
    return true;
}

bool columnsInRange(const ReadRequest &request, const int32 *columns, std::size_t n)
{
    return std::all_of(columns, columns + n,
                       [&](int32 c) { return c >= 1 && c <= request.fileCols; });
}

// Binary: counts and column numbers in the file's byte order; also checks that the
// value block that must follow fits into the file. *valueOffset: its start.
bool readBinaryIndexBlock(const ReadRequest &request, IndexBlock *block,
                          std::int64_t *valueOffset)
{
    const std::int64_t length = fileLength(request.file);
    if (length < 0 || !seekTo(request.file, request.dataOffset))
        return false;
    std::int64_t remaining = length - request.dataOffset;
    if (std::int64_t(request.fileRows) * 4 > remaining)
        return false;
    for (int32 i = 0; i < request.fileRows; ++i) {
        int32 count = 0;
        if (!readInt32(request.file, request.swap, &count) || !acceptCount(request, count, block))
            return false;
        remaining -= 4;
        if (std::int64_t(count) * 4 > remaining)
            return false;
        remaining -= std::int64_t(count) * 4;
        if (count == 0)
            continue;
        const std::size_t start = block->columns.size();
        block->columns.resize(start + std::size_t(count));
        int32 *columns = block->columns.data() + start;
        if (std::fread(columns, 4, std::size_t(count), request.file) != std::size_t(count))
            return false;
        if (request.swap)
            reverseBytes(columns, 4, std::size_t(count));
        if (!columnsInRange(request, columns, std::size_t(count)))
            return false;
    }
    *valueOffset = length - remaining;
    return double(block->valueCount) * request.elementSize <= double(remaining);
}

bool readTextIndexBlock(const ReadRequest &request, TextWords *words, IndexBlock *block)
{
    for (int32 i = 0; i < request.fileRows; ++i) {
        int32 count = 0;
        if (words->nextInt(&count) != TextWords::Result::Value
            || !acceptCount(request, count, block))
            return false;
        for (int32 k = 0; k < count; ++k) {
            int32 column = 0;
            if (words->nextInt(&column) != TextWords::Result::Value
                || !columnsInRange(request, &column, 1))
                return false;
            block->columns.push_back(column);
        }
    }
    return true;
}

bool readBinaryValues(const ReadRequest &request, const IndexBlock &block, double **values)
{
    std::vector<unsigned char> row(std::size_t(block.widest) * std::size_t(request.elementSize));
    for (int32 i = 0; i < request.fileRows; ++i) {
        const std::size_t count = std::size_t(block.counts[std::size_t(i)]);
        if (count == 0)
            continue;
        if (std::fread(row.data(), std::size_t(request.elementSize), count, request.file) != count)
            return false;
        for (std::size_t k = 0; k < count; ++k)
            values[i + 1][k + 1] = decodeElement(row.data(), k, request.elementSize, request.swap);
    }
    return !std::ferror(request.file);
}

// A file that ends early keeps zeros for the values it lacks.
bool readTextValues(const ReadRequest &request, const IndexBlock &block, TextWords *words,
                    double **values)
{
    for (int32 i = 0; i < request.fileRows; ++i) {
        for (int32 k = 1; k <= block.counts[std::size_t(i)]; ++k) {
            const TextWords::Result got = words->nextDouble(&values[i + 1][k]);
            if (got == TextWords::Result::End)
                return true;
            if (got == TextWords::Result::Error)
                return false;
        }
    }
    return !std::ferror(request.file);
}

double **expand(const ReadRequest &request, const int32 *counts, int32 **indices,
                double **values)
{
    double **dense = dmatrix(1, request.fileRows, 1, request.fileCols);
    if (!dense)
        return nullptr;
    for (int32 i = 1; i <= request.fileRows; ++i)
        for (int32 k = 1; k <= counts[i]; ++k)
            dense[i][indices[i][k]] = values[i][k];
    return dense;
}

} // namespace

double **readSparse(const ReadRequest &request, bool wantSparse, int32 **counts,
                    int32 ***indices, std::int64_t *dataEnd, std::string *pending)
{
    IndexBlock block;
    TextWords words(request.file);
    std::int64_t valueOffset = 0;
    bool ok = request.text
                  ? seekTo(request.file, request.dataOffset)
                        && readTextIndexBlock(request, &words, &block)
                  : readBinaryIndexBlock(request, &block, &valueOffset);
    if (!ok) {
        reportReadError(request.fileName);
        return nullptr;
    }

    const int32 rows = request.fileRows;
    const int32 width = std::max(block.widest, int32(1));
    int32 *rowCounts = ivector(1, rows);
    int32 **rowIndices = rowCounts ? imatrix(1, rows, 1, width) : nullptr;
    double **values = rowIndices ? dmatrix(1, rows, 1, width) : nullptr;
    if (!values) {
        if (rowIndices)
            free_imatrix(rowIndices, 1, rows, 1);
        free_ivector(rowCounts, 1, rows);
        return nullptr;
    }
    std::size_t next = 0;
    for (int32 i = 1; i <= rows; ++i) {
        rowCounts[i] = block.counts[std::size_t(i - 1)];
        for (int32 k = 1; k <= rowCounts[i]; ++k)
            rowIndices[i][k] = block.columns[next++];
    }

    ok = request.text ? readTextValues(request, block, &words, values)
                      : readBinaryValues(request, block, values);
    double **result = nullptr;
    if (!ok)
        reportReadError(request.fileName);
    else if (wantSparse)
        result = values;
    else
        result = expand(request, rowCounts, rowIndices, values);

    if (result == values) {
        *counts = rowCounts;
        *indices = rowIndices;
    } else {
        free_dmatrix(values, 1, rows, 1);
        free_imatrix(rowIndices, 1, rows, 1);
        free_ivector(rowCounts, 1, rows);
    }
    if (result) {
        *dataEnd = valueOffset + std::int64_t(block.valueCount) * request.elementSize;
        *pending = words.pending();
    }
    return result;
}

} // namespace matrixfileio
