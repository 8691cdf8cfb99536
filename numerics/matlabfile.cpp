#include "numerics/matlabfile.h"

#include "numerics/matiolibrary.h"
#include "numerics/matrixmemory.h"

#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// One axis of getmatrix's selection, resolved against the array: first index
// (from 1), step and number of picked indices.
struct AxisPick
{
    std::int64_t first;
    std::int64_t step;
    std::int64_t count;
};

// Values below 1 take their defaults (from 1, to the extent, step 1), a `to` below
// its `from` rises to it, and the range ends at the extent. False when the start
// lies beyond the extent: there is nothing there to read.
bool pickAxis(std::int32_t from, std::int32_t to, std::int32_t step, std::size_t extent,
              AxisPick &pick)
{
    const std::int64_t last = std::int64_t(std::min<std::size_t>(extent, INT32_MAX));
    const std::int64_t first = from < 1 ? 1 : from;
    std::int64_t end = to < 1 ? last : to;
    if (end < first)
        end = first;
    if (first > last)
        return false;
    pick.first = first;
    pick.step = step < 1 ? 1 : step;
    pick.count = (std::min(last, end) - first) / pick.step + 1;
    return true;
}

// Whether the walk stops at this variable: a numeric array of the asked name (any
// name when none is asked, letter case ignored), or a structure whose field of the
// asked name ("field" when none is asked) is numeric. Returns the array to read
// and, for a structure, copies its name to foundName.
const matvar_t *chosenArray(const MatioFunctions &mat, matvar_t *variable,
                            const char *variableName, char *foundName)
{
    if (matioIsNumeric(variable)
        && (!variableName || (variable->name && strcasecmp(variable->name, variableName) == 0)))
        return variable;
    const matvar_t *field = matioField(mat, variable, variableName ? variableName : "field");
    if (!field || !matioIsNumeric(field))
        return nullptr;
    if (foundName && variable->name) {
        std::strncpy(foundName, variable->name, matlabNameCapacity - 1);
        foundName[matlabNameCapacity - 1] = '\0';
    }
    return field;
}

// The selected part of array as a new 1-based matrix; null after a message when
// the selection starts outside the array or memory is short.
double **selectedPart(const matvar_t *array, const char *fileName, std::int32_t *rows,
                      std::int32_t *cols, std::int32_t rowFrom, std::int32_t rowTo,
                      std::int32_t rowStep, std::int32_t colFrom, std::int32_t colTo,
                      std::int32_t colStep, int transposed)
{
    const std::size_t arrayRows = matioRowCount(array);
    const std::size_t arrayColumns = matioColumnCount(array);
    // Transposed, the row values pick array columns and the column values array rows.
    AxisPick down{};
    AxisPick across{};
    if (!pickAxis(rowFrom, rowTo, rowStep, transposed ? arrayColumns : arrayRows, down)
        || !pickAxis(colFrom, colTo, colStep, transposed ? arrayRows : arrayColumns, across)) {
        std::printf("Error reading matlab file %s\n", fileName);
        return nullptr;
    }
    double **m = dmatrix(1, std::int32_t(down.count), 1, std::int32_t(across.count));
    if (!m)
        return nullptr;
    for (std::int64_t i = 1; i <= down.count; ++i) {
        const std::size_t x = std::size_t(down.first + (i - 1) * down.step);
        for (std::int64_t j = 1; j <= across.count; ++j) {
            const std::size_t y = std::size_t(across.first + (j - 1) * across.step);
            const std::size_t r = transposed ? y : x;
            const std::size_t c = transposed ? x : y;
            m[i][j] = matioElement(array, (r - 1) + (c - 1) * arrayRows);
        }
    }
    *rows = std::int32_t(down.count);
    *cols = std::int32_t(across.count);
    return m;
}

} // namespace

int loadMatlabLibraries(const char *fileName)
{
    return matioFunctions(fileName) ? 1 : 0;
}

double **readMatlabMatrix(const char *fileName, std::int32_t *rows, std::int32_t *cols,
                          const char *variableName,
                          std::int32_t rowFrom, std::int32_t rowTo, std::int32_t rowStep,
                          std::int32_t colFrom, std::int32_t colTo, std::int32_t colStep,
                          int transposed, char *foundName)
{
    if (foundName)
        foundName[0] = '\0';
    *rows = *cols = 0;
    const MatioFunctions *mat = matioFunctions(fileName);
    if (!mat)
        return nullptr;
    mat_t *file = fileName ? mat->open(fileName, MAT_ACC_RDONLY) : nullptr;
    if (!file) {
        std::printf("\n Error opening matlab file %s\n\n", fileName ? fileName : "");
        return nullptr;
    }
    matvar_t *variable = nullptr;
    const matvar_t *chosen = nullptr;
    while (!chosen && (variable = mat->readNext(file))) {
        chosen = chosenArray(*mat, variable, variableName, foundName);
        if (!chosen)
            mat->release(variable);
    }
    if (!chosen) {
        mat->close(file);
        if (variableName)
            std::printf("Did not find %s in matlab file %s\n", variableName, fileName);
        else
            std::printf("Error reading matlab file %s\n", fileName);
        return nullptr;
    }
    double **m = selectedPart(chosen, fileName, rows, cols, rowFrom, rowTo, rowStep,
                              colFrom, colTo, colStep, transposed);
    mat->release(variable);
    mat->close(file);
    return m;
}

int writeMatlabMatrix(const char *fileName, double **m, std::int32_t rows, std::int32_t cols,
                      const char *variableName)
{
    const MatioFunctions *mat = matioFunctions(fileName);
    if (!mat)
        return 0;
    if (!fileName || !m || rows < 1 || cols < 1) {
        std::printf("\n Error writing to matlab file %s\n\n", fileName ? fileName : "");
        return 0;
    }
    mat_t *file = mat->create(fileName, nullptr, MAT_FT_MAT5);
    if (!file) {
        std::printf("\n Error opening matlab file %s\n\n", fileName);
        return 0;
    }
    const std::size_t count = std::size_t(rows) * std::size_t(cols);
    auto *columnOrder = static_cast<double *>(std::malloc(count * sizeof(double)));
    std::size_t dims[2] = {std::size_t(rows), std::size_t(cols)};
    // The array borrows our buffer (no second copy of a large image), so it is
    // released before the buffer.
    matvar_t *array = columnOrder
        ? mat->createArray(variableName && *variableName ? variableName : "m", MAT_C_DOUBLE,
                           MAT_T_DOUBLE, 2, dims, columnOrder, MAT_F_DONT_COPY_DATA)
        : nullptr;
    if (!array) {
        std::printf("\n Out of memory while writing matlab file %s\n\n", fileName);
        std::free(columnOrder);
        mat->close(file);
        return 0;
    }
    for (std::int32_t i = 1; i <= rows; ++i)
        for (std::int32_t j = 1; j <= cols; ++j)
            columnOrder[std::size_t(i - 1) + std::size_t(j - 1) * std::size_t(rows)] = m[i][j];
    const bool written = mat->write(file, array, MAT_COMPRESSION_ZLIB) == 0;
    mat->release(array);
    std::free(columnOrder);
    // The data may still sit in the stream's buffer: a failing close loses them.
    const bool closed = mat->close(file) == 0;
    if (!written || !closed) {
        std::printf("\n Error writing to matlab file %s\n\n", fileName);
        return 0;
    }
    return 1;
}
