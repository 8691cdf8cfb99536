// Built with AVX-512 F and DQ; only called on processors that have them.
#if defined(__x86_64__)
#include "simulation/signalrows.h"
#include "simulation/signalrowskernel.h"

void signalRowsAvx512(const CaseData &data, double **image, int32 rows, int32 cols,
                      const SignalSettings &settings)
{
    signalRows<vectormath::Double8>(data, image, rows, cols, settings);
}
#endif
