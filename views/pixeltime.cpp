#include "views/pixeltime.h"

#include "cases/casedata.h"
#include "simulation/fmristatistics.h"
#include "views/mriview.h"
#include "views/pixeltimescale.h"
#include "views/session.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kInitialWidth = 250;
constexpr int kInitialHeight = 150;
constexpr int kPlotLeft = 60;
constexpr int kPlotTop = 10;
constexpr int kRightMargin = 69;
constexpr int kVerticalMargins = 33;
constexpr int kBottomMargin = 23;
constexpr int kLabelAboveValue = 8;
constexpr int kLabelRight = 55;
constexpr int kLabelHeight = 20;
constexpr int kLabelBoxWidth = 200;  // the alignment places the text at its right
constexpr double kFarAway = 1e6;     // keeps stray values representable as pixels

const QColor kTaskBand(200, 200, 200);
const QColor kRestBand(230, 230, 230);

// A coordinate taken toward zero; values beyond any screen are held far off.
int towardZero(double coordinate)
{
    return static_cast<int>(std::clamp(coordinate, -kFarAway, kFarAway));
}

} // namespace

PixelTime::PixelTime(QWidget *parent, int count, Qt::WindowFlags flags)
    : QDialog(parent, flags), values(static_cast<size_t>(std::max(count, 0)), 0.0)
{
    resize(kInitialWidth, kInitialHeight);
}

void PixelTime::fillFromSeries(const CaseData &data, int a, int b, int maximum)
{
    const int limit = maximum > 0 ? std::min(count(), maximum) : count();
    const int frameWidth = data.frames > 0 ? data.cols / data.frames : 0;
    const bool inside = data.pd && a >= 0 && b >= 0 && a < data.rows && b < frameWidth;
    for (int k = 0; k < limit; ++k)
        values[k] = (inside && k < data.frames) ? data.pd[a + 1][b + 1 + k * frameWidth] : 0;
}

void PixelTime::placeBeside(const QWidget *mainWindow, int viewWidth)
{
    move(mainWindow->x() + viewWidth - width(), mainWindow->geometry().top());
}

int PixelTime::shownFrame() const
{
    const auto *view = qobject_cast<const MriView *>(parentWidget());
    return view ? view->frame() : 0;
}

QString PixelTime::unitsText() const
{
    const auto *view = qobject_cast<const MriView *>(parentWidget());
    return view ? view->session().unitsLabel : QString();
}

void PixelTime::keyPressEvent(QKeyEvent *event)
{
    // From the view the toolkit hands a key it does not use on to the main window.
    if (QWidget *view = parentWidget())
        QCoreApplication::sendEvent(view, event);
    event->accept();
}

void PixelTime::paintEvent(QPaintEvent *)
{
    const int wPrime = width() - 1;
    const int hPrime = height() - 1;
    const int plotWidth = wPrime - kRightMargin;
    const int plotHeight = hPrime - kVerticalMargins;
    const int bottom = hPrime - kBottomMargin;
    if (plotWidth < 1 || plotHeight < 1 || values.empty())
        return;

    const double s = double(plotWidth) / count();
    const double mean = seriesMean(values);

    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);

    // The bands are the blocks the statistics compare, so the response shows inside
    // the task bands.
    const int bandHeight = hPrime - 24 - kPlotTop;
    painter.setPen(Qt::NoPen);
    for (const FmriBlock &block : fmriBlocks(count())) {
        const int left = towardZero(kPlotLeft + (block.first - 1) * s);
        const int right = towardZero(kPlotLeft + block.last * s);
        painter.setBrush(block.task ? kTaskBand : kRestBand);
        painter.drawRect(left, kPlotTop, right - left, bandHeight);
    }

    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    painter.drawText(plotWidth / 3 + kPlotLeft, hPrime - 7, QCoreApplication::translate("PixelTime", "time"));

    painter.save();
    const QRect unitsStrip(2, 11, 20, bottom - 11 + 1);
    painter.translate(unitsStrip.center());
    painter.rotate(-90);
    painter.drawText(QRect(-unitsStrip.height() / 2, -unitsStrip.width() / 2, unitsStrip.height(),
                           unitsStrip.width()),
                     Qt::AlignCenter, unitsText());
    painter.restore();

    for (double label : timeCurveLabels(mean)) {
        // The box's middle lies two pixels below the label's value.
        const int top = towardZero(timeCurveY(label, mean, hPrime, plotHeight) - kLabelAboveValue);
        painter.drawText(QRect(kLabelRight - kLabelBoxWidth, top, kLabelBoxWidth, kLabelHeight),
                         Qt::AlignRight | Qt::AlignVCenter, QString::number(label, 'f', 0));
    }

    const int markerX = towardZero(shownFrame() * s + kPlotLeft);
    painter.setPen(QColor(255, 0, 0));
    painter.drawLine(markerX, bottom, markerX, kPlotTop);

    painter.setPen(QPen(QColor(0, 0, 255), 2));
    for (int i = 0; i < count(); ++i) {
        const double y = timeCurveY(values[i], mean, hPrime, plotHeight);
        if (std::isnan(y))
            continue;
        painter.drawPoint(towardZero(i * s + kPlotLeft), towardZero(y));
    }
}
