#include "loadedcase.h"

#include "numerics/matrixmemory.h"

#include <QString>

// The built-in cases live in a static library whose initialiser is otherwise never
// linked in; the macro must be used outside any namespace.
static void initCaseResources()
{
#ifdef RELAXON_HAVE_CASE_RESOURCES
    Q_INIT_RESOURCE(cases);
#endif
}

LoadedCase::~LoadedCase()
{
    if (setup.image)
        free_dmatrix(setup.image, 1, setup.imageRows, 1);
    data.release();
}

bool readCase(const char *name, CaseFile *file)
{
    initCaseResources();
    return readCaseFile(QString::fromLocal8Bit(name), *file);
}

bool loadCase(const char *name, LoadedCase *loaded)
{
    CaseFile file;
    if (!readCase(name, &file))
        return false;
    loaded->setup = setupCase(file, loaded->data);
    return true;
}
