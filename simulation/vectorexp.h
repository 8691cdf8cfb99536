#ifndef RELAXON_SIMULATION_VECTOREXP_H
#define RELAXON_SIMULATION_VECTOREXP_H

// Element-wise arithmetic on short vectors of doubles for the per-pixel loops:
// the exponential, blends and loads, written once on the compiler's vector
// extensions. A loop that uses them is compiled once per instruction set (2, 4 or
// 8 lanes) and chosen at run time, so a generic x86-64 build still runs anywhere.
//
// The exponential is exact to about one ulp on [-708, 709]; it gives 0 below -746
// and flags every other argument (NaN, overflow, the subnormal range) for the
// caller to hand to std::exp. It raises no floating-point exception of its own.

#include <cmath>
#include <cstdint>
#include <cstring>

#if defined(__AVX__)
#include <immintrin.h>
#endif

// Every function here is inlined into its caller, so the calling convention of
// wide vectors that -Wpsabi warns about never applies.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

namespace vectormath {
// Internal linkage: every file that includes this compiles its own copy for its own
// instruction set.
namespace {

typedef double Double2 __attribute__((vector_size(16)));
typedef double Double4 __attribute__((vector_size(32)));
typedef double Double8 __attribute__((vector_size(64)));
typedef std::int64_t Mask2 __attribute__((vector_size(16)));
typedef std::int64_t Mask4 __attribute__((vector_size(32)));
typedef std::int64_t Mask8 __attribute__((vector_size(64)));

template <typename V>
struct VectorTraits;
template <>
struct VectorTraits<Double2> { using Mask = Mask2; static constexpr int lanes = 2; };
template <>
struct VectorTraits<Double4> { using Mask = Mask4; static constexpr int lanes = 4; };
template <>
struct VectorTraits<Double8> { using Mask = Mask8; static constexpr int lanes = 8; };

template <typename V>
using MaskOf = typename VectorTraits<V>::Mask;

template <typename V>
[[gnu::always_inline]] inline V load(const double *p)
{
    V v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <typename V>
[[gnu::always_inline]] inline void store(double *p, const V &v)
{
    std::memcpy(p, &v, sizeof v);
}

// x in every lane; subtracting +0 keeps a -0 (adding would not).
template <typename V>
[[gnu::always_inline]] inline V splat(double x)
{
    return x - V{};
}

// Lanes of whenTrue where mask is all ones, of whenFalse where it is zero.
template <typename V>
[[gnu::always_inline]] inline V blend(const MaskOf<V> &mask, const V &whenTrue, const V &whenFalse)
{
    using M = MaskOf<V>;
    return V((M(whenTrue) & mask) | (M(whenFalse) & ~mask));
}

template <typename V>
[[gnu::always_inline]] inline V absolute(const V &v)
{
    using M = MaskOf<V>;
    return V(M(v) & ~M(splat<V>(-0.0)));
}

template <typename V>
[[gnu::always_inline]] inline V squareRoot(const V &v)
{
    V root{};
    for (int i = 0; i < VectorTraits<V>::lanes; ++i)
        root[i] = std::sqrt(v[i]);
    return root;
}
#if defined(__AVX__)
template <>
[[gnu::always_inline]] inline Double4 squareRoot(const Double4 &v)
{
    return _mm256_sqrt_pd(v);
}
#endif
#if defined(__AVX512F__)
template <>
[[gnu::always_inline]] inline Double8 squareRoot(const Double8 &v)
{
    // The masked form with every lane set: the plain one reads an undefined
    // register that GCC 12 reports as uninitialised.
    return _mm512_mask_sqrt_pd(v, __mmask8(0xff), v);
}
#endif

template <typename M>
[[gnu::always_inline]] inline bool anyLane(const M &mask)
{
    std::int64_t any = 0;
    for (int i = 0; i < int(sizeof(M) / sizeof(std::int64_t)); ++i)
        any |= mask[i];
    return any != 0;
}

// e^x for x in [-708, 709]: x = k ln 2 + r with |r| <= ln 2 / 2, e^r from its
// Taylor series to the 13th power (truncation below 1e-17), times 2^k built in the
// exponent bits.
template <typename V>
[[gnu::always_inline]] inline V expInRange(const V &x)
{
    using M = MaskOf<V>;
    constexpr double log2e = 1.4426950408889634;
    // ln 2 split so that k * ln2High is exact for every k used here.
    constexpr double ln2High = 6.93147180369123816490e-01;
    constexpr double ln2Low = 1.90821492927058770002e-10;
    // Adding 1.5 * 2^52 rounds to an integer and leaves it in the low mantissa bits.
    constexpr double roundingShift = 6755399441055744.0;

    const V shifted = x * log2e + roundingShift;
    const V k = shifted - roundingShift;
    V r = x - k * ln2High;
    r = r - k * ln2Low;

    V p = splat<V>(1.0 / 6227020800.0);
    p = p * r + 1.0 / 479001600.0;
    p = p * r + 1.0 / 39916800.0;
    p = p * r + 1.0 / 3628800.0;
    p = p * r + 1.0 / 362880.0;
    p = p * r + 1.0 / 40320.0;
    p = p * r + 1.0 / 5040.0;
    p = p * r + 1.0 / 720.0;
    p = p * r + 1.0 / 120.0;
    p = p * r + 1.0 / 24.0;
    p = p * r + 1.0 / 6.0;
    p = p * r + 0.5;
    p = p * r + 1.0;
    p = p * r + 1.0;

    const M exponent = M(shifted) - M(splat<V>(roundingShift));
    const V scale = V((exponent + 1023) << 52);
    return p * scale;
}

// e^x; lanes that need std::exp (NaN, above 709, between -746 and -708) are set
// in *slow and hold an unspecified value.
template <typename V>
[[gnu::always_inline]] inline V exp(const V &x, MaskOf<V> *slow)
{
    using M = MaskOf<V>;
    // Equality never raises an exception for a NaN; the ordered comparisons below
    // only see numbers.
    const M nan = x != x;
    const V number = blend<V>(nan, splat<V>(0.0), x);
    const M underflow = number < -746.0;
    const M inRange = (number >= -708.0) & (number <= 709.0);
    *slow = nan | ~(inRange | underflow);
    const V e = expInRange(blend<V>(inRange, number, splat<V>(0.0)));
    return blend<V>(inRange, e, splat<V>(0.0));
}

} // namespace
} // namespace vectormath

#pragma GCC diagnostic pop

#endif
