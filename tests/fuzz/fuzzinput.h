#ifndef RELAXON_TESTS_FUZZ_FUZZINPUT_H
#define RELAXON_TESTS_FUZZ_FUZZINPUT_H

// Helpers shared by the fuzz targets. The library reads files by name, so every
// input is handed to it as an anonymous in-memory file reached through its
// /proc/self/fd path: no disk traffic, nothing left behind by a crash.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace fuzzinput {

// An in-memory file whose contents the target replaces for every input.
class MemoryFile
{
public:
    explicit MemoryFile(const char *label);
    ~MemoryFile();
    MemoryFile(const MemoryFile &) = delete;
    MemoryFile &operator=(const MemoryFile &) = delete;

    // Replaces the contents; false when the file could not be written.
    bool assign(const std::uint8_t *data, std::size_t size);
    // Empties the file, so that a writer of the library can fill it.
    bool clear();
    const char *path() const { return name.c_str(); }

private:
    int descriptor = -1;
    std::string name;
};

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
