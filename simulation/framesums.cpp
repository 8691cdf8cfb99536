#include "simulation/framesums.h"

#include "simulation/framesumskernel.h"

namespace {

int32 addFrameSumsBaseline(const FrameSums &sums)
{
    return addFrameSumVectors<vectormath::Double2>(sums);
}

using FrameSumsKernel = int32 (*)(const FrameSums &);

FrameSumsKernel widestFrameSums()
{
#if defined(__x86_64__)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f"))
        return addFrameSumsAvx512;
    if (__builtin_cpu_supports("avx2"))
        return addFrameSumsAvx2;
#endif
    return addFrameSumsBaseline;
}

} // namespace

void addFrameSums(const FrameSums &sums)
{
    static const FrameSumsKernel kernel = widestFrameSums();
    int32 j = kernel(sums);
    for (; j < sums.width; ++j) {
        const double *values = sums.firstFrame + j;
        for (int32 frame = 0; frame < sums.frames; ++frame, values += sums.frameStride) {
            const double offset = *values - sums.origin[j];
            sums.sum[j] += offset;
            sums.squares[j] += offset * offset;
        }
    }
}
