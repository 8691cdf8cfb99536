#ifndef RELAXON_TOOLS_LOADEDCASE_H
#define RELAXON_TOOLS_LOADEDCASE_H

#include "cases/caseloader.h"

// A case loaded as the program loads it (a file path, or a resource path such as
// ":/files/glioblastoma.mri"); releases its data and first-view image.
struct LoadedCase
{
    CaseData data;
    CaseSetup setup;

    LoadedCase() = default;
    LoadedCase(const LoadedCase &) = delete;
    LoadedCase &operator=(const LoadedCase &) = delete;
    ~LoadedCase();
};

// Loads name (in the local 8-bit encoding of the command line). False when the
// file cannot be read or is no usable case.
bool loadCase(const char *name, LoadedCase *loaded);

// Reads name as the program reads it, without setting the case up.
bool readCase(const char *name, CaseFile *file);

#endif
