#ifndef RELAXON_NUMERICS_MATRIXFILEIO_H
#define RELAXON_NUMERICS_MATRIXFILEIO_H

// Building blocks shared by the matrix file reader and writers; not for callers
// outside numerics/.

#include "numerics/matrixmemory.h"

#include <clocale>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace matrixfileio {

bool machineIsBigEndian();

// The "C" locale, for numbers in files: a Qt program runs in the user's locale,
// whose decimal point may be a comma, and a file must read the same everywhere.
locale_t cLocale();

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
// error, never an overflow. The stream is read in large blocks; what was read
// ahead is given back (the stream positioned right after the last word taken)
// when the reader goes.
class TextWords
{
public:
    explicit TextWords(std::FILE *file) : file(file) {}
    ~TextWords();
    TextWords(const TextWords &) = delete;
    TextWords &operator=(const TextWords &) = delete;

    enum class Result { Value, End, Error };

    // A floating-point value in "%lf" syntax, or "nan" in any letter case.
    Result nextDouble(double *value);
    // A decimal integer within int32.
    Result nextInt(int32 *value);
    // What is left of the current word after the last number read from it.
    const char *pending();

private:
    Result nextWord();
    // Moves the unread bytes to the front and reads more; false at the end of the
    // stream (or on an error) with nothing new.
    bool refill();
    // The current word, NUL-terminated, into word (numbers are read in place).
    void copyWord();

    static constexpr std::size_t capacity = 512;
    static constexpr std::size_t blockSize = 1 << 16;
    std::FILE *file;
    char word[capacity] = {};
    std::size_t wordLength = 0;
    std::size_t used = 0;
    std::size_t wordStart = 0; // of the current word in block
    bool copied = false;       // word holds the current word
    std::vector<char> block;   // blockSize bytes and a NUL after the data
    std::size_t position = 0; // next unread byte of block
    std::size_t filled = 0;   // bytes of block holding data
    bool streamEnded = false;
};

} // namespace matrixfileio

#endif
