#include "numerics/matlabfile.h"

#include <cstdio>

// Placeholder until the MAT-file library binding lands: reports the library as
// unavailable, so every operation fails with the message.
int loadMatlabLibraries(const char *fileName)
{
    std::printf("\nError opening matlab file %s\n", fileName);
    std::puts("Dynamic libraries for reading matlab files not available");
    std::puts("Please ask my maker for instruction how to install them\n");
    return 0;
}

double **readMatlabMatrix(const char *fileName, std::int32_t *rows, std::int32_t *cols,
                          const char *, std::int32_t, std::int32_t, std::int32_t,
                          std::int32_t, std::int32_t, std::int32_t, int, char *foundName)
{
    if (foundName)
        foundName[0] = '\0';
    *rows = *cols = 0;
    loadMatlabLibraries(fileName);
    return nullptr;
}

int writeMatlabMatrix(const char *fileName, double **, std::int32_t, std::int32_t, const char *)
{
    return loadMatlabLibraries(fileName);
}

int writeMatlabGeometry(const char *fileName, const double *, std::int32_t,
                        const std::int32_t *, std::int32_t, const char *, int)
{
    return loadMatlabLibraries(fileName);
}

int readMatlabGeometry(const char *fileName, std::int32_t *nNodes, std::int32_t *nFaces,
                       double **nodes, std::int32_t **faces, char *name)
{
    *nNodes = *nFaces = 0;
    *nodes = nullptr;
    *faces = nullptr;
    if (name)
        name[0] = '\0';
    return loadMatlabLibraries(fileName);
}
