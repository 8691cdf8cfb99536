#include "simulation/widthslider.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPositionsPerDecade = 1000;
constexpr double kPercent = 100;
constexpr double kSliderLimit = 1e9;

} // namespace

double sliderToWidth(int position, double widthMax)
{
    return 1 + (std::pow(10.0, position / kPositionsPerDecade) - 1) * widthMax / kPercent;
}

int widthToSlider(double width, double widthMax)
{
    if (!(widthMax > 0))
        return 0;
    const double position =
        std::round(kPositionsPerDecade * std::log10((width - 1) * kPercent / widthMax + 1));
    if (std::isnan(position))
        return 0;
    return static_cast<int>(std::clamp(position, 0.0, double(kWidthSliderMaximum)));
}

int sliderValue(double value)
{
    if (std::isnan(value))
        return 0;
    return static_cast<int>(std::clamp(std::round(value), -kSliderLimit, kSliderLimit));
}
