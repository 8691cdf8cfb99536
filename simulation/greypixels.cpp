#include "simulation/greypixels.h"

#include "simulation/greypixelskernel.h"

#include <algorithm>

#if defined(__x86_64__)
void greyPixelsAvx2(const double *values, std::uint32_t *out, int count, double k, double levelK,
                    std::int64_t flip);
void greyPixelsAvx512(const double *values, std::uint32_t *out, int count, double k, double levelK,
                      std::int64_t flip);
#endif

namespace {

void greyPixelsBaseline(const double *values, std::uint32_t *out, int count, double k,
                        double levelK, std::int64_t flip)
{
    greyRun<vectormath::Double2>(values, out, count, k, levelK, flip);
}

using GreyKernel = void (*)(const double *, std::uint32_t *, int, double, double, std::int64_t);

// The widest vectors the processor has. The wider encodings also spare the
// processor the penalty that two-lane instructions can pay right after the
// toolkit's own wide-vector code.
GreyKernel widestGreyKernel()
{
#if defined(__x86_64__)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f"))
        return greyPixelsAvx512;
    if (__builtin_cpu_supports("avx2"))
        return greyPixelsAvx2;
#endif
    return greyPixelsBaseline;
}

} // namespace

void greyPixels(const double *values, std::uint32_t *out, int count, double level, double width,
                bool invert)
{
    if (width == 0) {
        std::fill(out, out + count, 0xff000000u);
        return;
    }
    const double k = 255.0 / width;
    static const GreyKernel kernel = widestGreyKernel();
    kernel(values, out, count, k, level * k, invert ? 255 : 0);
}
