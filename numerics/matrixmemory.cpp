#include "numerics/matrixmemory.h"

#include <cstdio>
#include <cstdlib>

namespace {

constexpr double denseLimit = 5e8;
constexpr double wideLimit = 1e9;

void reportOutOfMemory()
{
    std::fputs("\n Sorry, out of memory\n\n\a\a", stderr);
}

// Zero-filled block of count elements of type T, or null after the message.
template <typename T>
T *zeroBlock(double count)
{
    if (count < 1 || count * sizeof(T) > double(SIZE_MAX)) {
        reportOutOfMemory();
        return nullptr;
    }
    auto *block = static_cast<T *>(std::calloc(std::size_t(count), sizeof(T)));
    if (!block)
        reportOutOfMemory();
    return block;
}

// The handles point before their blocks so that the first index addresses the
// first element; the arithmetic goes through integers to keep it well defined.
template <typename T>
T *shifted(T *block, std::int64_t offset)
{
    return reinterpret_cast<T *>(reinterpret_cast<std::intptr_t>(block)
                                 - std::intptr_t(offset * std::int64_t(sizeof(T))));
}

template <typename T>
T *unshifted(T *handle, std::int64_t offset)
{
    return reinterpret_cast<T *>(reinterpret_cast<std::intptr_t>(handle)
                                 + std::intptr_t(offset * std::int64_t(sizeof(T))));
}

template <typename T>
T *allocateVector(int32 nl, int32 nh)
{
    T *block = zeroBlock<T>(double(nh) - double(nl) + 1);
    return block ? shifted(block, nl) : nullptr;
}

template <typename T>
void releaseVector(T *v, int32 nl)
{
    if (v)
        std::free(unshifted(v, nl));
}

double **allocateMatrix(int32 nrl, int32 nrh, int32 ncl, int32 nch, double limit)
{
    const double nrow = double(nrh) - double(nrl) + 1;
    const double ncol = double(nch) - double(ncl) + 1;
    if (nrow < 1 || ncol < 1 || nrow * ncol > limit) {
        reportOutOfMemory();
        return nullptr;
    }
    double **rows = zeroBlock<double *>(nrow);
    if (!rows)
        return nullptr;
    double *block = zeroBlock<double>(nrow * ncol);
    if (!block) {
        std::free(rows);
        return nullptr;
    }
    const std::int64_t width = std::int64_t(ncol);
    for (std::int64_t i = 0; i < std::int64_t(nrow); ++i)
        rows[i] = shifted(block + i * width, ncl);
    return shifted(rows, nrl);
}

void releaseMatrix(double **m, int32 nrl, int32 ncl)
{
    std::free(unshifted(m[nrl], ncl));
    std::free(unshifted(m, nrl));
}

} // namespace

double *dvector(int32 nl, int32 nh) { return allocateVector<double>(nl, nh); }
void free_dvector(double *v, int32 nl, int32) { releaseVector(v, nl); }

double *vector(int32 nl, int32 nh) { return allocateVector<double>(nl, nh); }
void free_vector(double *v, int32 nl, int32) { releaseVector(v, nl); }

int32 *ivector(int32 nl, int32 nh) { return allocateVector<int32>(nl, nh); }
void free_ivector(int32 *v, int32 nl, int32) { releaseVector(v, nl); }

double **dmatrix(int32 nrl, int32 nrh, int32 ncl, int32 nch)
{
    return allocateMatrix(nrl, nrh, ncl, nch, denseLimit);
}

void free_dmatrix(double **m, int32 nrl, int32, int32 ncl) { releaseMatrix(m, nrl, ncl); }

double **matrix(int32 nrl, int32 nrh, int32 ncl, int32 nch)
{
    return allocateMatrix(nrl, nrh, ncl, nch, wideLimit);
}

void free_matrix(double **m, int32 nrl, int32, int32 ncl) { releaseMatrix(m, nrl, ncl); }

int32 **imatrix(int32 nrl, int32 nrh, int32 ncl, int32 nch)
{
    const double nrow = double(nrh) - double(nrl) + 1;
    const double ncol = double(nch) - double(ncl) + 1;
    if (nrow < 1 || ncol < 1) {
        reportOutOfMemory();
        return nullptr;
    }
    int32 **rows = zeroBlock<int32 *>(nrow);
    if (!rows)
        return nullptr;
    for (std::int64_t i = 0; i < std::int64_t(nrow); ++i) {
        int32 *row = zeroBlock<int32>(ncol);
        if (!row) {
            while (i-- > 0)
                std::free(unshifted(rows[i], ncl));
            std::free(rows);
            return nullptr;
        }
        rows[i] = shifted(row, ncl);
    }
    return shifted(rows, nrl);
}

void free_imatrix(int32 **m, int32 nrl, int32 nrh, int32 ncl)
{
    for (std::int64_t i = nrh; i >= nrl; --i)
        std::free(unshifted(m[i], ncl));
    std::free(unshifted(m, nrl));
}

double ***d3tensor(int32 nrl, int32 nrh, int32 ncl, int32 nch, int32 ndl, int32 ndh)
{
    const double nrow = double(nrh) - double(nrl) + 1;
    const double ncol = double(nch) - double(ncl) + 1;
    const double ndep = double(ndh) - double(ndl) + 1;
    if (nrow < 1 || ncol < 1 || ndep < 1) {
        reportOutOfMemory();
        return nullptr;
    }
    double ***rows = zeroBlock<double **>(nrow);
    if (!rows)
        return nullptr;
    double **planes = zeroBlock<double *>(nrow * ncol);
    if (!planes) {
        std::free(rows);
        return nullptr;
    }
    double *data = zeroBlock<double>(nrow * ncol * ndep);
    if (!data) {
        std::free(planes);
        std::free(rows);
        return nullptr;
    }
    const std::int64_t width = std::int64_t(ncol);
    const std::int64_t depth = std::int64_t(ndep);
    for (std::int64_t i = 0; i < std::int64_t(nrow); ++i) {
        for (std::int64_t j = 0; j < width; ++j)
            planes[i * width + j] = shifted(data + (i * width + j) * depth, ndl);
        rows[i] = shifted(planes + i * width, ncl);
    }
    return shifted(rows, nrl);
}

void free_d3tensor(double ***t, int32 nrl, int32, int32 ncl, int32, int32 ndl)
{
    std::free(unshifted(t[nrl][ncl], ndl));
    std::free(unshifted(t[nrl], ncl));
    std::free(unshifted(t, nrl));
}

[[noreturn]] void nrerror(const char *text)
{
    std::fputs("Numerical Recipes run-time error....\n", stderr);
    std::fprintf(stderr, "%s\n", text);
    std::fputs(" ...now exiting to system...\n", stderr);
    std::exit(1);
}
