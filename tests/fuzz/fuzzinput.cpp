#include "fuzzinput.h"

#include "numerics/matrixfile.h"

#include <sys/mman.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>

namespace fuzzinput {

const char *memoryFile(const char *name, const std::uint8_t *data, std::size_t size)
{
    // Made once per name and kept for the whole run.
    static std::map<std::string, std::pair<int, std::string>> files;
    const auto [entry, isNew] = files.try_emplace(name);
    if (isNew) {
        const int made = memfd_create(name, 0);
        if (made < 0)
            fail("cannot create an in-memory file");
        entry->second = {made, "/proc/self/fd/" + std::to_string(made)};
    }
    const auto &[descriptor, path] = entry->second;
    if (ftruncate(descriptor, 0) != 0)
        return nullptr;
    for (std::size_t written = 0; written < size;) {
        const ssize_t n = pwrite(descriptor, data + written, size - written, off_t(written));
        if (n <= 0)
            return nullptr;
        written += std::size_t(n);
    }
    return path.c_str();
}

std::int32_t TrailingControls::selectionValue(std::size_t n) const
{
    static const std::int32_t extremes[] = {INT32_MIN, -2, INT32_MAX, INT32_MAX - 1, 1000000, 65536, 255, 7};
    const std::uint8_t b = byte(n);
    return b >= 0xf8 ? extremes[b - 0xf8] : std::int32_t(b % 8) - 1;
}

std::array<int32, 6> TrailingControls::selection() const
{
    return {selectionValue(1), selectionValue(2), selectionValue(3),
            selectionValue(4), selectionValue(5), selectionValue(6)};
}

void touchAll(double *const *m, int32 rows, int32 cols)
{
    check(m && rows >= 1 && cols >= 1, "a matrix is missing or empty");
    double sum = 0;
    for (int32 i = 1; i <= rows; ++i)
        for (int32 j = 1; j <= cols; ++j)
            sum += m[i][j];
    (void)sum;
}

std::vector<int32> picked(int32 n, int32 from, int32 to, int32 step)
{
    const std::int64_t first = from < 1 ? 1 : from;
    const std::int64_t last = std::min<std::int64_t>(std::max<std::int64_t>(to < 1 ? n : to, first), n);
    std::vector<int32> indices;
    for (std::int64_t k = first; k <= last; k += step < 1 ? 1 : step)
        indices.push_back(int32(k));
    return indices;
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
    return size >= 8 && strncasecmp(reinterpret_cast<const char *>(data), "matlab", 6) == 0;
}

bool declaredSizeIsFuzzable(const char *path)
{
    std::FILE *file = std::fopen(path, "rb");
    if (!file)
        return true;
    int32 rows = 0, cols = 0, maxCount = 0;
    int isText = 0, isFloat = 0, swap = 0, isMatlab = 0;
    const long offset = readMatrixHeader(file, &rows, &cols, &maxCount, &isText, &isFloat, &swap, &isMatlab);
    std::fclose(file);
    // Text and expanded sparse matrices above 256 Ki elements are left out of fuzzing
    // (2 MiB of doubles): all their elements are written back as text.
    return offset <= 0 || !(isText || maxCount > 0) || double(rows) * double(cols) <= 256.0 * 1024;
}

} // namespace fuzzinput
