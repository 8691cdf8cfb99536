#ifndef RELAXON_NUMERICS_SVD_H
#define RELAXON_NUMERICS_SVD_H

#include "numerics/matrixmemory.h"

// Singular value decomposition A = U · diag(w) · Vᵀ of a real m × n matrix, on the
// 1-based arrays of matrixmemory.h. The caller allocates and frees every array:
//   a  dmatrix [1..m][1..n]  A on entry, U on return (column j belongs to w[j])
//   w  dvector [1..n]        the singular values on return, all >= 0
//   v  dmatrix [1..n][1..n]  V itself on return (not its transpose), orthogonal
// When m < n, U holds only m rows of an n × n orthogonal factor: the columns that
// belong to non-zero singular values are orthonormal, and at least n − m of the
// singular values are zero. Nothing is done when m < 1 or n < 1.

// The decomposition sorted by svdsort: w[1] is the largest singular value.
void svd(double **a, int32 m, int32 n, double *w, double *v[]);

// The unsorted decomposition (Householder bidiagonalisation, then implicitly
// shifted QR sweeps on the bidiagonal form). A bidiagonal block that has not
// converged after 200 sweeps is left as it is, without a report. Matrices of more
// than 999 elements print a countdown on stdout; smaller ones print nothing and
// allocate only one work vector of n doubles.
void svdcmp(double **a, int32 m, int32 n, double *w, double *v[]);

// Orders w[1..n] descending, moving column j of a (rows 1..m) and of v (rows 1..n)
// together with w[j]. A selection sort from the back: position k receives the
// smallest of w[1..k], preferring w[k] itself, else the first of equal values.
void svdsort(int32 m, int32 n, double **a, double *w, double *v[]);

// Least-squares solution x [1..n] of A·x = b, b [1..m], from a sorted decomposition
// (u, w, v as returned by svd): x = V · diag(1/w[j]) · Uᵀ · b, where a singular
// value not above w[1] · tol (and any zero one, whatever tol) counts as zero and
// its component is dropped, which gives the minimum-norm solution. Ends the process when its work vector cannot be
// allocated.
void svdsolve(double **u, int32 m, int32 n, double *w, double *v[], double *b, double *x,
              double tol);

// As svdsolve, keeping only the components of w[1..k] (and, of those, only
// non-zero singular values).
void svdsolve_rank(double **u, int32 m, int32 n, double *w, double *v[], double *b,
                   double *x, int32 k);

#endif
