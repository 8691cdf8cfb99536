#ifndef RELAXON_TESTS_CASEFILEWRITER_H
#define RELAXON_TESTS_CASEFILEWRITER_H

#include "numerics/matrixmemory.h"

#include <QByteArray>
#include <QString>

#include <functional>

// Writes synthetic case files for the loader tests.

// A binary matrix file of rows x cols with value(i, j) at [i][j], followed by tail
// as given (line feeds included). Returns false when it cannot be written.
bool writeCaseMatrix(const QString &fileName, int32 rows, int32 cols,
                     const std::function<double(int32, int32)> &value, const QByteArray &tail);

// The headerless float form of the built-in cases: int32 rows, int32 cols, the
// values as floats in row order, then the tail.
bool writeRawFloatCase(const QString &fileName, int32 rows, int32 cols,
                       const std::function<double(int32, int32)> &value, const QByteArray &tail);

// Writes bytes as they are.
bool writeBytes(const QString &fileName, const QByteArray &bytes);

#endif
