#include "fuzzinput.h"

#include "numerics/matrixfile.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace fuzzinput {

namespace {

// Text and expanded sparse matrices above this many elements are left out of
// fuzzing (2 MiB of doubles): all their elements are written back as text.
constexpr double fuzzableElements = 256.0 * 1024;

} // namespace

MemoryFile::MemoryFile(const char *label)
{
    descriptor = memfd_create(label, 0);
    if (descriptor < 0)
        fail("cannot create an in-memory file");
    name = "/proc/self/fd/" + std::to_string(descriptor);
}

MemoryFile::~MemoryFile()
{
    if (descriptor >= 0)
        close(descriptor);
}

bool MemoryFile::assign(const std::uint8_t *data, std::size_t size)
{
    if (!clear())
        return false;
    std::size_t written = 0;
    while (written < size) {
        const ssize_t n = pwrite(descriptor, data + written, size - written, off_t(written));
        if (n <= 0)
            return false;
        written += std::size_t(n);
    }
    return true;
}

bool MemoryFile::clear()
{
    return ftruncate(descriptor, 0) == 0;
}

std::int32_t TrailingControls::selectionValue(std::size_t n) const
{
    static const std::int32_t extremes[] = {INT32_MIN, -2, INT32_MAX, INT32_MAX - 1,
                                            1000000, 65536, 255, 7};
    const std::uint8_t b = byte(n);
    if (b >= 0xf8)
        return extremes[b - 0xf8];
    return std::int32_t(b % 8) - 1;
}

void fail(const char *what)
{
    std::fprintf(stderr, "\nfuzz invariant broken: %s\n", what);
    std::abort();
}

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool isMatlabFile(const std::uint8_t *data, std::size_t size)
{
    static const char word[] = "matlab";
    if (size < 8)
        return false;
    for (std::size_t i = 0; i < 6; ++i)
        if (std::tolower(data[i]) != word[i])
            return false;
    return true;
}

bool declaredSizeIsFuzzable(const char *path)
{
    std::FILE *file = std::fopen(path, "rb");
    if (!file)
        return true;
    int32 rows = 0, cols = 0, maxCount = 0;
    int isText = 0, isFloat = 0, swap = 0, isMatlab = 0;
    const long offset = readMatrixHeader(file, &rows, &cols, &maxCount, &isText, &isFloat,
                                         &swap, &isMatlab);
    std::fclose(file);
    if (offset <= 0 || !(isText || maxCount > 0))
        return true;
    return double(rows) * double(cols) <= fuzzableElements;
}

} // namespace fuzzinput
