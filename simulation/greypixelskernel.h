#ifndef RELAXON_SIMULATION_GREYPIXELSKERNEL_H
#define RELAXON_SIMULATION_GREYPIXELSKERNEL_H

// The vector kernel behind greyPixels, included by one file per instruction set;
// internal linkage throughout (see signalrowskernel.h).

#include "simulation/vectorexp.h"

#include <cstdint>
#include <cstring>

#pragma GCC diagnostic ignored "-Wpsabi"

namespace {

typedef std::uint32_t PixelQuad __attribute__((vector_size(16)));
typedef std::uint32_t PixelOctet __attribute__((vector_size(32)));
typedef std::uint32_t PixelSixteen __attribute__((vector_size(64)));

// The low halves of the lanes of two vectors, in order.
[[gnu::always_inline]] inline PixelQuad lowHalves(const vectormath::Mask2 &a, const vectormath::Mask2 &b)
{
    return __builtin_shufflevector(PixelQuad(a), PixelQuad(b), 0, 2, 4, 6);
}

[[gnu::always_inline]] inline PixelOctet lowHalves(const vectormath::Mask4 &a, const vectormath::Mask4 &b)
{
    return __builtin_shufflevector(PixelOctet(a), PixelOctet(b), 0, 2, 4, 6, 8, 10, 12, 14);
}

[[gnu::always_inline]] inline PixelSixteen lowHalves(const vectormath::Mask8 &a, const vectormath::Mask8 &b)
{
    return __builtin_shufflevector(PixelSixteen(a), PixelSixteen(b), 0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20,
                                   22, 24, 26, 28, 30);
}

// A vector of grey pixels, each in the low half of its lane.
template <typename V>
[[gnu::always_inline]] inline vectormath::MaskOf<V> greyVector(const V &values, double k, double levelK,
                                                               std::int64_t flip)
{
    using vectormath::blend;
    using vectormath::splat;
    using M = vectormath::MaskOf<V>;
    // Adding 2^52 rounds a value of 0..255 to the nearest integer (ties to even)
    // and leaves that integer in the low bits.
    constexpr double integerShift = 4503599627370496.0;
    const V g = values * k + 128.0 - levelK;
    const M number = g == g;
    // Only numbers reach the ordered comparisons, so no NaN raises an exception.
    const V numeric = blend<V>(number, g, splat<V>(0.0));
    V clamped = blend<V>(numeric > 0.0, numeric, splat<V>(0.0));
    clamped = blend<V>(clamped < 255.0, clamped, splat<V>(255.0));
    const V shifted = clamped + integerShift;
    // A tie rounded down to even goes up: halves away from zero.
    const M tie = (clamped - (shifted - integerShift)) == 0.5;
    const M grey = (((M(shifted) & 0xff) - tie) ^ flip) & number;
    return grey | (grey << 8) | (grey << 16) | 0xff000000;
}

// greyPixels for width != 0, two vectors at a time; the last values through a
// padded copy.
template <typename V>
[[gnu::always_inline]] inline void greyRun(const double *values, std::uint32_t *out, int count,
                                           double k, double levelK, std::int64_t flip)
{
    constexpr int lanes = vectormath::VectorTraits<V>::lanes;
    int i = 0;
    for (; i + 2 * lanes <= count; i += 2 * lanes) {
        const auto pixels = lowHalves(greyVector(vectormath::load<V>(values + i), k, levelK, flip),
                                      greyVector(vectormath::load<V>(values + i + lanes), k, levelK, flip));
        std::memcpy(out + i, &pixels, sizeof pixels);
    }
    if (i == count)
        return;
    double rest[2 * lanes] = {};
    std::memcpy(rest, values + i, sizeof(double) * std::size_t(count - i));
    const auto pixels = lowHalves(greyVector(vectormath::load<V>(rest), k, levelK, flip),
                                  greyVector(vectormath::load<V>(rest + lanes), k, levelK, flip));
    std::memcpy(out + i, &pixels, sizeof(std::uint32_t) * std::size_t(count - i));
}

} // namespace

#endif
