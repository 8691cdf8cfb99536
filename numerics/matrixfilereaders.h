#ifndef RELAXON_NUMERICS_MATRIXFILEREADERS_H
#define RELAXON_NUMERICS_MATRIXFILEREADERS_H

// The data readers behind getmatrix, one per kind of data block; not for callers
// outside numerics/.

#include "numerics/matrixfileio.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace matrixfileio {

// File rows or columns from, from + step, ... (count of them), all 1-based.
struct Selection
{
    int32 from = 1;
    int32 count = 0;
    int32 step = 1;

    int32 index(int32 k) const { return from + k * step; } // k counts from 0
    bool isWhole(int32 n) const { return from == 1 && step == 1 && count == n; }
};

// Applies the defaults to one pair of from/to/step over n file rows or columns;
// false when from lies beyond n.
bool makeSelection(int32 n, int32 from, int32 to, int32 step, Selection *selection);

// Everything a data reader needs to know about the open file and the request.
struct ReadRequest
{
    std::FILE *file = nullptr;
    const char *fileName = nullptr;
    std::int64_t dataOffset = 0;
    int32 fileRows = 0;
    int32 fileCols = 0;
    int32 maxCount = 0;
    int elementSize = 8;
    bool swap = false;
    bool text = false;
    Selection rowSelection; // over file rows
    Selection colSelection; // over file columns
    bool transposed = false;
};

void reportReadError(const char *fileName);

// Dense data into a new result matrix (rows x cols of the selection, transposed when
// asked). On success *dataEnd is where the tail begins (binary files) and *pending
// the part of the last word that follows the last value (text files). Null after
// reporting the error; nothing stays allocated.
double **readDenseBinary(const ReadRequest &request, std::int64_t *dataEnd);
double **readDenseText(const ReadRequest &request, std::string *pending);

// Sparse data (always the whole matrix). With wantSparse the value matrix is
// returned with *counts and *indices handed out; otherwise the dense expansion.
double **readSparse(const ReadRequest &request, bool wantSparse, int32 **counts,
                    int32 ***indices, std::int64_t *dataEnd, std::string *pending);

} // namespace matrixfileio

#endif
