#include "simulation/displaywindow.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

constexpr double kLowPercentile = 0.02;
constexpr double kHighPercentile = 0.98;
constexpr int kFirstPeakBin = 5; // the lowest bins hold the background
constexpr double kGreySaturation = 1e6;

int binOf(double value, double rangeLow, double range)
{
    const double position = std::round((value - rangeLow) * kHistogramBins / range);
    if (!std::isfinite(position))
        return 0;
    return static_cast<int>(std::clamp(position, 0.0, double(kHistogramBins - 1)));
}

} // namespace

double niceCeiling(double x)
{
    static constexpr double mantissas[] = {1, 1.5, 2, 3, 5, 8};
    if (!std::isfinite(x))
        return x;
    const double magnitude = std::fabs(x);
    for (double power = 1; std::isfinite(power); power *= 10) {
        for (double m : mantissas) {
            const double candidate = m * power;
            if (!std::isfinite(candidate))
                return x;
            if (candidate >= magnitude)
                return x < 0 ? -candidate : candidate;
        }
    }
    return x;
}

AutoDisplayWindow autoLevelWidth(double **image, int32 rows, int32 cols)
{
    AutoDisplayWindow window;

    double low = 0;
    double high = 0;
    for (int32 x = 1; x <= rows; ++x)
        for (int32 y = 1; y <= cols; ++y) {
            const double v = image[x][y];
            if (!std::isfinite(v))
                continue;
            high = std::max(high, v);
            low = std::min(low, v);
        }
    window.rangeLow = niceCeiling(low);
    window.rangeHigh = niceCeiling(high);
    const double range = window.rangeHigh - window.rangeLow;

    std::array<std::int64_t, kHistogramBins> counts{};
    for (int32 x = 1; x <= rows; ++x)
        for (int32 y = 1; y <= cols; ++y)
            ++counts[binOf(image[x][y], window.rangeLow, range)];

    for (int i = 0; i < kHistogramBins; ++i) {
        window.histogram[i].count = double(counts[i]);
        window.histogram[i].upperEdge = window.rangeLow + range * (i + 1) / kHistogramBins;
    }
    std::int64_t peak = 1;
    for (int i = kFirstPeakBin; i < kHistogramBins; ++i)
        peak = std::max(peak, counts[i]);
    window.histogramPeak = double(peak);

    // Bin 0 holds the background (and all of an empty range); leaving it out keeps
    // a mostly dark image from pinning the window to its lowest values.
    const std::int64_t pixels = std::int64_t(rows) * cols;
    std::int64_t total = pixels - counts[0];
    if (total <= 0)
        total = pixels;
    int lowBin = 0;
    int highBin = kHistogramBins - 1;
    std::int64_t cumulative = 0;
    for (int i = 1; i < kHistogramBins; ++i) {
        cumulative += counts[i];
        if (cumulative < kLowPercentile * total)
            lowBin = i;
        if (cumulative > kHighPercentile * total) {
            highBin = i - 1;
            break;
        }
    }
    if (lowBin == highBin) {
        lowBin = 0;
        highBin = kHistogramBins - 1;
    }

    window.autoLow = window.rangeLow + lowBin * range / kHistogramBins;
    window.autoHigh = window.rangeLow + highBin * range / kHistogramBins;
    window.width = window.autoHigh - window.autoLow;
    window.level = (window.autoLow + window.autoHigh) / 2;
    return window;
}

int levelToGrey(double value, double level, double width, bool invert, GreyRange range)
{
    if (width == 0 || std::isnan(value))
        return 0;
    const double k = 255.0 / width;
    double grey = std::round(value * k + 128.0 - level * k);
    if (std::isnan(grey))
        return 0;
    if (range == GreyRange::Clamped)
        grey = std::clamp(grey, 0.0, 255.0);
    else
        grey = std::clamp(grey, -kGreySaturation, kGreySaturation);
    const int g = static_cast<int>(grey);
    return invert ? 255 - g : g;
}
