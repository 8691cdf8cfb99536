#ifndef RELAXON_SIMULATION_SIGNALPIXEL_H
#define RELAXON_SIMULATION_SIGNALPIXEL_H

// The spin-echo signal of one pixel, shared by the signal model and its vector
// kernels (which hand it the pixels they cannot take). Internal to simulation/.

#include "numerics/matrixmemory.h"
#include "simulation/recordingparams.h"

#include <cmath>

struct SignalSettings
{
    double te;
    double tr;
    double tp; // 0: no prepulse
    int32 technique;
    bool weightDiffusion; // technique applies: the case has tensors
    double gradientX;     // gradient direction (sin, cos, 0) of the angle
    double gradientY;
};

namespace {

// Diffusion weighting exp(-kDiffusionWeight * D), D normalised so that the most
// diffusive tissue of the case has 1. Fixed: the program offers no b-value.
constexpr double kDiffusionWeight = 4.0;
// e^-4: the weight of a pixel without tensor data, as for the most diffusive tissue.
constexpr double kEmptyPixelWeight = 0.01831563888873418;

// exp(-t / relaxationTime), with its limit 0 for a zero relaxation time. Avoiding
// the division keeps background pixels free of floating-point exceptions.
inline double relaxationDecay(double t, double relaxationTime)
{
    return relaxationTime != 0.0 ? std::exp(-t / relaxationTime) : 0.0;
}

// The one definition of a pixel's signal; tensor is the pixel's 1-based tensor
// entries (only read when settings.weightDiffusion).
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
        if (norm == 0.0)
            return signal * kEmptyPixelWeight;
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

} // namespace

#endif
