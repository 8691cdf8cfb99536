// How an image view answers the mouse and steps the frames of a functional case:
// read-outs of the pixel under the mouse in all views, cross markers, dragging the
// display window, and the fMRI movie.

#include "views/mriview.h"

#include "simulation/signalmodel.h"
#include "views/mriviewreadouts.h"
#include "views/pixeltime.h"
#include "views/session.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kMovieTickMs = 10;
constexpr double kLargestPosition = 1e9; // far beyond any screen

// Widget coordinates of a mouse position, rounded to nearest with halves away from
// zero.
ScreenPoint roundedPosition(const QPointF &position)
{
    const auto round = [](double v) {
        return static_cast<int>(std::clamp(std::round(v), -kLargestPosition, kLargestPosition));
    };
    return {round(position.x()), round(position.y())};
}

} // namespace

void MriView::mousePressEvent(QMouseEvent *event)
{
    const ScreenPoint point = roundedPosition(event->position());
    // Compared with the picture's size, not its offset: the band left of a centred
    // picture counts, its rightmost x0 columns do not.
    if (point.x >= imageRect.width || point.y >= imageRect.height)
        return;
    if (event->button() == Qt::RightButton) {
        showLevelDialog(true);
    } else if (event->button() == Qt::LeftButton && image && state.measureRegion) {
        drawingRegion = true;
        regionDragged = false;
        regionAnchor = screenToPixel(imageRect, imageRows, imageCols, point.x, point.y);
    } else if (event->button() == Qt::LeftButton && image) {
        dragging = true;
        dragStart = {point.x, point.y, currentLevel, currentWidth};
    }
}

void MriView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    dragging = false;
    if (drawingRegion) {
        drawingRegion = false;
        // A click without a drag takes the region away.
        if (!regionDragged)
            spreadRegion(regionAnchor, true);
    }
}

void MriView::mouseDoubleClickEvent(QMouseEvent *)
{
    if (viewKind == ViewAnimation && controls) {
        pauseOrResumeAnimation();
        return;
    }
    setLevelWidth(0, 0);
    update();
}

void MriView::mouseMoveEvent(QMouseEvent *event)
{
    const ScreenPoint point = roundedPosition(event->position());
    if (image) {
        const ScreenPoint pixel = screenToPixel(imageRect, imageRows, imageCols, point.x, point.y);
        state.selectedPixel = QPoint(pixel.x, pixel.y);
        if (pixelInside(pixel, imageRows, imageCols)) {
            const CaseData &data = state.caseData;
            if (data.frames != 0 && timeCurveWidget) {
                timeCurveWidget->fillFromSeries(data, pixel.x, pixel.y);
                timeCurveWidget->update();
            }
            if (!state.documentArea)
                showPixelStatus();
            else
                showValuesEverywhere(pixel.x, pixel.y);
        } else {
            showStatus(QStringLiteral(" "), true);
            state.selectedPixel = QPoint(-1, -1);
        }
    }
    if (drawingRegion) {
        const ScreenPoint pixel = screenToPixel(imageRect, imageRows, imageCols, point.x, point.y);
        regionDragged = regionDragged || pixel.x != regionAnchor.x || pixel.y != regionAnchor.y;
        if (regionDragged)
            spreadRegion(pixel, false);
    }
    if (dragging) {
        const DisplayWindow window =
            draggedWindow(dragStart, point.x, point.y, std::min(width(), height()), bounds);
        setLevelWidth(window.level, window.width);
        update();
    }
}

void MriView::leaveEvent(QEvent *)
{
    showStatus(QStringLiteral(" "), true);
    state.selectedPixel = QPoint(-1, -1);
    if (state.documentArea) {
        for (MriView *view : state.documentViews())
            view->setCursorPixel(-1, -1);
    }
}

void MriView::showValuesEverywhere(int x, int y)
{
    for (MriView *view : state.documentViews()) {
        if (view->statusBar && view->image && x < view->imageRows && y < view->imageCols) {
            const QString name = readoutName(view->technique(), state.unitsLabel);
            view->statusBar->showMessage(pixelValueReadout(name, view->image[x + 1][y + 1]));
        }
        // No marker where the mouse itself is.
        if (view == this)
            view->setCursorPixel(-1, -1);
        else
            view->setCursorPixel(x, y);
    }
}

void MriView::spreadRegion(ScreenPoint pixel, bool clear)
{
    ImageRegion region;
    if (!clear) {
        const auto clampInto = [](int v, int n) { return std::clamp(v, 0, std::max(n - 1, 0)); };
        const int ax = clampInto(regionAnchor.x, imageRows);
        const int ay = clampInto(regionAnchor.y, imageCols);
        const int bx = clampInto(pixel.x, imageRows);
        const int by = clampInto(pixel.y, imageCols);
        region = {std::min(ax, bx), std::min(ay, by), std::abs(bx - ax) + 1, std::abs(by - ay) + 1};
    }
    state.region = region;
    const QList<MriView *> views = state.documentArea ? state.documentViews() : QList<MriView *>{this};
    for (MriView *view : views) {
        view->showRegion();
        view->update();
    }
}

void MriView::showStatus(const QString &text, bool allViews)
{
    if (!statusBar)
        return;
    if (allViews && state.documentArea) {
        for (MriView *view : state.documentViews()) {
            if (view->statusBar)
                view->statusBar->showMessage(text);
        }
        return;
    }
    statusBar->showMessage(text);
}

bool MriView::selectedPixelInside(int &x, int &y) const
{
    x = state.selectedPixel.x();
    y = state.selectedPixel.y();
    return image && pixelInside({x, y}, imageRows, imageCols);
}

void MriView::showPixelStatus()
{
    int x = 0;
    int y = 0;
    if (!selectedPixelInside(x, y))
        return;
    const CaseData &data = state.caseData;
    PixelStatus status;
    status.unitsLabel = state.unitsLabel;
    status.functional = data.frames != 0;
    status.fmriMode = displayMode;
    status.value = image[x + 1][y + 1];
    // The statistics cover one frame of the series.
    const int statisticsCols = data.frames > 0 ? data.cols / data.frames : 0;
    if (status.functional && data.tValue && data.pValue && x < data.rows && y < statisticsCols) {
        status.tValue = data.tValue[x + 1][y + 1];
        status.pValue = data.pValue[x + 1][y + 1];
    }
    status.withPosition = QGuiApplication::queryKeyboardModifiers() != Qt::NoModifier;
    status.x = x;
    status.y = y;
    showStatus(pixelStatusText(status), false);
}

void MriView::stepFrame(int step)
{
    const CaseData &data = state.caseData;
    // fmriFrame fills one frame of the series into the image.
    if (data.frames > 0 && image && imageRows >= data.rows && imageCols >= data.cols / data.frames) {
        const long long next = (static_cast<long long>(currentFrame) + step) % data.frames;
        currentFrame = fmriFrame(data, image, static_cast<int32>(next), displayMode, pThreshold);
    }
    if (timeCurveWidget)
        timeCurveWidget->update();
    // The same read-out as under the moving mouse: a significant pixel is stored
    // negated, and its statistics belong in the read-out too.
    if (statusBar)
        showPixelStatus();
    update();
}

void MriView::playMovie(bool on)
{
    if (!fmriTimer)
        return;
    if (on)
        fmriTimer->start(kMovieTickMs);
    else
        fmriTimer->stop();
}

bool MriView::moviePlaying() const
{
    return fmriTimer && fmriTimer->isActive();
}

void MriView::fMriFrame()
{
    const CaseData &data = state.caseData;
    if (data.frames > 0 && image && imageRows >= data.rows && imageCols >= data.cols / data.frames)
        currentFrame = fmriFrame(data, image, currentFrame + 1, displayMode, pThreshold);
    if (timeCurveWidget)
        timeCurveWidget->update();
    if (statusBar)
        showPixelStatus();
    update();
}

void MriView::createFmriCompanions()
{
    fmriTimer = new QTimer(this);
    connect(fmriTimer, &QTimer::timeout, this, &MriView::fMriFrame);
    if (!timeCurveWidget && viewKind != ViewAnimation) {
        timeCurveWidget = new PixelTime(this, state.caseData.frames);
        timeCurveWidget->show();
    }
}
