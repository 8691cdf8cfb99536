#include "loadedmatrix.h"

#include <cstdlib>

LoadedMatrix::~LoadedMatrix()
{
    if (values)
        free_dmatrix(values, 1, rows, 1);
    if (indices)
        free_imatrix(indices, 1, rows, 1);
    free_ivector(counts, 1, rows);
    std::free(tail);
}

bool loadMatrix(const char *fileName, bool keepSparse, LoadedMatrix *loaded)
{
    loaded->values = getmatrix(fileName, &loaded->rows, &loaded->cols, &loaded->tailLength,
                               &loaded->tail, keepSparse ? &loaded->counts : nullptr,
                               keepSparse ? &loaded->indices : nullptr, -1, -1, -1, -1, -1, -1, 0);
    return loaded->values != nullptr;
}

void printTailLines(std::FILE *stream, int32 tailLength, const char *tail)
{
    int32 start = 0;
    while (start < tailLength) {
        int32 end = start;
        while (end < tailLength && tail[end] != '\0' && tail[end] != '\n')
            ++end;
        std::fwrite(tail + start, 1, std::size_t(end - start), stream);
        std::fputc('\n', stream);
        start = end + 1;
    }
}
