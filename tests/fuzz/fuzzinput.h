#ifndef RELAXON_TESTS_FUZZ_FUZZINPUT_H
#define RELAXON_TESTS_FUZZ_FUZZINPUT_H

// Helpers shared by the fuzz targets. The library reads files by name, so every
// input is handed to it as an anonymous in-memory file reached through its
// /proc/self/fd path: no disk traffic, nothing left behind by a crash.

#include "numerics/matrixmemory.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace fuzzinput {

// The path of the in-memory file of that name (made on first use), filled with the
// given bytes; null when it could not be written. A library writer can write it anew.
const char *memoryFile(const char *name, const std::uint8_t *data = nullptr, std::size_t size = 0);

// Parameters the fuzzer steers through the last bytes of its input, so that a
// seed stays a valid file of its variant while the engine still reaches every
// selection. Past the input's start the bytes read as 0.
class TrailingControls
{
public:
    TrailingControls(const std::uint8_t *data, std::size_t size) : data(data), size(size) {}

    // Byte n counted from the end (0: the last one).
    std::uint8_t byte(std::size_t n) const { return n < size ? data[size - 1 - n] : 0; }

    // A selection value: mostly small (-1 default, 0..6), sometimes extreme.
    std::int32_t selectionValue(std::size_t n) const;
    // The six selection values of a read (rows from, to, step; columns from, to,
    // step) from bytes 1..6; byte 0's lowest bit asks for a transposed read.
    std::array<int32, 6> selection() const;
    bool transposed() const { return byte(0) & 1; }

private:
    const std::uint8_t *data;
    std::size_t size;
};

// Ends the run with a message: a broken invariant is a finding like a crash.
[[noreturn]] void fail(const char *what);

inline void check(bool condition, const char *what)
{
    if (!condition)
        fail(what);
}

// A matrix as the library hands it out, rows and values counted from 1, with the
// tail a read may add; freed with the object.
struct Matrix
{
    double **m = nullptr;
    int32 rows = 0;
    int32 cols = 0;
    int32 tailLength = 0;
    char *tail = nullptr;
    // A sparse read's count of values and their columns in each row.
    int32 *counts = nullptr;
    int32 **indices = nullptr;

    Matrix() = default;
    Matrix(const Matrix &) = delete;
    Matrix &operator=(const Matrix &) = delete;
    ~Matrix()
    {
        if (m)
            free_dmatrix(m, 1, rows, 1);
        if (counts)
            free_ivector(counts, 1, rows);
        if (indices)
            free_imatrix(indices, 1, rows, 1);
        std::free(tail);
    }
};

// Reads every element of a matrix that must be there: a short block shows up under
// the address sanitizer.
void touchAll(double *const *m, int32 rows, int32 cols);

// The indices a selection from..to by step picks over n rows or columns, computed
// independently of the library: none when it starts beyond n, all n for the default
// selection (from 1 by 1 to the end).
std::vector<int32> picked(int32 n, int32 from, int32 to, int32 step);

// Bitwise equality, so that NaN payloads and signed zeros must survive too.
bool sameBits(double a, double b);

// True for a MAT-file as getmatrix recognises it ("matlab" in any letter case at
// the start). The matrix and case targets pass these over: reading them is almost
// all the matio library's work, which the MAT-file target exercises, and would
// only slow the engine down on the library's own code.
bool isMatlabFile(const std::uint8_t *data, std::size_t size);

// False for a text or sparse file whose header declares more elements than a fuzz
// run may allocate. Such files are valid (missing text values read as zeros, a
// sparse file is expanded to its declared size) and are read with all their
// memory; the fuzz engine's memory limit would only report them as leaks of size.
bool declaredSizeIsFuzzable(const char *path);

} // namespace fuzzinput

#endif
