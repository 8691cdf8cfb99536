#include "simulation/signalmodel.h"

#include "simulation/fmridisplaymode.h"
#include "simulation/recordingparams.h"
#include "simulation/signalrows.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.141592653589793;

void copyMap(double **map, double **image, int32 rows, int32 cols)
{
    for (int32 x = 1; x <= rows; ++x)
        std::copy(map[x] + 1, map[x] + 1 + cols, image[x] + 1);
}

void signalRowsScalar(const CaseData &data, double **image, int32 rows, int32 cols,
                      const SignalSettings &settings)
{
    for (int32 x = 1; x <= rows; ++x) {
        const double *pdRow = data.pd[x];
        const double *t1Row = data.t1[x];
        const double *t2Row = data.t2[x];
        double *imageRow = image[x];
        for (int32 y = 1; y <= cols; ++y) {
            const double *tensor = settings.weightDiffusion ? data.tensor[x][y] : nullptr;
            imageRow[y] = spinEchoPixel(pdRow[y], t1Row[y], t2Row[y], tensor, settings);
        }
    }
}

using SignalRowsKernel = void (*)(const CaseData &, double **, int32, int32, const SignalSettings &);

// The widest vectors the processor runs; the scalar formula without AVX2.
SignalRowsKernel widestSignalRows()
{
#if defined(__x86_64__)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq"))
        return signalRowsAvx512;
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"))
        return signalRowsAvx2;
#endif
    return signalRowsScalar;
}

} // namespace

void computeSignal(const CaseData &data, double **image, int32 rows, int32 cols,
                   double te, double tr, double tp, int32 technique, int32 gradientAngle)
{
    if (te > 0.0 && tr < 0.0) {
        copyMap(data.t1, image, rows, cols);
        return;
    }
    if (te < 0.0 && tr > 0.0) {
        copyMap(data.t2, image, rows, cols);
        return;
    }
    if (!(te > 0.0 && tr > 0.0)) {
        copyMap(data.pd, image, rows, cols);
        return;
    }

    SignalSettings settings{te, tr, tp, technique, false, 0.0, 1.0};
    if (technique != TechniqueNone) {
        const double theta = gradientAngle * kPi / 180.0;
        settings.gradientX = std::sin(theta);
        settings.gradientY = std::cos(theta);
        settings.weightDiffusion = data.hasDti && data.tensor;
    }

    static const SignalRowsKernel signalRowsKernel = widestSignalRows();
    signalRowsKernel(data, image, rows, cols, settings);
}

int32 fmriFrame(const CaseData &data, double **image, int32 frame, int32 mode, double threshold)
{
    const int32 frames = data.frames;
    if (frames <= 0)
        return 0;
    frame %= frames;
    if (frame < 0)
        frame += frames;

    const int32 width = data.cols / frames;
    const int32 offset = frame * width;
    for (int32 x = 1; x <= data.rows; ++x) {
        double *imageRow = image[x];
        if (mode == FmriShowStatistics && data.activation) {
            const double *activationRow = data.activation[x];
            for (int32 y = 1; y <= width; ++y)
                imageRow[y] = 0.5 * activationRow[y];
            continue;
        }
        const double *series = data.pd[x] + offset;
        const double *pRow = data.pValue ? data.pValue[x] : nullptr;
        for (int32 y = 1; y <= width; ++y) {
            const double v = series[y];
            // Negation marks a significant pixel for the painter.
            imageRow[y] = (mode == FmriShowBoth && pRow && threshold > pRow[y]) ? -v : v;
        }
    }
    return frame;
}
