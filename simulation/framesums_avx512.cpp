// Built with AVX-512 F; only called on processors that have it.
#if defined(__x86_64__)
#include "simulation/framesumskernel.h"

int32 addFrameSumsAvx512(const FrameSums &sums)
{
    return addFrameSumVectors<vectormath::Double8>(sums);
}
#endif
