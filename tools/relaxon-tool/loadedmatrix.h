#ifndef RELAXON_TOOLS_LOADEDMATRIX_H
#define RELAXON_TOOLS_LOADEDMATRIX_H

#include "numerics/matrixfile.h"

#include <cstdio>

// A matrix read by getmatrix with its tail and, for sparse files, its counts and
// column numbers; releases everything it holds.
struct LoadedMatrix
{
    double **values = nullptr; // rows x cols, or rows x widest count when sparse
    int32 rows = 0;
    int32 cols = 0;
    int32 tailLength = 0;
    char *tail = nullptr; // lines closed by NULs, as getmatrix hands them out
    int32 *counts = nullptr;
    int32 **indices = nullptr;

    LoadedMatrix() = default;
    LoadedMatrix(const LoadedMatrix &) = delete;
    LoadedMatrix &operator=(const LoadedMatrix &) = delete;
    ~LoadedMatrix();

    bool isSparse() const { return counts && indices; }
};

// Built-in cases are named by their resource path (":/files/...") as in the program.
inline bool isResourceName(const char *fileName) { return fileName[0] == ':'; }

// Reads the whole matrix; keepSparse asks for the sparse form of a sparse file.
// A built-in case is read as the program reads it.
bool loadMatrix(const char *fileName, bool keepSparse, LoadedMatrix *loaded);

// Writes every tail line followed by a line feed.
void printTailLines(std::FILE *stream, int32 tailLength, const char *tail);

#endif
