#ifndef RELAXON_SIMULATION_DISPLAYWINDOW_H
#define RELAXON_SIMULATION_DISPLAYWINDOW_H

#include "numerics/matrixmemory.h"

#include <array>

// The arithmetic of an image view's display window: a level (the value shown as
// mid grey) and a width (the span of values from black to white). Widget-free so
// that views, dialogs, tools and tests share it.

constexpr int kHistogramBins = 100;

// Rounds x away from zero onto 1, 1.5, 2, 3, 5, 8 times a power of ten (0 gives 1,
// a negative x the negated series). A value that is not finite, or whose rounding
// would overflow, is returned as it is.
double niceCeiling(double x);

struct HistogramBin
{
    double count = 0;
    double upperEdge = 0;
};

struct AutoDisplayWindow
{
    double rangeLow = 0;  // smallest value (at most 0) rounded by niceCeiling
    double rangeHigh = 0; // largest value (at least 0) rounded by niceCeiling
    std::array<HistogramBin, kHistogramBins> histogram{};
    double histogramPeak = 1; // largest count of bins 5..99, at least 1
    double autoLow = 0;       // value at the 2 % point of bins 1..99
    double autoHigh = 0;      // value at the 98 % point
    double level = 0;         // (autoLow + autoHigh) / 2
    double width = 0;         // autoHigh - autoLow; 0 for an empty range
};

// Value range, 100-bin histogram and automatic window of image[1..rows][1..cols].
// Bin i (0..99) ends at rangeLow + (rangeHigh - rangeLow) (i + 1) / 100; a value
// goes to the bin nearest to (v - rangeLow) 100 / (rangeHigh - rangeLow), clamped
// to 0..99, or to bin 0 when that is no finite number (an empty range, NaN).
// Values that are not finite do not widen the range.
AutoDisplayWindow autoLevelWidth(double **image, int32 rows, int32 cols);

enum class GreyRange {
    Clamped,   // 0..255, for painting
    Unclamped, // for choosing a marker colour that contrasts with the pixel
};

// Grey level of value: round(v k + 128 - level k) with k = 255 / width, so that
// level maps to 128 and level + width / 2 to white; inverted (255 - g) when invert.
// A width of 0 and a value that is not a number give 0 (black); unclamped results
// saturate far outside 0..255 so that they stay representable.
int levelToGrey(double value, double level, double width, bool invert,
                GreyRange range = GreyRange::Clamped);

#endif
