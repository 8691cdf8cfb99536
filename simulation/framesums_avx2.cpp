// Built with AVX2; only called on processors that have it.
#if defined(__x86_64__)
#include "simulation/framesumskernel.h"

int32 addFrameSumsAvx2(const FrameSums &sums)
{
    return addFrameSumVectors<vectormath::Double4>(sums);
}
#endif
