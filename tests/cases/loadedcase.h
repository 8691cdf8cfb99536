#ifndef RELAXON_TESTS_CASES_LOADEDCASE_H
#define RELAXON_TESTS_CASES_LOADEDCASE_H

#include "cases/caseloader.h"
#include "numerics/matrixmemory.h"

#include <QString>

// A case read and set up as the program does; releases what the set-up handed out.
struct LoadedCase
{
    CaseFile file;
    CaseData data;
    CaseSetup setup;

    bool load(const QString &name)
    {
        if (!readCaseFile(name, file))
            return false;
        setup = setupCase(file, data);
        return true;
    }
    ~LoadedCase()
    {
        if (setup.image)
            free_dmatrix(setup.image, 1, setup.imageRows, 1);
        data.release();
    }
};

#endif
