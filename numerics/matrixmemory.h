#ifndef RELAXON_NUMERICS_MATRIXMEMORY_H
#define RELAXON_NUMERICS_MATRIXMEMORY_H

#include <cstdint>

// Vectors, matrices and three-dimensional arrays addressed with the indices the
// mathematics uses (usually from 1). A vector v[nl..nh] is one zero-filled block;
// the handle points nl elements before it. A dmatrix m[nrl..nrh][ncl..nch] is an
// array of row pointers over one contiguous, zero-filled, row-order block, so a
// whole matrix can be read, written or scanned as one block.
//
// Every allocator returns null after printing "\n Sorry, out of memory\n\n\a\a" on
// stderr when it refuses a request or the C runtime fails; what it had already
// allocated is released. Whoever allocates releases, with the matching releaser
// and the same lower bounds. Empty or reversed ranges are refused the same way.

using int32 = std::int32_t;

// v[nl..nh] of doubles. free_dvector accepts null.
double *dvector(int32 nl, int32 nh);
void free_dvector(double *v, int32 nl, int32 nh);

// A second allocator of 8-byte elements; the singular values of the glyphs use it.
double *vector(int32 nl, int32 nh);
void free_vector(double *v, int32 nl, int32 nh);

// v[nl..nh] of int32. free_ivector accepts null.
int32 *ivector(int32 nl, int32 nh);
void free_ivector(int32 *v, int32 nl, int32 nh);

// m[nrl..nrh][ncl..nch] of doubles; refused above 5e8 elements. m must be non-null
// for the releaser.
double **dmatrix(int32 nrl, int32 nrh, int32 ncl, int32 nch);
void free_dmatrix(double **m, int32 nrl, int32 nrh, int32 ncl);

// The same layout; refused above 1e9 elements.
double **matrix(int32 nrl, int32 nrh, int32 ncl, int32 nch);
void free_matrix(double **m, int32 nrl, int32 nrh, int32 ncl);

// m[nrl..nrh][ncl..nch] of int32, each row its own block (sparse column numbers are
// released row by row).
int32 **imatrix(int32 nrl, int32 nrh, int32 ncl, int32 nch);
void free_imatrix(int32 **m, int32 nrl, int32 nrh, int32 ncl);

// t[nrl..nrh][ncl..nch][ndl..ndh] of doubles; element [i][j][ndl] lies at
// ((i - nrl) * ncol + (j - ncl)) * ndep in one data block.
double ***d3tensor(int32 nrl, int32 nrh, int32 ncl, int32 nch, int32 ndl, int32 ndh);
void free_d3tensor(double ***t, int32 nrl, int32 nrh, int32 ncl, int32 nch, int32 ndl);

// Prints the numerical library's fatal message with text on stderr and ends the
// process with status 1.
[[noreturn]] void nrerror(const char *text);

#endif
