#ifndef RELAXON_CASES_RESOURCEREADER_H
#define RELAXON_CASES_RESOURCEREADER_H

#include "cases/caseloader.h"

#include <QString>

// Reads a built-in case from a Qt resource (or any file Qt can open): int32 rows
// and int32 cols in the machine's byte order, both at least 1, then rows x cols
// 4-byte floats in row order, then at most kMaxResourceTailBytes bytes of tail.
// On success fills file.matrix (1-based, converted to double), its size and its
// tail, whose line feeds become NULs; hasTail is set when the tail is not empty.
// On failure returns false and leaves file as it was.
bool readResourceCase(const QString &name, CaseFile &file);

constexpr qint64 kMaxResourceTailBytes = 10000;

#endif
