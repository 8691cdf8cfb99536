#include "views/pixeltimescale.h"

#include <cmath>

namespace {

constexpr double kLabelStep = 25;
constexpr double kLabelReach = 50;
constexpr int kMostLabels = 5;
constexpr int kBottomMargin = 23;

} // namespace

double seriesMean(const std::vector<double> &values)
{
    if (values.empty())
        return 0;
    double sum = 0;
    for (double v : values)
        sum += v;
    return sum / static_cast<double>(values.size());
}

std::vector<double> timeCurveLabels(double mean)
{
    std::vector<double> labels;
    if (!std::isfinite(mean))
        return labels;
    // + 0.0 turns a first label of -0 into 0.
    const double first = kLabelStep * std::ceil((mean - kLabelReach) / kLabelStep) + 0.0;
    // Counting the labels instead of stepping a value ends also where adding 25
    // no longer changes a huge mean.
    for (int i = 0; i < kMostLabels; ++i) {
        const double label = first + i * kLabelStep;
        if (label > mean + kLabelReach)
            break;
        labels.push_back(label);
    }
    return labels;
}

double timeCurveY(double value, double mean, int hPrime, int plotHeight)
{
    return (hPrime - kBottomMargin - plotHeight / 2) + mean - value;
}
