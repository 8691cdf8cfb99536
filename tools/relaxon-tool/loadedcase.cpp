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

bool loadCase(const char *name, LoadedCase *loaded)
{
    initCaseResources();
    CaseFile file;
    if (!readCaseFile(QString::fromLocal8Bit(name), file))
        return false;
    loaded->setup = setupCase(file, loaded->data);
    return true;
}
