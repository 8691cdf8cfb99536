#include "views/levwidviewgeometry.h"

#include "simulation/widthslider.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace {

constexpr int kPlotLeft = 45;
constexpr int kPlotTop = 20;
constexpr int kRightMargin = 54;
constexpr int kVerticalMargins = 64;
constexpr int kBaselineMargin = 44;
constexpr int kFarAway = 1000000;
constexpr int kReach = 9;
constexpr double kWhite = 255;
constexpr double kMidGrey = 128;

int heldPixel(double coordinate)
{
    if (std::isnan(coordinate))
        return 0;
    return static_cast<int>(std::round(std::clamp(coordinate, double(-kFarAway), double(kFarAway))));
}

} // namespace

bool HistogramPlot::scaled() const
{
    return scale > 0 && std::isfinite(scale);
}

HistogramPlot histogramPlot(int widgetWidth, int widgetHeight, double rangeLow, double rangeHigh)
{
    HistogramPlot plot;
    const int wPrime = widgetWidth - 1;
    const int hPrime = widgetHeight - 1;
    plot.left = kPlotLeft;
    plot.top = kPlotTop;
    plot.width = wPrime - kRightMargin;
    plot.height = hPrime - kVerticalMargins;
    plot.baseline = hPrime - kBaselineMargin;
    const double scale = plot.width / (rangeHigh - rangeLow);
    plot.scale = (scale > 0 && std::isfinite(scale)) ? scale : 0;
    return plot;
}

int plotX(const HistogramPlot &plot, double value, double rangeLow)
{
    return plot.left + heldPixel((value - rangeLow) * plot.scale);
}

WindowMarks windowMarks(const HistogramPlot &plot, double level, double width, double rangeLow)
{
    WindowMarks marks;
    marks.lowX = plotX(plot, level - width / 2, rangeLow);
    marks.highX = plotX(plot, level + width / 2, rangeLow);
    marks.centreX = plotX(plot, level, rangeLow);
    return marks;
}

Handles windowHandles(const HistogramPlot &plot, const WindowMarks &marks)
{
    Handles handles;
    if (!plot.scaled())
        return handles;
    const int xs[3] = {marks.lowX, marks.centreX, marks.highX};
    for (int i = 0; i < 3; ++i) {
        if (xs[i] >= plot.left && xs[i] <= plot.right())
            handles[i] = {xs[i], plot.handleY()};
    }
    return handles;
}

int handleWithinReach(const Handles &handles, int x, int y)
{
    for (int i = 2; i >= 0; --i) {
        const HandlePoint &h = handles[i];
        if (h.x != -1 && std::abs(h.x - x) <= kReach && std::abs(h.y - y) <= kReach)
            return i;
    }
    return -1;
}

int barHeight(double count, double peak, int plotHeight)
{
    const double height = count * plotHeight / std::round(2 * peak);
    if (!(height > 0))
        return 0;
    return static_cast<int>(std::min(height, double(plotHeight)));
}

int barGrey(double edgeValue, double level, double width, bool invert)
{
    const double q = kWhite / width;
    const double g = edgeValue * q + kMidGrey - level * q;
    const int grey = (width == 0 || std::isnan(g)) ? 0 : static_cast<int>(std::clamp(g, 0.0, kWhite));
    return invert ? 255 - grey : grey;
}

std::vector<PlotPoint> transferCurve(const HistogramPlot &plot, const WindowMarks &marks,
                                     bool invert)
{
    const long long lowX = marks.lowX;
    const long long highX = marks.highX;
    const long long height = plot.height;
    // Height above the baseline of the grey shown at x.
    auto rise = [&](int x) -> long long {
        if (x <= lowX)
            return 0;
        if (x >= highX)
            return height;
        return ((x - lowX) * height) / (highX - lowX);
    };
    std::vector<std::pair<int, long long>> corners{{plot.left, rise(plot.left)}};
    if (lowX > plot.left && lowX < plot.right())
        corners.emplace_back(static_cast<int>(lowX), 0);
    if (highX > plot.left && highX < plot.right())
        corners.emplace_back(static_cast<int>(highX), height);
    corners.emplace_back(plot.right(), rise(plot.right()));

    std::vector<PlotPoint> curve;
    for (const auto &[x, r] : corners)
        curve.push_back({x, static_cast<int>(invert ? plot.top + r : plot.baseline - r)});
    return curve;
}

int dragX(const HistogramPlot &plot, int pointerX, int offset)
{
    const long long x = static_cast<long long>(pointerX) + offset;
    return static_cast<int>(std::clamp<long long>(x, plot.left, plot.right()));
}

int draggedLevel(const HistogramPlot &plot, int x, double rangeLow)
{
    return sliderValue((x - plot.left) / plot.scale + rangeLow);
}

double draggedWidth(const HistogramPlot &plot, int x, int centreX)
{
    const double width = 2.0 * std::abs(static_cast<long long>(x) - centreX) / plot.scale;
    return width == 0 ? 1 : width;
}

int roundPixel(double coordinate)
{
    return heldPixel(coordinate);
}
