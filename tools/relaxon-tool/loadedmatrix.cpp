#include "loadedmatrix.h"
#include "loadedcase.h"

#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

// The tail comes back as getmatrix hands it out: lines closed by NULs.
bool loadResourceMatrix(const char *name, LoadedMatrix *loaded)
{
    CaseFile file;
    if (!readCase(name, &file))
        return false;
    if (file.hasTail) {
        loaded->tail = static_cast<char *>(std::malloc(std::size_t(file.tail.size()) + 1));
        if (!loaded->tail)
            return false;
        std::memcpy(loaded->tail, file.tail.constData(), std::size_t(file.tail.size()) + 1);
        loaded->tailLength = int32(file.tail.size());
    }
    loaded->rows = file.rows;
    loaded->cols = file.cols;
    loaded->values = std::exchange(file.matrix, nullptr);
    return true;
}

} // namespace

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
    if (isResourceName(fileName))
        return loadResourceMatrix(fileName, loaded);
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
