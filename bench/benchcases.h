#ifndef RELAXON_BENCH_BENCHCASES_H
#define RELAXON_BENCH_BENCHCASES_H

// Inputs of the benchmarks, shared with the NumPy peers through files in the data
// directory, so that both sides work on the same numbers.

#include "cases/casedata.h"

#include <string>

namespace bench {

// Where the inputs are written: $RELAXON_BENCH_DATA, or the build's bench/data.
std::string dataDirectory();

// A built-in case of the source tree ("glioblastoma", "dti") at size x size
// pixels: the generator's own case of that size where the build has one
// (resources/extra/glioblastoma-1024.mri from the target glioblastoma-1024),
// otherwise the built-in case resampled bilinearly (tensors: nearest pixel).
// Cached: every call with the same arguments returns the same data.
const CaseData &caseAtSize(const std::string &name, int size);

// Writes the maps of caseAtSize as raw little-endian doubles, map after map,
// each in [x][y] order: pd, t1, t2 and, for a case with tensors, Dxx, Dxy, Dxz,
// Dyx, Dyy, Dyz and the normalised norm. File name: <name>_<size>.f64.
void writeMaps(const std::string &name, int size);

// A functional series of rows x rows pixels and the given number of frames in the
// program's layout (frame f in columns (f - 1) rows + 1 .. f rows). Every value is
// a whole number from integer arithmetic; bench/numpy_peers.py builds the same.
CaseData functionalSeries(int rows, int frames);

// The dense text matrix for getmatrix: a first line "n n", then n lines of n
// values; returns its path. Written once.
std::string textMatrixFile(int n);

} // namespace bench

#endif
