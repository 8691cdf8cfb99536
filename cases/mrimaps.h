#ifndef RELAXON_CASES_MRIMAPS_H
#define RELAXON_CASES_MRIMAPS_H

#include "cases/casedata.h"
#include "numerics/matrixmemory.h"

// Number of maps stacked in a PD/T1/T2 case file, without and with diffusion tensor.
constexpr int32 kMapsWithoutTensor = 3;
constexpr int32 kMapsWithTensor = 12;

// Splits the stacked maps of matrix[1..fileRows][1..cols] into data (which must be
// cleared): with R = fileRows / maps, file rows 1..R are PD, R + 1..2R T1,
// 2R + 1..3R T2 and, with tensor, the next nine blocks the tensor components Dxx,
// Dxy, Dxz, Dyx, Dyy, Dyz, Dzx, Dzy, Dzz. Entry 10 of each pixel's tensor is its
// norm sqrt(sum of squares) / sqrt(3); all ten entries are divided by the largest
// finite norm of the image, which thus becomes exactly 1. fullScale becomes
// niceCeiling of the largest finite PD (at least 1).
// The matrix is only read; the caller releases it. Returns false, with data
// cleared again, when fileRows holds no whole set of maps or memory runs out.
bool splitMriMaps(double **matrix, int32 fileRows, int32 cols, bool withTensor, CaseData &data);

#endif
