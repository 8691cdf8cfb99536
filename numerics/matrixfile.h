#ifndef RELAXON_NUMERICS_MATRIXFILE_H
#define RELAXON_NUMERICS_MATRIXFILE_H

#include "numerics/matrixmemory.h"
#include "numerics/matrixtail.h"

#include <cstdio>

// Matrix files: one two-dimensional matrix, optionally followed by a free-text tail.
// Recognised variants (by their first bytes): binary dense ";;mbfmat" (8- or 4-byte
// elements, either byte order), binary sparse ";;mbfspr", MATLAB files (handed to
// readMatlabMatrix), dense and sparse decimal text, and headerless raw 4-byte floats.
//
// Every matrix handed out is a dmatrix m[1..rows][1..cols] of doubles that the
// caller releases with free_dmatrix(m, 1, rows, 1). Diagnostics go to stderr with
// the file name; nothing a file contains ends the process.

// Reads a matrix, or a selection of it, from fileName.
//
// Selection: 1-based and inclusive; a value below 1 means its default (from 1, to
// the last row or column, step 1); a `to` below its `from` is raised to `from`; a
// `from` beyond the last row or column is refused. The result has
// (min(N, to) - from) / step + 1 rows, N being the file's row count, and likewise
// columns. With transposed non-zero the result is the transpose of the selection:
// the row values pick file columns and the column values pick file rows.
//
// On return *rows and *cols hold the result's size. tailLength and tail may both be
// null; when both are given, *tail receives a malloc'ed copy of the text after the
// data, every line feed replaced by NUL and one extra NUL at the end (free it with
// std::free), and *tailLength its length without that final NUL; no tail gives null
// and 0. counts and indices may both be null; when both are given and the file is
// sparse, the result is the value matrix [1..rows][1..width] (width the largest
// count), *counts an ivector [1..rows] of entries per row and *indices an imatrix
// [1..rows][1..width] of 1-based column numbers; *cols is the file's column count.
// The caller releases them with free_ivector(c, 1, rows) and
// free_imatrix(ix, 1, rows, 1). For a dense file both are set null; without them a
// sparse file is expanded to a dense rows x cols matrix.
//
// Returns null after printing the diagnostic when the file cannot be read.
double **getmatrix(const char *fileName, int32 *rows, int32 *cols,
                   int32 *tailLength, char **tail,
                   int32 **counts, int32 ***indices,
                   int32 rowFrom, int32 rowTo, int32 rowStep,
                   int32 colFrom, int32 colTo, int32 colStep, int transposed);

// getmatrix without tail and sparse outputs.
double **getmatrix_part(const char *fileName, int32 *rows, int32 *cols,
                        int32 rowFrom, int32 rowTo, int32 rowStep,
                        int32 colFrom, int32 colTo, int32 colStep, int transposed);

// Classifies the open file (read from its start) and reads its header: *rows,
// *cols, *maxCount (0 for dense), and the flags *isText, *isFloat (4-byte elements),
// *swap (elements in the other byte order) and *isMatlab (may be null). Returns the
// file offset of the first data byte, or 0 for a MATLAB file, a bad binary header
// (after printing "\nUnimplemented mfbmat file type?\n"), an unreadable text header
// or raw header, and non-positive dimensions. The file stays open either way.
long readMatrixHeader(std::FILE *file, int32 *rows, int32 *cols, int32 *maxCount,
                      int *isText, int *isFloat, int *swap, int *isMatlab);

// Writes a binary header in the machine's byte order with 8-byte elements:
// ";;mbfmat" when maxCount is 0, else ";;mbfspr" with maxCount. 1 or 0.
int writeMatrixHeader(std::FILE *file, int32 rows, int32 cols, int32 maxCount);

// Writes m[1..rows][1..cols] as a binary dense file, then tailLength bytes of tail
// as given (line ends as they are). With counts and indices (both non-null) the
// matrix is sparse: m[i][1..counts[i]] are the values of row i at the columns
// indices[i][1..counts[i]]; an all-empty sparse matrix is written as dense zeros.
// Returns 1, or 0 after printing the diagnostic.
int putmatrix(const char *fileName, double **m, int32 rows, int32 cols,
              int32 tailLength, const char *tail,
              const int32 *counts, int32 *const *indices);

// As putmatrix, as decimal text. valueFormat is a printf conversion for one double
// (null or empty: " %g"); a field width w in it gives 80 / (w + 1) values per line,
// else 8. NaN and infinite values are written as "NaN".
int putmatrix_text(const char *fileName, double **m, int32 rows, int32 cols,
                   const char *valueFormat, int32 tailLength, const char *tail,
                   const int32 *counts, int32 *const *indices);

// What the most recent getmatrix call met: a text file, a file in the other byte
// order, a MATLAB file. Process-wide; calls must not overlap.
int lastWasText();
int lastWasSwapped();
int lastWasMatlab();

#endif
