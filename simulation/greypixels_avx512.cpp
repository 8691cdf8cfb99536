// Built with AVX-512 F; only called on processors that have it.
#if defined(__x86_64__)
#include "simulation/greypixelskernel.h"

void greyPixelsAvx512(const double *values, std::uint32_t *out, int count, double k, double levelK,
                      std::int64_t flip)
{
    greyRun<vectormath::Double8>(values, out, count, k, levelK, flip);
}
#endif
