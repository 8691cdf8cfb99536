#ifndef RELAXON_APP_RESOURCEREGISTRY_H
#define RELAXON_APP_RESOURCEREGISTRY_H

// Registers the compiled-in images and built-in cases. They live in static
// libraries, so a program (or test) must call this before using ":/..." paths;
// it then has to link relaxon_case_resources and relaxon_ui_resources.
void registerCompiledResources();

#endif
