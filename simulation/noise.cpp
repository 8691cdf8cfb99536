#include "simulation/noise.h"

#include <cmath>
#include <cstddef>

// This file is compiled without contraction of a * b + c into one fused
// operation (see CMakeLists.txt): processors that have it would otherwise round
// differently from those that have not, and the same seed must give the same
// noise everywhere.

namespace {

// SplitMix64 (Steele, Lea and Flood 2014): a Weyl sequence hashed by a
// multiply-xorshift finaliser.
class SplitMix64
{
public:
    explicit SplitMix64(std::uint64_t seed) : state(seed) {}

    std::uint64_t next()
    {
        std::uint64_t z = (state += 0x9e3779b97f4a7c15u);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
        return z ^ (z >> 31);
    }

    // Uniform on [-1, 1) in steps of 2^-52.
    double nextSigned() { return double(next() >> 11) * 0x1p-52 - 1.0; }

private:
    std::uint64_t state;
};

// Natural logarithm of s in (0, 1] from basic arithmetic only: s = m 2^e with m in
// [1/sqrt 2, sqrt 2), and ln m = 2 atanh t = 2 (t + t^3/3 + t^5/5 + ...) with
// t = (m - 1) / (m + 1), |t| <= 0.172; eleven terms of the series reach the
// last bit. Within a few units in the last place of the exact value.
double portableLog(double s)
{
    int exponent = 0;
    double m = std::frexp(s, &exponent); // exact
    if (m < 0.70710678118654752440) {
        m *= 2;
        --exponent;
    }
    const double t = (m - 1) / (m + 1);
    const double t2 = t * t;
    double series = 1.0 / 23;
    for (int k = 10; k >= 0; --k)
        series = series * t2 + 1.0 / (2 * k + 1);
    constexpr double ln2High = 0x1.62e42fefa3800p-1; // its last 11 bits zero: e ln2High is exact
    constexpr double ln2Low = 0x1.ef35793c76730p-45;
    return exponent * ln2High + (exponent * ln2Low + 2 * t * series);
}

} // namespace

NoiseField drawNoiseField(int32 rows, int32 cols, std::uint64_t seed)
{
    NoiseField field;
    if (rows <= 0 || cols <= 0)
        return field;
    field.rows = rows;
    field.cols = cols;
    const std::size_t pixels = std::size_t(rows) * std::size_t(cols);
    field.real.resize(pixels);
    field.imaginary.resize(pixels);

    SplitMix64 stream(seed);
    for (std::size_t i = 0; i < pixels; ++i) {
        double u = 0;
        double v = 0;
        double s = 0;
        do {
            u = stream.nextSigned();
            v = stream.nextSigned();
            s = u * u + v * v;
        } while (s >= 1 || s == 0);
        const double scale = std::sqrt(-2 * portableLog(s) / s);
        field.real[i] = float(u * scale);
        field.imaginary[i] = float(v * scale);
    }
    return field;
}

void addRicianNoise(double **image, int32 rows, int32 cols, double sigma, const NoiseField &field)
{
    for (int32 x = 1; x <= rows; ++x) {
        double *row = image[x] + 1;
        const std::size_t start = std::size_t(x - 1) * std::size_t(field.cols);
        const float *real = field.real.data() + start;
        const float *imaginary = field.imaginary.data() + start;
        for (int32 y = 0; y < cols; ++y) {
            const double a = row[y] + sigma * real[y];
            const double b = sigma * imaginary[y];
            row[y] = std::sqrt(a * a + b * b);
        }
    }
}

void addRicianNoise(double **image, int32 rows, int32 cols, double sigma, std::uint64_t seed)
{
    addRicianNoise(image, rows, cols, sigma, drawNoiseField(rows, cols, seed));
}
