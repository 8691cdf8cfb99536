#include "numerics/matiolibrary.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

MatioFunctions functions;
bool stillToLoad = true;

template <typename Function>
bool lookUp(void *library, const char *name, Function &slot)
{
    slot = reinterpret_cast<Function>(dlsym(library, name));
    return slot != nullptr;
}

bool lookUpAll(void *library, MatioFunctions &table)
{
    return lookUp(library, "Mat_Open", table.open)
        && lookUp(library, "Mat_CreateVer", table.create)
        && lookUp(library, "Mat_Close", table.close)
        && lookUp(library, "Mat_VarReadNext", table.readNext)
        && lookUp(library, "Mat_VarRead", table.read)
        && lookUp(library, "Mat_VarWrite", table.write)
        && lookUp(library, "Mat_VarDelete", table.remove)
        && lookUp(library, "Mat_VarFree", table.release)
        && lookUp(library, "Mat_VarCreate", table.createArray)
        && lookUp(library, "Mat_VarCreateStruct2", table.createStruct)
        && lookUp(library, "Mat_VarGetNumberOfFields", table.fieldCount)
        && lookUp(library, "Mat_VarGetStructFieldnames", table.fieldNames)
        && lookUp(library, "Mat_VarGetStructFieldByName", table.field)
        && lookUp(library, "Mat_VarSetStructFieldByName", table.setField)
        && lookUp(library, "Mat_VarAddStructField", table.addField);
}

bool loadLibrary()
{
    const char *chosen = std::getenv("RELAXON_MATIO_LIBRARY");
    const char *name = chosen && *chosen ? chosen : defaultMatioLibrary;
    void *library = dlopen(name, RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return false;
    MatioFunctions table{};
    if (!lookUpAll(library, table)) {
        // A library without every function we call is as good as none; an older or
        // foreign build must not be half used.
        dlclose(library);
        return false;
    }
    functions = table;
    return true;
}

} // namespace

const MatioFunctions *matioFunctions(const char *fileName)
{
    if (stillToLoad) {
        if (!loadLibrary()) {
            std::printf("\nError opening matlab file %s\n", fileName ? fileName : "");
            std::puts("Dynamic libraries for reading matlab files not available");
            std::puts("Please ask my maker for instruction how to install them\n");
            return nullptr;
        }
        stillToLoad = false;
    }
    return &functions;
}

namespace {

// Bytes per element of the numeric storage types; 0 for every other type.
std::size_t storageSize(matio_types type)
{
    switch (type) {
    case MAT_T_INT8:
    case MAT_T_UINT8:
        return 1;
    case MAT_T_INT16:
    case MAT_T_UINT16:
        return 2;
    case MAT_T_INT32:
    case MAT_T_UINT32:
    case MAT_T_SINGLE:
        return 4;
    case MAT_T_DOUBLE:
    case MAT_T_INT64:
    case MAT_T_UINT64:
        return 8;
    default:
        return 0;
    }
}

const void *realPart(const matvar_t *variable)
{
    if (variable->isComplex)
        return static_cast<const mat_complex_split_t *>(variable->data)->Re;
    return variable->data;
}

template <typename T>
double elementOf(const void *data, std::size_t index)
{
    return double(static_cast<const T *>(data)[index]);
}

} // namespace

std::size_t matioRowCount(const matvar_t *variable)
{
    return variable->rank >= 1 && variable->dims ? variable->dims[0] : 0;
}

std::size_t matioColumnCount(const matvar_t *variable)
{
    if (variable->rank < 2 || !variable->dims)
        return 0;
    std::size_t columns = 1;
    for (int d = 1; d < variable->rank; ++d)
        columns *= variable->dims[d];
    return columns;
}

bool matioIsNumeric(const matvar_t *variable)
{
    if (variable->class_type != MAT_C_DOUBLE && variable->class_type != MAT_C_INT32
        && variable->class_type != MAT_C_UINT32)
        return false;
    const std::size_t rows = matioRowCount(variable);
    const std::size_t columns = matioColumnCount(variable);
    const std::size_t size = storageSize(variable->data_type);
    if (rows == 0 || columns == 0 || size == 0 || !variable->data || !realPart(variable))
        return false;
    // Guards the element reads against a variable whose data are shorter than its
    // dimensions claim (a damaged file, or storage matio did not widen).
    return std::size_t(variable->data_size) == size && columns <= SIZE_MAX / rows
        && rows * columns <= variable->nbytes / size;
}

double matioElement(const matvar_t *variable, std::size_t index)
{
    const void *data = realPart(variable);
    switch (variable->data_type) {
    case MAT_T_INT8: return elementOf<std::int8_t>(data, index);
    case MAT_T_UINT8: return elementOf<std::uint8_t>(data, index);
    case MAT_T_INT16: return elementOf<std::int16_t>(data, index);
    case MAT_T_UINT16: return elementOf<std::uint16_t>(data, index);
    case MAT_T_INT32: return elementOf<std::int32_t>(data, index);
    case MAT_T_UINT32: return elementOf<std::uint32_t>(data, index);
    case MAT_T_SINGLE: return elementOf<float>(data, index);
    case MAT_T_INT64: return elementOf<std::int64_t>(data, index);
    case MAT_T_UINT64: return elementOf<std::uint64_t>(data, index);
    default: return elementOf<double>(data, index);
    }
}

bool matioHasField(const MatioFunctions &mat, matvar_t *structure, const char *name)
{
    if (structure->class_type != MAT_C_STRUCT)
        return false;
    const unsigned count = mat.fieldCount(structure);
    char *const *names = mat.fieldNames(structure);
    for (unsigned k = 0; names && k < count; ++k)
        if (names[k] && std::strcmp(names[k], name) == 0)
            return true;
    return false;
}

matvar_t *matioField(const MatioFunctions &mat, matvar_t *structure, const char *name)
{
    // A damaged structure whose field table could not be read has no data: matio
    // would look the field up in it all the same.
    if (!matioHasField(mat, structure, name) || matioRowCount(structure) == 0
        || matioColumnCount(structure) == 0 || !structure->data)
        return nullptr;
    return mat.field(structure, name, 0);
}
