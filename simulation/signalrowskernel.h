#ifndef RELAXON_SIMULATION_SIGNALROWSKERNEL_H
#define RELAXON_SIMULATION_SIGNALROWSKERNEL_H

// The vector kernel behind signalrows.h, included by the one file per instruction
// set. Everything here has internal linkage, so that no function compiled for a
// wider instruction set can stand in for another file's copy at link time.

#include "cases/casedata.h"
#include "simulation/signalpixel.h"
#include "simulation/vectorexp.h"

// The kernels are inlined into the entry points; the calling convention of wide
// vectors that -Wpsabi warns about never applies.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace {

using vectormath::anyLane;
using vectormath::blend;
using vectormath::load;
using vectormath::MaskOf;
using vectormath::splat;
using vectormath::store;

// The inputs of a run of pixels in one image row, all counted from 0.
struct PixelRun
{
    const double *pd;
    const double *t1;
    const double *t2;
    const double *const *tensors; // the pixels' 1-based tensor entries; null without diffusion
    double *image;
    int32 count;
};

template <typename V>
struct RelaxationDecays
{
    V recovery;  // exp(-tr / T1)
    V echo;      // exp(-te / T2)
    V inversion; // exp(-tp / T1), when tp > 0
};

// The relaxation decays of a vector of pixels, each 0 for a zero relaxation time,
// as relaxationDecay gives them. One division serves all three: with
// q = 1 / (T1 T2), -t / T1 = -t T2 q and -t / T2 = -t T1 q, each exponent within
// about two ulps of the quotient, which moves the exponential by less than
// 5e-16 |x| relative (below 1e-12 wherever the vector exponential applies).
// Lanes with relaxation times that are no numbers or lie outside 1e-100 to 1e100
// in magnitude, where the product could leave the normal range, join *slow.
template <typename V>
[[gnu::always_inline]] inline RelaxationDecays<V> relaxationDecays(const V &t1, const V &t2,
                                                                  const SignalSettings &settings,
                                                                  MaskOf<V> *slow)
{
    const MaskOf<V> zero1 = t1 == 0.0;
    const MaskOf<V> zero2 = t2 == 0.0;
    RelaxationDecays<V> decays{splat<V>(0.0), splat<V>(0.0), splat<V>(0.0)};
    // Background: no tissue, nothing to compute.
    if (!anyLane(~(zero1 & zero2)))
        return decays;

    // Comparing for equality never raises an exception on a NaN; the ordered
    // comparisons below only see numbers.
    const MaskOf<V> nan = (t1 != t1) | (t2 != t2);
    const V time1 = blend<V>(zero1 | nan, splat<V>(1.0), t1);
    const V time2 = blend<V>(zero2 | nan, splat<V>(1.0), t2);
    const V magnitude1 = vectormath::absolute(time1);
    const V magnitude2 = vectormath::absolute(time2);
    const MaskOf<V> ordinary = (magnitude1 >= 1e-100) & (magnitude1 <= 1e100)
                               & (magnitude2 >= 1e-100) & (magnitude2 <= 1e100);
    *slow |= nan | ~ordinary;

    const V quotient = 1.0 / (time1 * time2);
    const V perT1 = time2 * quotient;
    const V perT2 = time1 * quotient;
    MaskOf<V> outside;
    decays.recovery = blend<V>(zero1, splat<V>(0.0), vectormath::exp(-settings.tr * perT1, &outside));
    *slow |= outside & ~zero1;
    decays.echo = blend<V>(zero2, splat<V>(0.0), vectormath::exp(-settings.te * perT2, &outside));
    *slow |= outside & ~zero2;
    if (settings.tp > 0.0) {
        decays.inversion = blend<V>(zero1, splat<V>(0.0), vectormath::exp(-settings.tp * perT1, &outside));
        *slow |= outside & ~zero1;
    }
    return decays;
}

// The pixels of lanes (bit l for pixel first + l) through the scalar formula.
[[gnu::noinline, gnu::cold]] void recomputePixels(const PixelRun &run, int32 first, unsigned lanes,
                                                  const SignalSettings &settings);

// spinEchoPixel for a whole vector of pixels: the same operations in the same
// order. A pixel whose exponentials leave the vector range is recomputed by
// spinEchoPixel itself.
// Both arguments by value: the compiler keeps them in registers, where for
// references it would have to reload them after every store to the image.
template <typename V>
[[gnu::always_inline]] inline void signalRun(const PixelRun run, const SignalSettings settings)
{
    constexpr int lanes = vectormath::VectorTraits<V>::lanes;
    const bool adcOrDti = settings.weightDiffusion
                          && (settings.technique == TechniqueAdc || settings.technique == TechniqueDti);
    for (int32 i = 0; i < run.count; i += lanes) {
        if (adcOrDti) {
            for (int l = 0; l < lanes; ++l)
                run.image[i + l] = 100.0 * run.tensors[i + l][10];
            continue;
        }
        MaskOf<V> slow{};
        const RelaxationDecays<V> decays
            = relaxationDecays<V>(load<V>(run.t1 + i), load<V>(run.t2 + i), settings, &slow);
        V signal = (1.0 - decays.recovery) * (load<V>(run.pd + i) * decays.echo);
        if (settings.tp > 0.0)
            signal *= vectormath::absolute(2.0 * decays.inversion - 1.0);
        if (settings.weightDiffusion && (settings.technique == TechniqueSingleDirection
                                         || settings.technique == TechniqueDwi)) {
            // The tensors are gathered pixel by pixel; the rest runs on vectors.
            alignas(sizeof(V)) double norms[lanes];
            alignas(sizeof(V)) double squares[lanes] = {};
            for (int l = 0; l < lanes; ++l) {
                const double *tensor = run.tensors[i + l];
                norms[l] = tensor[10];
                if (settings.technique == TechniqueSingleDirection) {
                    const double vx = tensor[1] * settings.gradientX + tensor[4] * settings.gradientY;
                    const double vy = tensor[2] * settings.gradientX + tensor[5] * settings.gradientY;
                    const double vz = tensor[3] * settings.gradientX + tensor[6] * settings.gradientY;
                    squares[l] = vx * vx + vy * vy + vz * vz;
                }
            }
            const V norm = load<V>(norms);
            const MaskOf<V> noTensor = norm == 0.0;
            const V exponent = settings.technique == TechniqueSingleDirection
                                   ? -kDiffusionWeight * vectormath::squareRoot(load<V>(squares))
                                   : -kDiffusionWeight * blend<V>(noTensor, splat<V>(1.0), norm);
            MaskOf<V> outside;
            const V weight = vectormath::exp(exponent, &outside);
            slow |= outside & ~noTensor;
            signal *= blend<V>(noTensor, splat<V>(kEmptyPixelWeight), weight);
        }
        store(run.image + i, signal);
        if (__builtin_expect(anyLane(slow), 0)) {
            unsigned slowLanes = 0;
            for (int l = 0; l < lanes; ++l)
                slowLanes |= slow[l] ? 1u << l : 0u;
            recomputePixels(run, i, slowLanes, settings);
        }
    }
}

void recomputePixels(const PixelRun &run, int32 first, unsigned lanes, const SignalSettings &settings)
{
    for (int l = 0; lanes != 0; ++l, lanes >>= 1)
        if (lanes & 1u)
            run.image[first + l] = spinEchoPixel(run.pd[first + l], run.t1[first + l], run.t2[first + l],
                                                 run.tensors ? run.tensors[first + l] : nullptr,
                                                 settings);
}

// Image rows as runs of whole vectors; the last pixels of a row go through a
// zero-padded copy, so that every pixel takes the same path.
template <typename V>
[[gnu::always_inline]] inline void signalRows(const CaseData &data, double **image, int32 rows,
                                              int32 cols, const SignalSettings &settings)
{
    constexpr int lanes = vectormath::VectorTraits<V>::lanes;
    static const double noTensor[11] = {};
    const int32 whole = cols / lanes * lanes;
    for (int32 x = 1; x <= rows; ++x) {
        const double *const *tensors = settings.weightDiffusion ? data.tensor[x] + 1 : nullptr;
        signalRun<V>({data.pd[x] + 1, data.t1[x] + 1, data.t2[x] + 1, tensors, image[x] + 1, whole},
                     settings);
        const int32 rest = cols - whole;
        if (rest == 0)
            continue;
        double pd[lanes] = {}, t1[lanes] = {}, t2[lanes] = {}, out[lanes];
        const double *restTensors[lanes];
        for (int l = 0; l < lanes; ++l) {
            restTensors[l] = noTensor;
            if (l < rest) {
                pd[l] = data.pd[x][whole + 1 + l];
                t1[l] = data.t1[x][whole + 1 + l];
                t2[l] = data.t2[x][whole + 1 + l];
                if (tensors)
                    restTensors[l] = tensors[whole + l];
            }
        }
        signalRun<V>({pd, t1, t2, tensors ? restTensors : nullptr, out, lanes}, settings);
        for (int l = 0; l < rest; ++l)
            image[x][whole + 1 + l] = out[l];
    }
}

} // namespace

#endif
