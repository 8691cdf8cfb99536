// Built with AVX2; only called on processors that have it.
#if defined(__x86_64__)
#include "simulation/greypixelskernel.h"

void greyPixelsAvx2(const double *values, std::uint32_t *out, int count, double k, double levelK,
                    std::int64_t flip)
{
    greyRun<vectormath::Double4>(values, out, count, k, levelK, flip);
}
#endif
