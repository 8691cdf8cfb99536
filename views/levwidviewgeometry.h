#ifndef RELAXON_VIEWS_LEVWIDVIEWGEOMETRY_H
#define RELAXON_VIEWS_LEVWIDVIEWGEOMETRY_H

#include <array>
#include <vector>

// Widget-free arithmetic of the histogram in the level dialog: where the plot lies,
// where the display window's edges and level fall, the bars, the transfer curve and
// which handle the pointer can grab. All coordinates are widget pixels.

struct HistogramPlot
{
    int left = 45;     // x of the value axis
    int top = 20;      // y of the plot's top
    int width = 0;     // W
    int height = 0;    // H
    int baseline = 0;  // y of the baseline, top + H
    double scale = 0;  // pixels per value unit; 0 when the value range gives no scale

    // The widget is large enough for a plot.
    bool drawable() const { return width >= 1 && height >= 1; }
    // Values can be placed on the plot: the value range is neither empty nor endless.
    bool scaled() const;
    int right() const { return left + width; }
    // The height at which the handles sit.
    int handleY() const { return baseline - height / 2; }
};

// The plot of a widget of widgetWidth x widgetHeight pixels over the value range
// rangeLow..rangeHigh: w' = width - 1, h' = height - 1, W = w' - 54, H = h' - 64,
// baseline h' - 44, s = W / (rangeHigh - rangeLow).
HistogramPlot histogramPlot(int widgetWidth, int widgetHeight, double rangeLow, double rangeHigh);

// x of a value: left + round((value - rangeLow) s). Far-off values are held a
// million pixels away so that the integer arithmetic of painting stays in range.
int plotX(const HistogramPlot &plot, double value, double rangeLow);

struct WindowMarks
{
    int lowX = 0;    // lower edge of the window, level - width / 2
    int centreX = 0; // the level
    int highX = 0;   // upper edge, level + width / 2
};

WindowMarks windowMarks(const HistogramPlot &plot, double level, double width, double rangeLow);

struct HandlePoint
{
    int x = -1; // -1: not shown
    int y = -1;
};

enum HandleIndex : int { HandleLow = 0, HandleLevel = 1, HandleHigh = 2 };
using Handles = std::array<HandlePoint, 3>;

// The three handles at the handles' height; a handle whose x lies outside the plot
// is not shown (x = -1). Without a scale no handle is shown.
Handles windowHandles(const HistogramPlot &plot, const WindowMarks &marks);

// Within reach: both coordinates differ from the pointer's by at most 9 pixels.
// Among the shown handles within reach the highest number wins; -1 for none.
int handleWithinReach(const Handles &handles, int x, int y);

// Bar height of a bin holding count pixels: count H / round(2 peak), taken toward
// zero and kept within 0..H, so that the peak reaches half the plot's height.
int barHeight(double count, double peak, int plotHeight);

// Grey in which the bar of a bin with the given upper edge is filled:
// trunc(v q + 128 - level q) with q = 255 / width, clamped to 0..255, then inverted
// if asked. A width of 0 or a result that is not a number gives black.
int barGrey(double edgeValue, double level, double width, bool invert);

struct PlotPoint
{
    int x = 0;
    int y = 0;
    friend bool operator==(const PlotPoint &, const PlotPoint &) = default;
};

// The transfer curve from black at the baseline to white at the top: flat left of
// the window, a straight ramp from lowX to highX, flat right of it; where the ramp
// leaves the plot it is cut at the plot's edge. Inverted: mirrored top to bottom.
std::vector<PlotPoint> transferCurve(const HistogramPlot &plot, const WindowMarks &marks,
                                     bool invert);

// Handle x for a pointer at x with the offset taken at the press, kept on the plot.
int dragX(const HistogramPlot &plot, int pointerX, int offset);

// Level for the level handle at x: round((x - left) / s + rangeLow).
int draggedLevel(const HistogramPlot &plot, int x, double rangeLow);

// Width for an edge handle at x, the window kept centred on the level at centreX:
// 2 |x - centreX| / s, where a width of exactly 0 counts as 1.
double draggedWidth(const HistogramPlot &plot, int x, int centreX);

// A pointer coordinate rounded to the nearest pixel, halves away from zero.
int roundPixel(double coordinate);

#endif
