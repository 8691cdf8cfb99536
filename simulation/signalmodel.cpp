#include "simulation/signalmodel.h"

#include "simulation/fmridisplaymode.h"
#include "simulation/recordingparams.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.141592653589793;

// Diffusion weighting exp(-kDiffusionWeight * D), D normalised so that the most
// diffusive tissue of the case has 1. Fixed: the program offers no b-value.
constexpr double kDiffusionWeight = 4.0;

// exp(-t / relaxationTime), with its limit 0 for a zero relaxation time. Avoiding
// the division keeps background pixels free of floating-point exceptions.
inline double relaxationDecay(double t, double relaxationTime)
{
    return relaxationTime != 0.0 ? std::exp(-t / relaxationTime) : 0.0;
}

struct SignalSettings
{
    double te;
    double tr;
    double tp;
    int32 technique;
    bool weightDiffusion;
    double gradientX; // gradient direction (sin, cos, 0) of the angle
    double gradientY;
};

// The one place where a pixel's signal is computed; tensor is the pixel's
// 1-based tensor entries (only read when settings.weightDiffusion).
inline double spinEchoPixel(double pd, double t1, double t2, const double *tensor,
                            const SignalSettings &settings)
{
    double signal = (1.0 - relaxationDecay(settings.tr, t1)) * (pd * relaxationDecay(settings.te, t2));
    if (settings.tp > 0.0)
        signal *= std::fabs(2.0 * relaxationDecay(settings.tp, t1) - 1.0);
    if (!settings.weightDiffusion)
        return signal;

    const double norm = tensor[10];
    switch (settings.technique) {
    case TechniqueSingleDirection: {
        // A pixel without tensor data is darkened like the most diffusive tissue.
        if (norm == 0.0)
            return signal * std::exp(-kDiffusionWeight);
        const double s = settings.gradientX;
        const double c = settings.gradientY;
        const double vx = tensor[1] * s + tensor[4] * c;
        const double vy = tensor[2] * s + tensor[5] * c;
        const double vz = tensor[3] * s + tensor[6] * c;
        return signal * std::exp(-kDiffusionWeight * std::sqrt(vx * vx + vy * vy + vz * vz));
    }
    case TechniqueDwi:
        return signal * std::exp(-kDiffusionWeight * (norm == 0.0 ? 1.0 : norm));
    case TechniqueAdc:
    case TechniqueDti:
        return 100.0 * norm;
    default:
        return signal;
    }
}

void copyMap(double **map, double **image, int32 rows, int32 cols)
{
    for (int32 x = 1; x <= rows; ++x)
        std::copy(map[x] + 1, map[x] + 1 + cols, image[x] + 1);
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
