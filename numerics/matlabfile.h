#ifndef RELAXON_NUMERICS_MATLABFILE_H
#define RELAXON_NUMERICS_MATLABFILE_H

#include <cstdint>

// MAT-file access through a MAT-file library loaded at run time. All messages go to
// stdout with the file name; the operations return 0 or null and leave no file open.

// 1 when the MAT-file library is available (loading it on first use), else 0 after
// printing the three-line "not available" message for fileName.
int loadMatlabLibraries(const char *fileName);

// Reads a numeric variable (double, int32 or uint32) as a 1-based dmatrix, applying
// getmatrix's selection and transposition. variableName null: the first numeric
// variable (or a structure's field "field"). foundName, when given, receives the
// name of a structure whose field was chosen (at least 256 bytes).
double **readMatlabMatrix(const char *fileName, std::int32_t *rows, std::int32_t *cols,
                          const char *variableName,
                          std::int32_t rowFrom, std::int32_t rowTo, std::int32_t rowStep,
                          std::int32_t colFrom, std::int32_t colTo, std::int32_t colStep,
                          int transposed, char *foundName);

// Writes m[1..rows][1..cols] as a double array named variableName (null: "m").
int writeMatlabMatrix(const char *fileName, double **m, std::int32_t rows, std::int32_t cols,
                      const char *variableName);

// nodes: nNodes x 3 doubles, cells: nCells x 4 node numbers counted from 0.
int writeMatlabGeometry(const char *fileName, const double *nodes, std::int32_t nNodes,
                        const std::int32_t *cells, std::int32_t nCells,
                        const char *variableName, int update);

// Outputs malloc'ed arrays of n x 3 (nodes) and n x 3 (faces counted from 0);
// name is set empty. 1 when nodes were found.
int readMatlabGeometry(const char *fileName, std::int32_t *nNodes, std::int32_t *nFaces,
                       double **nodes, std::int32_t **faces, char *name);

#endif
