#include "views/mriview.h"

#include "app/mainwindow.h"
#include "views/mriviewoverlays.h"

#include <QImage>
#include <QMdiArea>
#include <QPainter>

#include <cmath>

namespace {

constexpr int kTensorComponents = 9;
constexpr int kDarkGlyphGrey = 192; // from here on a yellow glyph would not show

const QColor kYellow(255, 255, 0);
const QColor kDarkGreen(0, 128, 0);

} // namespace

void MriView::paintingWindow(double &shownLevel, double &shownWidth) const
{
    shownLevel = currentLevel;
    shownWidth = currentWidth;
    if (!mainWindow->documentArea() || !mainWindow->followActive)
        return;
    const MriView *active = mainWindow->activeView();
    if (active && technique() < TechniqueAdc && active->technique() < TechniqueAdc) {
        shownLevel = active->currentLevel;
        shownWidth = active->currentWidth;
    }
}

void MriView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(0, 0, pictureAreaWidth, pictureAreaHeight, Qt::black);
    if (!image)
        return;

    double shownLevel = 0;
    double shownWidth = 0;
    paintingWindow(shownLevel, shownWidth);
    paintPicture(painter, shownLevel, shownWidth);

    const CaseData &data = mainWindow->caseData;
    if (data.frames != 0)
        paintFrameTime(painter);
    if (data.hasDti && mainWindow->allowDti) {
        painter.setRenderHint(QPainter::Antialiasing);
        if (technique() == TechniqueSingleDirection)
            paintGradientArrow(painter);
        else if (technique() == TechniqueDti)
            paintTensorGlyphs(painter);
    }
}

// Built at the image's own size and scaled by the toolkit: painting follows every
// animation and movie tick.
void MriView::paintPicture(QPainter &painter, double shownLevel, double shownWidth) const
{
    if (imageRect.width <= 0 || imageRect.height <= 0)
        return;
    const CaseData &data = mainWindow->caseData;
    const bool functional = data.frames != 0 && data.pValue;
    const int statisticsCols = data.frames != 0 ? data.cols / data.frames : 0;

    QImage picture(imageRows, imageCols, QImage::Format_RGB32);
    for (int y = 0; y < imageCols; ++y) {
        auto *line = reinterpret_cast<QRgb *>(picture.scanLine(y));
        for (int x = 0; x < imageRows; ++x) {
            const double v = image[x + 1][y + 1];
            if (functional && v < 0 && x < data.rows && y < statisticsCols) {
                line[x] = significantPixelColour(data.pValue[x + 1][y + 1], pThreshold);
            } else {
                const int g = levelToGrey(v, shownLevel, shownWidth, invertGrey);
                line[x] = qRgb(g, g, g);
            }
        }
    }
    painter.drawImage(imageRect.x0, imageRect.y0,
                      picture.scaled(imageRect.width, imageRect.height, Qt::IgnoreAspectRatio,
                                     Qt::FastTransformation));
}

void MriView::paintFrameTime(QPainter &painter) const
{
    const int cx = imageRect.x0 + (11 * imageRect.width) / 12;
    const int cy = imageRect.y0 + (11 * imageRect.height) / 12;
    painter.setPen(Qt::white);
    // A box around the point, large enough for the text, centres it there.
    const QRect around(cx - 100, cy - 50, 200, 100);
    painter.drawText(around, Qt::AlignCenter | Qt::TextDontClip, frameTimeText(currentFrame));
}

void MriView::paintGradientArrow(QPainter &painter) const
{
    if (!std::isfinite(recording.gradientAngle))
        return;
    const GradientArrow arrow = gradientArrow(recording.gradientAngle);
    painter.setPen(QPen(kYellow, 3));
    painter.setBrush(kYellow);
    painter.drawLine(arrow.shaft);
    painter.drawPolygon(arrow.head);
}

void MriView::paintTensorGlyphs(QPainter &painter) const
{
    const CaseData &data = mainWindow->caseData;
    const double step = glyphStep(imageRows, imageRect.width);
    if (!data.tensor || step <= 0 || imageRows > data.rows || imageCols > data.cols)
        return;
    const QPen light(kYellow, 2);
    const QPen dark(kDarkGreen, 2);
    double tensor[kTensorComponents];
    for (double xf = step / 2; xf < imageRows; xf += step) {
        for (double yf = step / 2; yf < imageCols; yf += step) {
            const int xi = static_cast<int>(xf);
            const int yi = static_cast<int>(yf);
            const double v = image[xi + 1][yi + 1];
            if (!(v >= 1))
                continue;
            for (int k = 0; k < kTensorComponents; ++k)
                tensor[k] = data.tensor[xi + 1][yi + 1][k + 1];
            const double cx = imageRect.x0 + double(xi) * imageRect.width / imageRows;
            const double cy = imageRect.y0 + double(yi) * imageRect.height / imageCols;
            const int grey = levelToGrey(v, currentLevel, currentWidth, invertGrey, GreyRange::Unclamped);
            painter.setPen(grey >= kDarkGlyphGrey ? dark : light);
            painter.drawLine(tensorGlyph(tensor, cx, cy));
        }
    }
}
