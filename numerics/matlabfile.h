#ifndef RELAXON_NUMERICS_MATLABFILE_H
#define RELAXON_NUMERICS_MATLABFILE_H

#include <cstdint>

// MAT-file access (versions 4, 5 and 7.3) through the matio library, which is
// loaded at run time on first use (see matiolibrary.h). Without it every operation
// prints the three-line "not available" message and fails. All messages go to
// stdout with the file name; the operations return 0 or null and leave no file
// open. Not thread-safe: the loaded library is process-wide state.

// 1 when the MAT-file library is available (loading it on first use), else 0 after
// printing the three-line "not available" message for fileName.
int loadMatlabLibraries(const char *fileName);

// Size of the buffer readMatlabMatrix's foundName must point to; longer names are cut.
inline constexpr int matlabNameCapacity = 256;

// Reads a numeric variable (double, int32 or uint32; of a complex array its real
// part) as a new dmatrix [1..*rows][1..*cols] that the caller releases with
// free_dmatrix(m, 1, *rows, 1). Variables are walked in file order: a numeric one
// is taken when no name is asked or its name equals variableName ignoring letter
// case; a structure is taken when its first element's field variableName (exact
// case; "field" when no name is asked) is numeric, and then foundName receives the
// structure's name. Empty arrays are passed over.
// Selection as in getmatrix: 1-based inclusive values, below 1 meaning from 1, to
// the end, step 1; a `to` below its `from` rises to it. Transposed, the result is
// the transpose of the selection, the row values picking array columns. A
// selection starting beyond the array is refused.
// On failure returns null with *rows = *cols = 0. foundName may be null; when
// given it holds matlabNameCapacity bytes and is emptied first.
double **readMatlabMatrix(const char *fileName, std::int32_t *rows, std::int32_t *cols,
                          const char *variableName,
                          std::int32_t rowFrom, std::int32_t rowTo, std::int32_t rowStep,
                          std::int32_t colFrom, std::int32_t colTo, std::int32_t colStep,
                          int transposed, char *foundName);

// Writes m[1..rows][1..cols] into a new compressed version 5 MAT-file (replacing
// any file of that name) as a rows x cols double array named variableName (null
// or empty: "m"). The matrix stays the caller's. 1 on success.
int writeMatlabMatrix(const char *fileName, double **m, std::int32_t rows, std::int32_t cols,
                      const char *variableName);

// Writes a 1 x 1 structure named variableName (null or empty: "Geometry") whose
// field "node" is a 3 x nNodes double array (column k: node k) and "cell" a
// 4 x nCells uint32 array (column k: cell k, node numbers counted from 1).
// nodes: nNodes x 3 doubles (x, y, z per node); cells: nCells x 4 node numbers
// counted from 0 (may be null when nCells is 0); both stay the caller's.
// update 0: a new file. update 1: the variables already in the file are kept and a
// variable of the same name is replaced; when it is a structure its other fields
// are kept. A file that cannot be opened for update is created anew. 1 on success.
int writeMatlabGeometry(const char *fileName, const double *nodes, std::int32_t nNodes,
                        const std::int32_t *cells, std::int32_t nCells,
                        const char *variableName, int update);

// Reads nodes and triangular faces: from structures (fields "node" or else "pnt",
// "face" or else "tri"; a later structure replaces an earlier one's arrays), or from
// the first plain double array (nodes) and the first plain int32/uint32 array
// (faces). An array must be 3 x n (one column per item) or n x 3 (one row per
// item; so a 3 x 3 array); other shapes are passed over. Face entries are rounded
// to integers and shifted so that the smallest is 0.
// On 1 (nodes found): *nodes is a malloc'ed block of *nNodes x 3 doubles and
// *faces of *nFaces x 3 int32 (null and 0 without faces); the caller frees both
// with free. On 0 all outputs are 0/null. name (may be null) is set empty.
int readMatlabGeometry(const char *fileName, std::int32_t *nNodes, std::int32_t *nFaces,
                       double **nodes, std::int32_t **faces, char *name);

#endif
