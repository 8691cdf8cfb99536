#ifndef RELAXON_NUMERICS_MATIOLIBRARY_H
#define RELAXON_NUMERICS_MATIOLIBRARY_H

// matio's header is used for its types and signatures only: the library itself is
// loaded at run time, so neither the program nor its tests link against it and
// both run where it is not installed.
#include <matio.h>

#include <cstddef>

// Entry points of the matio MAT-file library. The types come from matio's own
// declarations so that a changed signature fails to compile instead of misbehaving.
struct MatioFunctions
{
    decltype(&::Mat_Open) open;
    decltype(&::Mat_CreateVer) create;
    decltype(&::Mat_Close) close;
    decltype(&::Mat_VarReadNext) readNext;
    decltype(&::Mat_VarRead) read;
    decltype(&::Mat_VarWrite) write;
    decltype(&::Mat_VarDelete) remove;
    decltype(&::Mat_VarFree) release;
    decltype(&::Mat_VarCreate) createArray;
    decltype(&::Mat_VarCreateStruct2) createStruct;
    decltype(&::Mat_VarGetNumberOfFields) fieldCount;
    decltype(&::Mat_VarGetStructFieldnames) fieldNames;
    decltype(&::Mat_VarGetStructFieldByName) field;
    decltype(&::Mat_VarSetStructFieldByName) setField;
    decltype(&::Mat_VarAddStructField) addField;
};

// The shared object loaded by default; the environment variable
// RELAXON_MATIO_LIBRARY, when set and not empty, names another one instead.
inline constexpr const char *defaultMatioLibrary = "libmatio.so.11";

// The function table, loading the library on first use; null after printing the
// three-line "not available" message with fileName when the library or one of its
// functions is missing. A failed load is retried on the next call; a successful one
// is kept for the life of the process. Not thread-safe.
const MatioFunctions *matioFunctions(const char *fileName);

// Rows M and columns N of a variable seen as a two-dimensional array; further
// dimensions fold into the columns, as MATLAB counts them.
std::size_t matioRowCount(const matvar_t *variable);
std::size_t matioColumnCount(const matvar_t *variable);

// True for a non-empty double, int32 or uint32 array (real or complex, not sparse)
// whose data were read completely, so that every column-order index below
// M x N may be passed to matioElement.
bool matioIsNumeric(const matvar_t *variable);

// Element index (column order, from 0) of a variable accepted by matioIsNumeric,
// as a double: integers keep their sign or stay unsigned; of a complex array the
// real part.
double matioElement(const matvar_t *variable, std::size_t index);

// True when a structure has a field of that name (exact case).
bool matioHasField(const MatioFunctions &mat, matvar_t *structure, const char *name);

// The field of that name (exact case) of a structure's first element, owned by the
// structure; null when the variable is no structure, has no element or no such
// field, or the field is empty. Asks matio only about fields that exist, so nothing
// is printed for a missing one.
matvar_t *matioField(const MatioFunctions &mat, matvar_t *structure, const char *name);

#endif
