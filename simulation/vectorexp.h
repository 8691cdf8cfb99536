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

#include <array>
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
#if defined(__AVX__)
template <>
[[gnu::always_inline]] inline bool anyLane(const Mask4 &mask)
{
    return !_mm256_testz_si256(__m256i(mask), __m256i(mask));
}
#endif
#if defined(__AVX512F__)
template <>
[[gnu::always_inline]] inline bool anyLane(const Mask8 &mask)
{
    return _mm512_test_epi64_mask(__m512i(mask), __m512i(mask)) != 0;
}
#endif

// 2^(j / 16) for j = 0..15, correctly rounded.
alignas(64) constexpr double kTwoToSixteenths[16] = {
    0x1p+0, 0x1.0b5586cf9890fp+0, 0x1.172b83c7d517bp+0, 0x1.2387a6e756238p+0,
    0x1.306fe0a31b715p+0, 0x1.3dea64c123422p+0, 0x1.4bfdad5362a27p+0, 0x1.5ab07dd485429p+0,
    0x1.6a09e667f3bcdp+0, 0x1.7a11473eb0187p+0, 0x1.8ace5422aa0dbp+0, 0x1.9c49182a3f09p+0,
    0x1.ae89f995ad3adp+0, 0x1.c199bdd85529cp+0, 0x1.d5818dcfba487p+0, 0x1.ea4afa2a490dap+0,
};

// 2^(j / T) for j = 0..T - 1, T = 4, 8 or 16.
template <int size>
constexpr std::array<double, size> twoToFractions()
{
    std::array<double, size> entries{};
    for (int j = 0; j < size; ++j)
        entries[j] = kTwoToSixteenths[j * 16 / size];
    return entries;
}
template <int size>
alignas(64) constexpr std::array<double, size> kTwoToFractions = twoToFractions<size>();

// table[index] in every lane, for a table of 2 * lanes entries.
template <typename V>
[[gnu::always_inline]] inline V tableEntries(const double *table, const MaskOf<V> &index)
{
#if defined(__clang__)
    // Clang has no shuffle with indices known only at run time.
    V entries;
    for (int l = 0; l < VectorTraits<V>::lanes; ++l)
        entries[l] = table[index[l]];
    return entries;
#else
    return __builtin_shuffle(load<V>(table), load<V>(table + VectorTraits<V>::lanes), index);
#endif
}

// e^x for x in [-708, 709]: x = (n / T) ln 2 + r with |r| <= ln 2 / (2 T), so
// e^x = 2^floor(n / T) * 2^((n mod T) / T) * e^r; the middle factor comes from a
// table of T = 2 * lanes entries and e^r - 1 from its Taylor series, as far as
// needed for a truncation below 1e-17 relative (up to r^7 / 7! with 16 entries,
// r^8 / 8! with 8, r^9 / 9! with 4).
template <typename V>
[[gnu::always_inline]] inline V expInRange(const V &x)
{
    using M = MaskOf<V>;
    constexpr int lanes = VectorTraits<V>::lanes;
    constexpr int size = 2 * lanes;
    constexpr int sizeBits = size == 16 ? 4 : size == 8 ? 3 : 2;
    constexpr double perLn2 = size * 1.4426950408889634;
    // ln 2 / T split so that n * ln2High is exact for every n used here.
    constexpr double ln2High = 6.93147180369123816490e-01 / size;
    constexpr double ln2Low = 1.90821492927058770002e-10 / size;
    // Adding 1.5 * 2^52 rounds to an integer and leaves it in the low mantissa bits.
    constexpr double roundingShift = 6755399441055744.0;

    const V shifted = x * perLn2 + roundingShift;
    const V n = shifted - roundingShift;
    V r = x - n * ln2High;
    r = r - n * ln2Low;

    V p = splat<V>(size == 16 ? 1.0 / 5040.0 : size == 8 ? 1.0 / 40320.0 : 1.0 / 362880.0);
    if constexpr (size == 4)
        p = p * r + 1.0 / 40320.0;
    if constexpr (size <= 8)
        p = p * r + 1.0 / 5040.0;
    p = p * r + 1.0 / 720.0;
    p = p * r + 1.0 / 120.0;
    p = p * r + 1.0 / 24.0;
    p = p * r + 1.0 / 6.0;
    p = p * r + 0.5;
    p = p * r + 1.0;
    const V expm1OfR = p * r;

    // The low bits of the shifted value hold n mod T, whatever the sign of n.
    const M integer = M(shifted) - M(splat<V>(roundingShift));
    const V entry = tableEntries<V>(kTwoToFractions<size>.data(), M(shifted) & (size - 1));
    const V scale = V(((integer >> sizeBits) + 1023) << 52);
    return (entry + entry * expm1OfR) * scale;
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
