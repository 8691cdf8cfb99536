#include "numerics/matlabfile.h"

#include "numerics/matiolibrary.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// The geometry half of the MAT-file operations: a mesh of nodes (x, y, z) and
// cells or faces that count nodes.

namespace {

std::size_t elementCount(const matvar_t *variable)
{
    return matioRowCount(variable) * matioColumnCount(variable);
}

// Hangs array into the structure's field name, adding the field to a reused
// structure that lacks it; the field's previous array is released. On failure
// the array is not taken and stays the caller's.
bool putField(const MatioFunctions &mat, matvar_t *structure, const char *name, matvar_t *array)
{
    if (!matioHasField(mat, structure, name) && mat.addField(structure, name) != 0)
        return false;
    matvar_t *previous = mat.setField(structure, name, 0, array);
    if (mat.field(structure, name, 0) != array)
        return false;
    if (previous)
        mat.release(previous);
    return true;
}

// The structure to write the geometry into: when updating, the file's variable of
// that name if it is a structure (its other fields survive); otherwise a new one
// with the fields "node" and "cell". replacesVariable tells whether the file
// already holds a variable of that name, which must go before the new one is
// written.
matvar_t *geometryStructure(const MatioFunctions &mat, mat_t *file, bool updating,
                            const char *name, bool &replacesVariable)
{
    replacesVariable = false;
    if (updating) {
        if (matvar_t *existing = mat.read(file, name)) {
            replacesVariable = true;
            if (existing->class_type == MAT_C_STRUCT && elementCount(existing) > 0)
                return existing;
            mat.release(existing);
        }
    }
    static const char *const fields[] = {"node", "cell", nullptr};
    const std::size_t dims[2] = {1, 1};
    return mat.createStruct(name, 2, dims, fields);
}

// The n x 3 or 3 x n array as n triples, triple k at [3k .. 3k + 2] of a new
// malloc'ed block; null for any other shape or when memory is short. A 3 x 3
// array is read one triple per row.
double *triplesOf(const matvar_t *array, std::int32_t &count)
{
    const std::size_t rows = matioRowCount(array);
    const std::size_t columns = matioColumnCount(array);
    const bool onePerRow = columns == 3;
    if (!onePerRow && rows != 3)
        return nullptr;
    const std::size_t n = onePerRow ? rows : columns;
    if (n > std::size_t(INT32_MAX) / 3)
        return nullptr;
    auto *triples = static_cast<double *>(std::malloc(3 * n * sizeof(double)));
    if (!triples)
        return nullptr;
    for (std::size_t k = 0; k < n; ++k)
        for (std::size_t c = 0; c < 3; ++c)
            triples[3 * k + c] = matioElement(array, onePerRow ? k + c * rows : c + 3 * k);
    count = std::int32_t(n);
    return triples;
}

// Replaces nodes by the array's triples when its shape fits.
void takeNodes(const matvar_t *array, double *&nodes, std::int32_t &nNodes)
{
    std::int32_t count = 0;
    if (!array || !matioIsNumeric(array))
        return;
    if (double *triples = triplesOf(array, count)) {
        std::free(nodes);
        nodes = triples;
        nNodes = count;
    }
}

// Replaces faces by the array's triples, rounded to the nearest node number, when
// its shape fits.
void takeFaces(const matvar_t *array, std::int32_t *&faces, std::int32_t &nFaces)
{
    std::int32_t count = 0;
    if (!array || !matioIsNumeric(array))
        return;
    double *triples = triplesOf(array, count);
    if (!triples)
        return;
    auto *numbers = static_cast<std::int32_t *>(std::malloc(3 * std::size_t(count) * sizeof(std::int32_t)));
    if (numbers) {
        for (std::size_t k = 0; k < 3 * std::size_t(count); ++k) {
            const double rounded = std::round(triples[k]);
            numbers[k] = rounded >= INT32_MIN && rounded <= INT32_MAX ? std::int32_t(rounded) : -1;
        }
        std::free(faces);
        faces = numbers;
        nFaces = count;
    }
    std::free(triples);
}

// Faces written elsewhere usually count nodes from 1; ours count from 0.
void countFromZero(std::int32_t *faces, std::int32_t nFaces)
{
    if (nFaces < 1)
        return;
    std::int32_t smallest = faces[0];
    for (std::size_t k = 1; k < 3 * std::size_t(nFaces); ++k)
        smallest = std::min(smallest, faces[k]);
    if (smallest != 0)
        for (std::size_t k = 0; k < 3 * std::size_t(nFaces); ++k)
            faces[k] -= smallest;
}

} // namespace

int writeMatlabGeometry(const char *fileName, const double *nodes, std::int32_t nNodes,
                        const std::int32_t *cells, std::int32_t nCells,
                        const char *variableName, int update)
{
    const MatioFunctions *mat = matioFunctions(fileName);
    if (!mat)
        return 0;
    if (!fileName || !nodes || nNodes < 1 || nCells < 0 || (nCells > 0 && !cells)) {
        std::printf("\n Error writing to matlab file %s\n\n", fileName ? fileName : "");
        return 0;
    }
    const char *name = variableName && *variableName ? variableName : "Geometry";
    mat_t *file = update ? mat->open(fileName, MAT_ACC_RDWR) : nullptr;
    const bool updating = file != nullptr;
    if (!file)
        file = mat->create(fileName, nullptr, MAT_FT_MAT5);
    if (!file) {
        std::printf("\n Error opening matlab file %s\n\n", fileName);
        return 0;
    }

    // Both arrays borrow these buffers, so the structure is released before them.
    auto *nodeColumns = static_cast<double *>(std::malloc(3 * std::size_t(nNodes) * sizeof(double)));
    auto *cellColumns = static_cast<std::uint32_t *>(
        std::malloc((4 * std::size_t(nCells) + 1) * sizeof(std::uint32_t)));
    bool replacesVariable = false;
    matvar_t *geometry = geometryStructure(*mat, file, updating, name, replacesVariable);
    matvar_t *nodeArray = nullptr;
    matvar_t *cellArray = nullptr;
    if (nodeColumns && cellColumns && geometry) {
        // An n x 3 row-order block is a 3 x n column-order one: column k is node k.
        std::memcpy(nodeColumns, nodes, 3 * std::size_t(nNodes) * sizeof(double));
        for (std::size_t k = 0; k < 4 * std::size_t(nCells); ++k)
            cellColumns[k] = std::uint32_t(cells[k]) + 1u;
        std::size_t nodeDims[2] = {3, std::size_t(nNodes)};
        std::size_t cellDims[2] = {4, std::size_t(nCells)};
        nodeArray = mat->createArray(nullptr, MAT_C_DOUBLE, MAT_T_DOUBLE, 2, nodeDims,
                                     nodeColumns, MAT_F_DONT_COPY_DATA);
        cellArray = mat->createArray(nullptr, MAT_C_UINT32, MAT_T_UINT32, 2, cellDims,
                                     cellColumns, MAT_F_DONT_COPY_DATA);
    }
    bool built = nodeArray && cellArray;
    if (built && !putField(*mat, geometry, "node", nodeArray))
        built = false;
    else if (built)
        nodeArray = nullptr;
    if (built && !putField(*mat, geometry, "cell", cellArray))
        built = false;
    else if (built)
        cellArray = nullptr;
    if (!built) {
        std::printf("\n Out of memory while writing matlab file %s\n\n", fileName);
    } else {
        // matio refuses to write a second variable of a name the file already holds.
        const bool written = (!replacesVariable || mat->remove(file, name) == 0)
            && mat->write(file, geometry, MAT_COMPRESSION_ZLIB) == 0;
        if (!written) {
            std::printf("\n Error writing to matlab file %s\n\n", fileName);
            built = false;
        }
    }
    for (matvar_t *unused : {nodeArray, cellArray, geometry})
        if (unused)
            mat->release(unused);
    std::free(nodeColumns);
    std::free(cellColumns);
    if (mat->close(file) != 0 && built) {
        std::printf("\n Error writing to matlab file %s\n\n", fileName);
        built = false;
    }
    return built ? 1 : 0;
}

int readMatlabGeometry(const char *fileName, std::int32_t *nNodes, std::int32_t *nFaces,
                       double **nodes, std::int32_t **faces, char *name)
{
    *nNodes = *nFaces = 0;
    *nodes = nullptr;
    *faces = nullptr;
    if (name)
        name[0] = '\0';
    const MatioFunctions *mat = matioFunctions(fileName);
    if (!mat)
        return 0;
    mat_t *file = fileName ? mat->open(fileName, MAT_ACC_RDONLY) : nullptr;
    if (!file) {
        std::printf("\n Error opening matlab file %s\n\n", fileName ? fileName : "");
        return 0;
    }
    double *nodeTriples = nullptr;
    std::int32_t *faceTriples = nullptr;
    std::int32_t nodeCount = 0;
    std::int32_t faceCount = 0;
    while (matvar_t *variable = mat->readNext(file)) {
        if (variable->class_type == MAT_C_STRUCT) {
            const char *nodeField = matioHasField(*mat, variable, "node") ? "node" : "pnt";
            const char *faceField = matioHasField(*mat, variable, "face") ? "face" : "tri";
            takeNodes(matioField(*mat, variable, nodeField), nodeTriples, nodeCount);
            takeFaces(matioField(*mat, variable, faceField), faceTriples, faceCount);
        } else if (variable->class_type == MAT_C_DOUBLE) {
            if (!nodeTriples)
                takeNodes(variable, nodeTriples, nodeCount);
        } else if (!faceTriples) {
            takeFaces(variable, faceTriples, faceCount);
        }
        mat->release(variable);
    }
    mat->close(file);
    if (!nodeTriples) {
        std::free(faceTriples);
        return 0;
    }
    if (faceTriples)
        countFromZero(faceTriples, faceCount);
    *nodes = nodeTriples;
    *nNodes = nodeCount;
    *faces = faceTriples;
    *nFaces = faceCount;
    return 1;
}
