// Built with AVX2 and FMA; only called on processors that have them.
#if defined(__x86_64__)
#include "simulation/signalrows.h"
#include "simulation/signalrowskernel.h"

void signalRowsAvx2(const CaseData &data, double **image, int32 rows, int32 cols,
                    const SignalSettings &settings)
{
    signalRows<vectormath::Double4>(data, image, rows, cols, settings);
}
#endif
