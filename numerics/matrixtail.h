#ifndef RELAXON_NUMERICS_MATRIXTAIL_H
#define RELAXON_NUMERICS_MATRIXTAIL_H

#include "numerics/matrixmemory.h"

// Keyed annotations in the text tail of a matrix file. A tail is read as lines that
// end at a line feed or a NUL byte; a carriage return just before that end (or as
// the tail's last byte) belongs to the line end, so tails written on Windows read
// the same. A key is a line that begins with the key word (letter case ignored,
// compared as a prefix); its value is the whole next line. A key may appear several
// times: occurrence n counts from 0. Only the first tailLength bytes of a tail are
// ever looked at.

// Start of the value line of occurrence `occurrence` of key, pointing into tail
// itself; null when the key is missing or its line is the tail's last.
char *tailFindValue(int32 tailLength, char *tail, const char *key, int32 occurrence);

// The number of bytes of the line that starts at line, a position inside the tail
// such as tailFindValue gives, without its line end; 0 for a position outside.
int32 tailLineLength(int32 tailLength, const char *tail, const char *line);

// 1 and *value read from the beginning of the value line as a decimal integer /
// floating-point number; 0 when the key is missing or the line holds no number
// (an integer out of int32 range counts as none).
int tailGetInt(int32 tailLength, char *tail, const char *key, int32 *value, int32 occurrence);
int tailGetDouble(int32 tailLength, char *tail, const char *key, double *value, int32 occurrence);

// The following work on tails in file form (lines ending with line feeds), held in
// malloc'ed buffers that they may replace; the buffer always keeps a NUL after the
// last byte. A null *tail counts as empty.

// Appends the lines key and value. 1, or 0 when out of memory (tail unchanged).
int tailAppend(int32 *tailLength, char **tail, const char *key, const char *value);

// Overwrites the value line of occurrence `occurrence` of key: a shorter value is
// padded with blanks up to the old line end, a longer one moves the rest of the
// tail right. 1, or 0 when the key is missing or memory is out (tail unchanged).
int tailSetValue(int32 *tailLength, char **tail, const char *key, const char *value,
                 int32 occurrence);

#endif
