// Fuzz target for readMatlabMatrix: every input is read as a MAT-file with the
// first numeric variable, with a name, and with a selection steered by its last
// bytes; the selection must have the size an independent count gives, and
// getmatrix, which hands a MAT-file to the same reader, the whole read's size.
// Needs the matio library at run time; without it every input is passed over.

#include "fuzzinput.h"

#include "numerics/matlabfile.h"
#include "numerics/matrixfile.h"
#include "numerics/matrixmemory.h"

#include <algorithm>
#include <cstring>

using fuzzinput::check;

namespace {

struct Read
{
    double **m = nullptr;
    std::int32_t rows = 0;
    std::int32_t cols = 0;
    char foundName[matlabNameCapacity] = {};

    Read() = default;
    Read(const Read &) = delete;
    Read &operator=(const Read &) = delete;
    ~Read()
    {
        if (m)
            free_dmatrix(m, 1, rows, 1);
    }
};

void checkRead(const Read &read)
{
    if (!read.m) {
        check(read.rows == 0 && read.cols == 0, "a failed read left a size");
        return;
    }
    check(read.rows >= 1 && read.cols >= 1, "a matrix without rows or columns");
    check(std::memchr(read.foundName, '\0', sizeof read.foundName) != nullptr,
          "the found name is not terminated");
    double sum = 0;
    for (std::int32_t i = 1; i <= read.rows; ++i)
        for (std::int32_t j = 1; j <= read.cols; ++j)
            sum += read.m[i][j];
    (void)sum;
}

// Number of indices a selection picks over n, computed independently of the
// library; 0 when it starts beyond n.
std::int64_t picked(std::int64_t n, std::int32_t from, std::int32_t to, std::int32_t step)
{
    const std::int64_t first = from < 1 ? 1 : from;
    std::int64_t last = to < 1 ? n : to;
    const std::int64_t stride = step < 1 ? 1 : step;
    if (last < first)
        last = first;
    if (first > n)
        return 0;
    return (std::min(last, n) - first) / stride + 1;
}

bool matioAvailable()
{
    // Without the library this prints its "not available" message once.
    static const bool available = loadMatlabLibraries("fuzz input") != 0;
    return available;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static fuzzinput::MemoryFile input("relaxon-fuzz-mat");
    if (!matioAvailable() || !input.assign(data, size))
        return 0;
    const char *path = input.path();
    const fuzzinput::TrailingControls controls(data, size);

    Read whole;
    whole.m = readMatlabMatrix(path, &whole.rows, &whole.cols, nullptr, -1, -1, -1, -1, -1, -1,
                               0, whole.foundName);
    checkRead(whole);

    static const char *const names[] = {"m", "field", "node", "Signal"};
    Read named;
    named.m = readMatlabMatrix(path, &named.rows, &named.cols, names[controls.byte(7) % 4], -1,
                               -1, -1, -1, -1, -1, 0, named.foundName);
    checkRead(named);

    if (!whole.m)
        return 0;
    // matio leaves the data of some damaged arrays unread (an element type it does
    // not know), so their values are whatever the memory held and may differ from
    // read to read: only sizes are compared, never values.
    if (fuzzinput::isMatlabFile(data, size)) {
        Read handedOver;
        handedOver.m = getmatrix(path, &handedOver.rows, &handedOver.cols, nullptr, nullptr,
                                 nullptr, nullptr, -1, -1, -1, -1, -1, -1, 0);
        check(handedOver.m && handedOver.rows == whole.rows && handedOver.cols == whole.cols,
              "getmatrix read a MAT-file differently");
    }
    const bool transposed = controls.byte(0) & 1;
    const std::int32_t v[6] = {controls.selectionValue(1), controls.selectionValue(2),
                               controls.selectionValue(3), controls.selectionValue(4),
                               controls.selectionValue(5), controls.selectionValue(6)};
    Read part;
    part.m = readMatlabMatrix(path, &part.rows, &part.cols, nullptr, v[0], v[1], v[2], v[3], v[4],
                              v[5], transposed, nullptr);
    checkRead(part);
    // The row values pick array columns in a transposed read.
    const std::int64_t down = picked(transposed ? whole.cols : whole.rows, v[0], v[1], v[2]);
    const std::int64_t across = picked(transposed ? whole.rows : whole.cols, v[3], v[4], v[5]);
    if (down == 0 || across == 0)
        check(!part.m, "a selection starting beyond the array was read");
    else
        check(part.m && part.rows == down && part.cols == across,
              "a selection has the wrong size");
    return 0;
}
