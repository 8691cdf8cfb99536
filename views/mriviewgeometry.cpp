#include "views/mriviewgeometry.h"

#include "simulation/widthslider.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

int roundToInt(double value)
{
    return static_cast<int>(std::round(value));
}

int floorDiv(long long numerator, long long denominator)
{
    long long quotient = numerator / denominator;
    if ((numerator % denominator != 0) && ((numerator < 0) != (denominator < 0)))
        --quotient;
    return static_cast<int>(quotient);
}

// Bounds of images whose values reach the ends of the double range stay finite.
double finiteBound(double value)
{
    constexpr double largest = std::numeric_limits<double>::max();
    return std::isnan(value) ? 0 : std::clamp(value, -largest, largest);
}

double clampOrLow(double value, double low, double high)
{
    if (std::isnan(value))
        return low;
    return std::clamp(value, low, std::max(low, high));
}

} // namespace

ImageRect fitImageRect(int areaWidth, int areaHeight, int rows, int cols)
{
    const double w = std::max(areaWidth, 0);
    const double h = std::max(areaHeight, 0);
    ImageRect rect;
    if (double(rows) / w > double(cols) / h) {
        rect.width = int(w);
        rect.height = roundToInt(w * cols / rows);
    } else {
        rect.height = int(h);
        rect.width = roundToInt(rows * h / cols);
    }
    rect.x0 = roundToInt((w - rect.width) * 0.5);
    rect.y0 = roundToInt((h - rect.height) * 0.5);
    return rect;
}

ScreenPoint pixelToScreen(const ImageRect &rect, int rows, int cols, int x, int y)
{
    return {int(static_cast<long long>(rect.width) * x / rows) + rect.x0,
            int(static_cast<long long>(rect.height) * y / cols) + rect.y0};
}

ScreenPoint screenToPixel(const ImageRect &rect, int rows, int cols, int x, int y)
{
    if (rect.width <= 0 || rect.height <= 0)
        return {-1, -1};
    return {floorDiv(static_cast<long long>(x - rect.x0) * rows, rect.width),
            floorDiv(static_cast<long long>(y - rect.y0) * cols, rect.height)};
}

LevelWidthBounds levelWidthBounds(double rangeLow, double rangeHigh, bool isMri, double fullScale)
{
    LevelWidthBounds bounds;
    if (isMri) {
        bounds.levelMin = -fullScale;
        bounds.levelMax = 2 * fullScale;
        bounds.widthMax = 10 * fullScale;
    } else {
        bounds.levelMin = std::min(2 * rangeLow, -rangeHigh);
        bounds.levelMax = 2 * rangeHigh;
        bounds.widthMax = 10 * rangeHigh;
    }
    bounds.levelMin = finiteBound(bounds.levelMin);
    bounds.levelMax = finiteBound(bounds.levelMax);
    bounds.widthMax = finiteBound(bounds.widthMax);
    return bounds;
}

void clampLevelWidth(double &level, double &width, const LevelWidthBounds &bounds)
{
    width = clampOrLow(width, bounds.widthMin, bounds.widthMax);
    level = clampOrLow(level, bounds.levelMin, bounds.levelMax);
}

DisplayWindow draggedWindow(const DragStart &start, int x, int y, int extent,
                            const LevelWidthBounds &bounds)
{
    DisplayWindow window{start.level, start.width};
    if (extent < 1)
        return window;
    const double dx = double(x) - start.x;
    const double dy = double(y) - start.y;
    // The width always passes through a slider position, so returning to the press
    // point gives the nearest slider width rather than the start width itself.
    const int startPosition = widthToSlider(start.width, bounds.widthMax);
    const int position =
        sliderValue(dx * (bounds.widthMax - bounds.widthMin) / extent / 10 + startPosition);
    window.width = sliderToWidth(position, bounds.widthMax);
    // Bounds at the ends of the double range span an infinite level range; a purely
    // sideways drag must not turn that into a level that is not a number.
    if (dy != 0)
        window.level = start.level - (dy * (bounds.levelMax - bounds.levelMin)) / extent;
    return window;
}
