// Painting of the level dialog's histogram: shaded outside of the window, axes,
// bars with their grey strip and outline, grid, handles, transfer curve, labels,
// grey ramp and the rotated word naming it.

#include "views/levwidview.h"

#include "views/mriview.h"
#include "views/session.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace {

const QColor kShade(230, 230, 230);
const QColor kGrid(128, 128, 255);
const QColor kHandle(255, 150, 150);
const QColor kCurve(0, 0, 255);

constexpr int kStripTop = 5;
constexpr int kStripBottom = 14;
constexpr int kHandleTip = 6;
constexpr int kHandleHalfHeight = 4;
constexpr int kLevelHandleSize = 7;
constexpr int kRampLeft = 15;
constexpr int kRampRight = 6;
constexpr int kTextBox = 1000; // wide enough for any label; the alignment places it

QColor grey(int g)
{
    return QColor(g, g, g);
}

// Text with its top at y, left-aligned at, centred on or right-aligned at x.
void drawLabel(QPainter &painter, int x, int top, Qt::Alignment horizontal, const QString &text)
{
    const int height = painter.fontMetrics().height();
    QRect box(x, top, kTextBox, height);
    if (horizontal & Qt::AlignHCenter)
        box.moveLeft(x - kTextBox / 2);
    else if (horizontal & Qt::AlignRight)
        box.moveRight(x);
    painter.drawText(box, int(horizontal | Qt::AlignTop), text);
}

} // namespace

void LevWidView::paintEvent(QPaintEvent *)
{
    const int hPrime = height() - 1;
    plot = histogramPlot(width(), height(), view->rangeLow(), view->rangeHigh());
    handles = Handles{};
    if (!plot.drawable() || !view->hasImage())
        return;

    const MriView *source = windowSource();
    const double level = source->displayLevel();
    const double width = source->displayWidth();
    const bool invert = source->invert();
    marks = windowMarks(plot, level, width, view->rangeLow());
    const int left = plot.left;
    const int right = plot.right();
    const int base = plot.baseline;

    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);

    if (plot.scaled()) {
        if (marks.lowX > left)
            painter.fillRect(QRect(QPoint(left, plot.top), QPoint(std::min(marks.lowX, right), base)),
                             kShade);
        if (marks.highX < right)
            painter.fillRect(QRect(QPoint(std::max(left, marks.highX), plot.top), QPoint(right, base)),
                             kShade);
    }

    painter.setPen(Qt::black);
    painter.drawLine(left, plot.top, left, base);
    painter.drawLine(left, base, right, base);

    if (histogramShown)
        paintHistogram(painter, level, width, invert);
    paintGrid(painter);

    painter.setRenderHint(QPainter::Antialiasing);
    if (plot.scaled()) {
        handles = windowHandles(plot, marks);
        paintHandles(painter);

        const std::vector<PlotPoint> curve = transferCurve(plot, marks, invert);
        QPolygon line;
        for (const PlotPoint &p : curve)
            line << QPoint(p.x, p.y);
        painter.setPen(QPen(kCurve, 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawPolyline(line);
    }

    paintLabels(painter, hPrime);
    paintRamp(painter);

    painter.setPen(Qt::black);
    painter.save();
    painter.translate(left - 20, plot.height - left - plot.height / 3);
    painter.rotate(-90);
    drawLabel(painter, 0, -painter.fontMetrics().height() / 2, Qt::AlignHCenter, tr("color"));
    painter.restore();
}

void LevWidView::paintHistogram(QPainter &painter, double level, double width, bool invert) const
{
    const int left = plot.left;
    const int base = plot.baseline;
    const int barWidth = plot.width / 100;
    QPolygon outline;
    outline << QPoint(left, base);
    const auto &bins = view->histogram();
    for (int i = 0; i < static_cast<int>(bins.size()); ++i) {
        const int h = barHeight(bins[i].count, view->histogramPeak(), plot.height);
        const QColor shade = grey(barGrey(bins[i].upperEdge, level, width, invert));
        const int x = left + (plot.width * i) / 100;
        painter.fillRect(QRect(QPoint(x, kStripTop), QPoint(x + barWidth, kStripBottom)), shade);
        painter.fillRect(QRect(QPoint(x, base - h), QPoint(x + barWidth, base - 1)), shade);
        outline << QPoint(x, base - h) << QPoint(left + (plot.width * (i + 1)) / 100, base - h);
    }
    painter.setPen(Qt::black);
    painter.drawPolyline(outline);
}

void LevWidView::paintGrid(QPainter &painter) const
{
    const int left = plot.left;
    const int right = plot.right();
    const int base = plot.baseline;
    painter.setPen(kGrid);
    for (int k = 0; k <= 10; ++k) {
        const int x = left + (plot.width * k) / 10;
        painter.drawLine(x, base, x, plot.top);
        const int y = base - (k * plot.height) / 10;
        painter.drawLine(left, y, right, y);
    }
    const int tickEnd = base + 5;
    for (int x : {left, left + plot.width / 2, right})
        painter.drawLine(x, base, x, tickEnd);
}

void LevWidView::paintHandles(QPainter &painter) const
{
    painter.setPen(kHandle);
    painter.setBrush(kHandle);
    const int y = plot.handleY();
    if (handles[HandleLow].x != -1) {
        const int x = handles[HandleLow].x;
        painter.drawPolygon(QPolygon({QPoint(x, y), QPoint(x + kHandleTip, y - kHandleHalfHeight),
                                      QPoint(x + kHandleTip, y + kHandleHalfHeight)}));
    }
    if (handles[HandleHigh].x != -1) {
        const int x = handles[HandleHigh].x;
        painter.drawPolygon(QPolygon({QPoint(x, y), QPoint(x - kHandleTip, y - kHandleHalfHeight),
                                      QPoint(x - kHandleTip, y + kHandleHalfHeight)}));
    }
    if (handles[HandleLevel].x != -1) {
        const int half = kLevelHandleSize / 2;
        painter.fillRect(QRect(handles[HandleLevel].x - half, y - half, kLevelHandleSize,
                               kLevelHandleSize),
                         kHandle);
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(kHandle, 1));
    const int from = std::max(marks.lowX, plot.left);
    const int to = std::min(marks.highX, plot.right());
    if (from <= to)
        painter.drawLine(from, y, to, y);
}

void LevWidView::paintLabels(QPainter &painter, int hPrime) const
{
    painter.setPen(Qt::black);
    const int top = hPrime - 36;
    const double low = view->rangeLow();
    const double high = view->rangeHigh();
    drawLabel(painter, plot.left, top, Qt::AlignLeft, QStringLiteral("%1").arg(low, 0, 'g', 6));
    drawLabel(painter, plot.left + plot.width / 2, top, Qt::AlignHCenter,
              QString::number((low + high) / 2, 'f', 0));
    drawLabel(painter, plot.right(), top, Qt::AlignRight, QStringLiteral("%1").arg(high, 0, 'g', 6));
    drawLabel(painter, plot.left + (3 * plot.width) / 4, hPrime - 20, Qt::AlignHCenter,
              view->session().unitsLabel);
}

void LevWidView::paintRamp(QPainter &painter) const
{
    const int step = plot.height / 255;
    for (int k = 0; k <= 255; ++k) {
        const int y = plot.baseline - (k * plot.height) / 255;
        painter.fillRect(QRect(QPoint(plot.left - kRampLeft, y), QPoint(plot.left - kRampRight, y + step)),
                         grey(k));
    }
}
