// Fuzz target for getmatrix: every input is read as a matrix file whole, with and
// without tail and sparse outputs, transposed, with a selection steered by its
// last bytes, and written back with both writers. The reads must agree with each
// other element by element, and a write followed by a read must give the same
// matrix and tail. MAT-files are the MAT-file target's.

#include "fuzzinput.h"

#include "numerics/matrixfile.h"

#include <algorithm>
#include <cmath>
#include <cstring>

using fuzzinput::check;
using fuzzinput::Matrix;
using fuzzinput::sameBits;

namespace {

const std::array<int32, 6> defaultSelection{-1, -1, -1, -1, -1, -1};

// Reads the file with the given selection (-1: the default) and order, tail and
// sparse outputs only when asked for.
void read(const char *path, Matrix &into, const std::array<int32, 6> &v = defaultSelection, bool transposed = false,
          bool withTail = false, bool withSparse = false)
{
    into.m = getmatrix(path, &into.rows, &into.cols, withTail ? &into.tailLength : nullptr,
                       withTail ? &into.tail : nullptr, withSparse ? &into.counts : nullptr,
                       withSparse ? &into.indices : nullptr, v[0], v[1], v[2], v[3], v[4], v[5], transposed);
}

void checkShapeAndTail(const Matrix &read)
{
    fuzzinput::touchAll(read.m, read.rows, read.cols);
    if (!read.tail)
        return check(read.tailLength == 0, "no tail but a tail length");
    check(read.tailLength > 0, "an empty tail was handed out");
    check(read.tail[read.tailLength] == '\0', "tail without its closing NUL");
    check(std::memchr(read.tail, '\n', std::size_t(read.tailLength)) == nullptr, "a line feed survived in the tail");
}

// A second read must hold exactly the whole read's values. A sparse one's rows are
// rebuilt from the counts and indices (a later entry for the same column wins, as
// in the expansion); all are compared bit for bit.
void checkSecondRead(const Matrix &whole, const Matrix &second)
{
    const int32 *counts = second.counts;
    check(second.rows == whole.rows && second.cols == whole.cols, "the second read has another size");
    std::vector<double> row(std::size_t(second.cols) + 1);
    for (int32 i = 1; i <= second.rows; ++i) {
        std::copy(second.m[i] + 1, second.m[i] + 1 + (counts ? 0 : second.cols), row.begin() + 1);
        if (counts) {
            std::fill(row.begin(), row.end(), 0.0);
            check(counts[i] >= 0, "negative sparse count");
            for (int32 k = 1; k <= counts[i]; ++k) {
                check(second.indices[i][k] >= 1 && second.indices[i][k] <= second.cols, "sparse column out of range");
                row[std::size_t(second.indices[i][k])] = second.m[i][k];
            }
        }
        for (int32 j = 1; j <= second.cols; ++j)
            check(sameBits(row[std::size_t(j)], whole.m[i][j]), "the second read differs from the whole read");
    }
}

// A selection (or the whole file transposed) must hold the elements an independent
// count of rows and columns names.
void checkSelection(const char *path, const Matrix &whole, bool sparse, const std::array<int32, 6> &v,
                    bool transposed)
{
    Matrix part;
    read(path, part, v, transposed);
    // The row values pick file columns in a transposed read.
    const std::vector<int32> down = fuzzinput::picked(transposed ? whole.cols : whole.rows, v[0], v[1], v[2]);
    const std::vector<int32> across = fuzzinput::picked(transposed ? whole.rows : whole.cols, v[3], v[4], v[5]);
    // The default selection (from 1 by 1 to the end) is the only one a sparse file allows.
    const auto isDefault = [](int32 n, int32 from, int32 to, int32 step) {
        return from <= 1 && step <= 1 && (to < 1 || to >= n);
    };
    const bool wholeFile = isDefault(transposed ? whole.cols : whole.rows, v[0], v[1], v[2])
                           && isDefault(transposed ? whole.rows : whole.cols, v[3], v[4], v[5]);
    if (down.empty() || across.empty() || (sparse && (transposed || !wholeFile)))
        return check(!part.m, "a selection that cannot be read was read");
    check(part.m && part.rows == int32(down.size()) && part.cols == int32(across.size()),
          "a valid selection of a readable file failed or has the wrong size");
    for (int32 i = 1; i <= part.rows; ++i)
        for (int32 j = 1; j <= part.cols; ++j) {
            const int32 r = down[std::size_t(i - 1)];
            const int32 c = across[std::size_t(j - 1)];
            check(sameBits(part.m[i][j], transposed ? whole.m[c][r] : whole.m[r][c]),
                  "the selection differs from the whole read");
        }
}

void checkRoundTrip(const Matrix &whole, bool text)
{
    const char *written = fuzzinput::memoryFile("relaxon-fuzz-written");
    // The tail as a writer takes it: lines ending with line feeds.
    std::vector<char> tail(whole.tail, whole.tail + whole.tailLength);
    std::replace(tail.begin(), tail.end(), '\0', '\n');
    const int ok = text ? putmatrix_text(written, whole.m, whole.rows, whole.cols, " %.17g",
                                         int32(tail.size()), tail.data(), nullptr, nullptr)
                        : putmatrix(written, whole.m, whole.rows, whole.cols, int32(tail.size()),
                                    tail.data(), nullptr, nullptr);
    check(ok == 1, "writing a matrix that was read failed");
    Matrix back;
    read(written, back, defaultSelection, false, true);
    check(back.m && back.rows == whole.rows && back.cols == whole.cols,
          "a written matrix cannot be read back with its size");
    for (int32 i = 1; i <= whole.rows; ++i)
        for (int32 j = 1; j <= whole.cols; ++j) {
            const double before = whole.m[i][j];
            // Text has one word for every value that is not a number.
            check(text && !std::isfinite(before) ? std::isnan(back.m[i][j]) : sameBits(back.m[i][j], before),
                  "a value changed in a write and read");
        }
    // A text file's reader drops the line ends the tail begins with, CR LF ones too.
    std::size_t skip = 0;
    const std::size_t length = std::size_t(whole.tailLength);
    while (text && skip < length
           && (whole.tail[skip] == '\0'
               || (whole.tail[skip] == '\r' && (skip + 1 == length || whole.tail[skip + 1] == '\0'))))
        ++skip;
    const std::size_t expected = length - skip;
    // The reader takes at most 65536 bytes after the data, the line ends the text
    // writer puts after the last value (up to two) included: a tail at that cap
    // may come back shortened.
    const bool atCap = text && expected + 2 >= 65536;
    check(std::size_t(back.tailLength) == expected || (atCap && std::size_t(back.tailLength) < expected),
          "the tail changed its length");
    check(back.tailLength == 0 || std::memcmp(back.tail, whole.tail + skip, std::size_t(back.tailLength)) == 0,
          "the tail changed in a write and read");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const char *path =
        fuzzinput::isMatlabFile(data, size) ? nullptr : fuzzinput::memoryFile("relaxon-fuzz-matrix", data, size);
    if (!path || !fuzzinput::declaredSizeIsFuzzable(path))
        return 0;

    Matrix whole;
    read(path, whole, defaultSelection, false, true);
    if (!whole.m) {
        check(whole.rows == 0 && whole.cols == 0 && !whole.tail && whole.tailLength == 0,
              "a failed read left outputs set");
        return 0;
    }
    checkShapeAndTail(whole);

    Matrix second;
    read(path, second, defaultSelection, false, false, true);
    check(second.m, "the second read of a readable file failed");
    const bool sparse = second.counts != nullptr;
    check(sparse == (second.indices != nullptr), "only one of counts and indices was handed out");
    checkSecondRead(whole, second);

    const fuzzinput::TrailingControls controls(data, size);
    checkSelection(path, whole, sparse, defaultSelection, true);
    checkSelection(path, whole, sparse, controls.selection(), controls.transposed());
    checkRoundTrip(whole, false);
    checkRoundTrip(whole, true);
    return 0;
}
