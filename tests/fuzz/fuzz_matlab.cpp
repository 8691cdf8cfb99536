// Fuzz target for readMatlabMatrix: every input is read as a MAT-file with the
// first numeric variable, with a name, and with a selection steered by its last
// bytes; the selection must have the size an independent count gives, and
// getmatrix, which hands a MAT-file to the same reader, the whole read's size.
// Needs the matio library at run time; without it every input is passed over.

#include "fuzzinput.h"

#include "numerics/matlabfile.h"
#include "numerics/matrixfile.h"

#include <cstring>

using fuzzinput::check;
using fuzzinput::Matrix;

namespace {

// Reads the first numeric variable, or the one of that name, with the given selection.
void read(const char *path, Matrix &into, const char *name, const std::array<int32, 6> &v, bool transposed)
{
    char foundName[matlabNameCapacity] = {};
    into.m = readMatlabMatrix(path, &into.rows, &into.cols, name, v[0], v[1], v[2], v[3], v[4], v[5], transposed,
                              foundName);
    if (!into.m)
        return check(into.rows == 0 && into.cols == 0, "a failed read left a size");
    fuzzinput::touchAll(into.m, into.rows, into.cols);
    check(std::memchr(foundName, '\0', sizeof foundName) != nullptr, "the found name is not terminated");
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
    const char *path = matioAvailable() ? fuzzinput::memoryFile("relaxon-fuzz-mat", data, size) : nullptr;
    if (!path)
        return 0;
    const fuzzinput::TrailingControls controls(data, size);
    const std::array<int32, 6> whole{-1, -1, -1, -1, -1, -1};

    Matrix first;
    read(path, first, nullptr, whole, false);
    static const char *const names[] = {"m", "field", "node", "Signal"};
    Matrix named;
    read(path, named, names[controls.byte(7) % 4], whole, false);
    if (!first.m)
        return 0;
    // matio leaves the data of some damaged arrays unread (an element type it does
    // not know), so their values are whatever the memory held and may differ from
    // read to read: only sizes are compared, never values.
    if (fuzzinput::isMatlabFile(data, size)) {
        Matrix handedOver;
        handedOver.m = getmatrix(path, &handedOver.rows, &handedOver.cols, nullptr, nullptr, nullptr, nullptr, -1,
                                 -1, -1, -1, -1, -1, 0);
        check(handedOver.m && handedOver.rows == first.rows && handedOver.cols == first.cols,
              "getmatrix read a MAT-file differently");
    }
    const std::array<int32, 6> v = controls.selection();
    const bool transposed = controls.transposed();
    Matrix part;
    read(path, part, nullptr, v, transposed);
    // The row values pick array columns in a transposed read.
    const std::size_t down = fuzzinput::picked(transposed ? first.cols : first.rows, v[0], v[1], v[2]).size();
    const std::size_t across = fuzzinput::picked(transposed ? first.rows : first.cols, v[3], v[4], v[5]).size();
    if (down == 0 || across == 0)
        check(!part.m, "a selection starting beyond the array was read");
    else
        check(part.m && std::size_t(part.rows) == down && std::size_t(part.cols) == across,
              "a selection has the wrong size");
    return 0;
}
