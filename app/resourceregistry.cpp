#include "app/resourceregistry.h"

#include <QtCore/qglobal.h>

void registerCompiledResources()
{
#ifdef RELAXON_HAVE_UI_RESOURCES
    Q_INIT_RESOURCE(images);
#endif
#ifdef RELAXON_HAVE_CASE_RESOURCES
    Q_INIT_RESOURCE(cases);
#endif
}
