// Fuzz target for getmatrix: every input is read as a matrix file whole, with and
// without tail and sparse outputs, transposed, with a selection steered by its
// last bytes, and written back with both writers. The reads must agree with each
// other element by element, and a write followed by a read must give the same
// matrix and tail. MAT-files are the MAT-file target's.

#include "fuzzinput.h"

#include "numerics/matrixfile.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

using fuzzinput::check;
using fuzzinput::sameBits;

namespace {

struct Matrix
{
    double **m = nullptr;
    int32 rows = 0;
    int32 cols = 0;
    int32 tailLength = 0;
    char *tail = nullptr;

    Matrix() = default;
    Matrix(const Matrix &) = delete;
    Matrix &operator=(const Matrix &) = delete;
    ~Matrix()
    {
        if (m)
            free_dmatrix(m, 1, rows, 1);
        std::free(tail);
    }
};

void checkShapeAndTail(const Matrix &read)
{
    check(read.rows >= 1 && read.cols >= 1, "a matrix was returned with no rows or columns");
    // Touches every element: a short block shows up under the address sanitizer.
    double sum = 0;
    for (int32 i = 1; i <= read.rows; ++i)
        for (int32 j = 1; j <= read.cols; ++j)
            sum += read.m[i][j];
    (void)sum;
    if (!read.tail) {
        check(read.tailLength == 0, "no tail but a tail length");
        return;
    }
    check(read.tailLength > 0, "an empty tail was handed out");
    check(read.tail[read.tailLength] == '\0', "tail without its closing NUL");
    check(std::memchr(read.tail, '\n', std::size_t(read.tailLength)) == nullptr,
          "a line feed survived in the tail");
}

// The sparse read must hold exactly the whole read's values: rows are rebuilt from
// the counts and indices (a later entry for the same column wins, as in the
// expansion) and compared bit for bit.
void checkSparseAgainstWhole(const Matrix &whole, double **values, int32 rows, int32 cols,
                             const int32 *counts, int32 *const *indices)
{
    check(rows == whole.rows && cols == whole.cols, "sparse read has another size");
    std::vector<double> row(std::size_t(cols) + 1);
    for (int32 i = 1; i <= rows; ++i) {
        std::fill(row.begin(), row.end(), 0.0);
        check(counts[i] >= 0, "negative sparse count");
        for (int32 k = 1; k <= counts[i]; ++k) {
            check(indices[i][k] >= 1 && indices[i][k] <= cols, "sparse column out of range");
            row[std::size_t(indices[i][k])] = values[i][k];
        }
        for (int32 j = 1; j <= cols; ++j)
            check(sameBits(row[std::size_t(j)], whole.m[i][j]),
                  "sparse values differ from the expanded matrix");
    }
}

// The selection over n file rows or columns, computed independently of the
// library: the file indices it picks (none when from lies beyond n), and whether
// it is the default one (from 1, step 1, to the end), the only one a sparse file
// allows.
struct Picked
{
    std::vector<int32> indices;
    bool valid = false;
    bool whole = false;
};

Picked picked(int32 n, int32 from, int32 to, int32 step)
{
    const std::int64_t first = from < 1 ? 1 : from;
    std::int64_t last = to < 1 ? n : to;
    const std::int64_t stride = step < 1 ? 1 : step;
    if (last < first)
        last = first;
    last = std::min<std::int64_t>(last, n);
    Picked pick;
    pick.valid = first <= n;
    for (std::int64_t k = first; pick.valid && k <= last; k += stride)
        pick.indices.push_back(int32(k));
    pick.whole = first == 1 && stride == 1 && last == n;
    return pick;
}

void checkTransposed(const char *path, const Matrix &whole, bool sparse)
{
    Matrix transposed;
    transposed.m = getmatrix(path, &transposed.rows, &transposed.cols, nullptr, nullptr, nullptr,
                             nullptr, -1, -1, -1, -1, -1, -1, 1);
    if (sparse) {
        check(!transposed.m, "a sparse file was read transposed");
        return;
    }
    check(transposed.m, "the transposed read of a readable file failed");
    check(transposed.rows == whole.cols && transposed.cols == whole.rows,
          "the transposed read has the wrong size");
    for (int32 i = 1; i <= whole.rows; ++i)
        for (int32 j = 1; j <= whole.cols; ++j)
            check(sameBits(transposed.m[j][i], whole.m[i][j]),
                  "the transposed read differs from the whole read");
}

void checkSelection(const char *path, const Matrix &whole, bool sparse,
                    const fuzzinput::TrailingControls &controls)
{
    const bool transposed = controls.byte(0) & 1;
    const int32 v[6] = {controls.selectionValue(1), controls.selectionValue(2),
                        controls.selectionValue(3), controls.selectionValue(4),
                        controls.selectionValue(5), controls.selectionValue(6)};
    Matrix part;
    part.m = getmatrix(path, &part.rows, &part.cols, nullptr, nullptr, nullptr, nullptr, v[0],
                       v[1], v[2], v[3], v[4], v[5], transposed);
    // The row values pick file columns in a transposed read.
    const Picked down = picked(transposed ? whole.cols : whole.rows, v[0], v[1], v[2]);
    const Picked across = picked(transposed ? whole.rows : whole.cols, v[3], v[4], v[5]);
    if (!down.valid || !across.valid || (sparse && (transposed || !down.whole || !across.whole))) {
        check(!part.m, "a selection that cannot be read was read");
        return;
    }
    check(part.m, "a valid selection of a readable file failed");
    check(part.rows == int32(down.indices.size()) && part.cols == int32(across.indices.size()),
          "the selection has the wrong size");
    for (int32 i = 1; i <= part.rows; ++i)
        for (int32 j = 1; j <= part.cols; ++j) {
            const int32 r = down.indices[std::size_t(i - 1)];
            const int32 c = across.indices[std::size_t(j - 1)];
            const double expected = transposed ? whole.m[c][r] : whole.m[r][c];
            check(sameBits(part.m[i][j], expected), "the selection differs from the whole read");
        }
}

// The tail as a writer takes it: lines ending with line feeds.
std::vector<char> fileFormTail(const Matrix &read)
{
    std::vector<char> bytes(read.tail, read.tail + read.tailLength);
    for (char &c : bytes)
        if (c == '\0')
            c = '\n';
    return bytes;
}

void checkRoundTrip(const Matrix &whole, bool text)
{
    static fuzzinput::MemoryFile written("relaxon-fuzz-written");
    const std::vector<char> tail = fileFormTail(whole);
    const int ok = text ? putmatrix_text(written.path(), whole.m, whole.rows, whole.cols, " %.17g",
                                         int32(tail.size()), tail.data(), nullptr, nullptr)
                        : putmatrix(written.path(), whole.m, whole.rows, whole.cols,
                                    int32(tail.size()), tail.data(), nullptr, nullptr);
    check(ok == 1, "writing a matrix that was read failed");
    Matrix back;
    back.m = getmatrix(written.path(), &back.rows, &back.cols, &back.tailLength, &back.tail,
                       nullptr, nullptr, -1, -1, -1, -1, -1, -1, 0);
    check(back.m, "a written matrix cannot be read back");
    check(back.rows == whole.rows && back.cols == whole.cols, "read back with another size");
    for (int32 i = 1; i <= whole.rows; ++i)
        for (int32 j = 1; j <= whole.cols; ++j) {
            const double before = whole.m[i][j];
            const double after = back.m[i][j];
            // Text has one word for every value that is not a number.
            const bool same = text && !std::isfinite(before) ? std::isnan(after)
                                                            : sameBits(after, before);
            check(same, "a value changed in a write and read");
        }
    // A text file's reader drops the line ends the tail begins with.
    std::size_t skip = 0;
    while (text && skip < std::size_t(whole.tailLength) && whole.tail[skip] == '\0')
        ++skip;
    const std::size_t expected = std::size_t(whole.tailLength) - skip;
    // The reader takes at most 65536 bytes after the data, the line ends the text
    // writer puts after the last value (up to two) included: a tail at that cap
    // may come back shortened.
    const bool atCap = text && expected + 2 >= 65536;
    check(std::size_t(back.tailLength) == expected
              || (atCap && std::size_t(back.tailLength) < expected),
          "the tail changed its length");
    check(back.tailLength == 0
              || std::memcmp(back.tail, whole.tail + skip, std::size_t(back.tailLength)) == 0,
          "the tail changed in a write and read");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static fuzzinput::MemoryFile input("relaxon-fuzz-matrix");
    if (fuzzinput::isMatlabFile(data, size) || !input.assign(data, size)
        || !fuzzinput::declaredSizeIsFuzzable(input.path()))
        return 0;
    const char *path = input.path();

    Matrix whole;
    whole.m = getmatrix(path, &whole.rows, &whole.cols, &whole.tailLength, &whole.tail, nullptr,
                        nullptr, -1, -1, -1, -1, -1, -1, 0);
    if (!whole.m) {
        check(whole.rows == 0 && whole.cols == 0 && !whole.tail && whole.tailLength == 0,
              "a failed read left outputs set");
        return 0;
    }
    checkShapeAndTail(whole);

    int32 rows = 0, cols = 0;
    int32 *counts = nullptr;
    int32 **indices = nullptr;
    double **values = getmatrix(path, &rows, &cols, nullptr, nullptr, &counts, &indices, -1, -1,
                                -1, -1, -1, -1, 0);
    check(values, "the second read of a readable file failed");
    const bool sparse = counts != nullptr;
    check(sparse == (indices != nullptr), "only one of counts and indices was handed out");
    if (sparse) {
        checkSparseAgainstWhole(whole, values, rows, cols, counts, indices);
        free_imatrix(indices, 1, rows, 1);
        free_ivector(counts, 1, rows);
    } else {
        check(rows == whole.rows && cols == whole.cols, "the second read has another size");
        for (int32 i = 1; i <= rows; ++i)
            for (int32 j = 1; j <= cols; ++j)
                check(sameBits(values[i][j], whole.m[i][j]), "two reads differ");
    }
    free_dmatrix(values, 1, rows, 1);

    checkTransposed(path, whole, sparse);
    checkSelection(path, whole, sparse, fuzzinput::TrailingControls(data, size));
    checkRoundTrip(whole, false);
    checkRoundTrip(whole, true);
    return 0;
}
