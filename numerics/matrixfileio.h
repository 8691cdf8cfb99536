#ifndef RELAXON_NUMERICS_MATRIXFILEIO_H
#define RELAXON_NUMERICS_MATRIXFILEIO_H

// Building blocks shared by the matrix file reader and writers; not for callers
// outside numerics/.

#include "numerics/matrixmemory.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace matrixfileio {

bool machineIsBigEndian();

// Reverses the byte order of each of count elements of elementSize bytes.
void reverseBytes(void *data, std::size_t elementSize, std::size_t count);

// Element index (from 0) of a block of 4-byte floats or 8-byte doubles in file
// order, as a double.
double decodeElement(const unsigned char *block, std::size_t index, int elementSize, bool swap);

// One int32 from the file, reversed when swap is set; false on a short read.
bool readInt32(std::FILE *file, bool swap, int32 *value);

// Length of the whole file in bytes, the position left unchanged; -1 when unknown.
std::int64_t fileLength(std::FILE *file);

bool seekTo(std::FILE *file, std::int64_t offset);
std::int64_t tellPosition(std::FILE *file);

// Reads decimal words from a text stream. A word longer than the buffer is an
// error, never an overflow.
class TextWords
{
public:
    explicit TextWords(std::FILE *file) : file(file) {}

    enum class Result { Value, End, Error };

    // A floating-point value in "%lf" syntax, or "nan" in any letter case.
    Result nextDouble(double *value);
    // A decimal integer within int32.
    Result nextInt(int32 *value);
    // What is left of the current word after the last number read from it.
    const char *pending() const { return word + used; }

private:
    Result nextWord();

    static constexpr std::size_t capacity = 512;
    std::FILE *file;
    char word[capacity] = {};
    std::size_t wordLength = 0;
    std::size_t used = 0;
};

} // namespace matrixfileio

#endif
