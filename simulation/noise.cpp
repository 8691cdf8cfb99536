#include "simulation/noise.h"

#include <bit>
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

    // Uniform on [-1, 1) in steps of 2^-52; through a signed integer, which
    // converts to double in one instruction.
    double nextSigned() { return double(std::int64_t(next() >> 11)) * 0x1p-52 - 1.0; }

private:
    std::uint64_t state;
};

// ln x for x in [0.5, 1] by the series 2 atanh t = 2 (t + t^3/3 + t^5/5 + ...),
// t = (x - 1) / (x + 1), |t| <= 1/3; forty terms reach the last bit. For the
// table below only, which the compiler fills.
constexpr double seriesLog(double x)
{
    const double t = (x - 1) / (x + 1);
    double power = t;
    double sum = 0;
    for (int k = 0; k < 40; ++k) {
        sum += power / (2 * k + 1);
        power *= t * t;
    }
    return 2 * sum;
}

// For mantissas m in [1, 2) by their first seven bits k: the reciprocal of the
// middle of their interval, 1 + (k + 0.5) / 128, and minus its logarithm.
struct LogTable
{
    double reciprocal[128];
    double minusLogReciprocal[128];
};

constexpr LogTable makeLogTable()
{
    LogTable table{};
    for (int k = 0; k < 128; ++k) {
        table.reciprocal[k] = 1 / (1 + (k + 0.5) / 128);
        table.minusLogReciprocal[k] = -seriesLog(table.reciprocal[k]);
    }
    return table;
}

constexpr LogTable kLogTable = makeLogTable();

// Natural logarithm of a normal positive s from basic arithmetic only:
// s = m 2^e with m in [1, 2), ln s = e ln 2 - ln c + ln(1 + r), where c is m's
// table reciprocal and r = m c - 1, |r| < 1/255, takes six terms of its series.
// Within about 1e-15 of the exact value: the noise is stored in single
// precision.
double portableLog(double s)
{
    const auto bits = std::bit_cast<std::uint64_t>(s);
    const int exponent = int((bits >> 52) & 0x7ff) - 1023;
    const int k = int((bits >> 45) & 127);
    const double m = std::bit_cast<double>((bits & 0x000fffffffffffffu) | 0x3ff0000000000000u);
    const double r = m * kLogTable.reciprocal[k] - 1;
    const double log1pR = r * (1 + r * (-1.0 / 2 + r * (1.0 / 3 + r * (-1.0 / 4 + r * (1.0 / 5 - r / 6)))));
    constexpr double ln2High = 0x1.62e42fefa3800p-1; // its last 11 bits zero: e ln2High is exact
    constexpr double ln2Low = 0x1.ef35793c76730p-45;
    return exponent * ln2High + (kLogTable.minusLogReciprocal[k] + (exponent * ln2Low + log1pR));
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
