#include "views/mriview.h"

#include "app/mainwindow.h"
#include "simulation/greypixels.h"
#include "views/mriviewoverlays.h"

#include <QMdiArea>
#include <QPainter>
#include <QRegion>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kTensorComponents = 9;
constexpr int kDarkGlyphGrey = 192; // from here on a yellow glyph would not show

const QColor kYellow(255, 255, 0);
const QColor kDarkGreen(0, 128, 0);

// Image rows converted together before they are copied into the picture lines: a
// band of picture pixels per line fills a cache line.
constexpr int kBandRows = 16;

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
    QRegion background(0, 0, pictureAreaWidth, pictureAreaHeight);
    if (image && imageRect.width > 0 && imageRect.height > 0)
        background -= QRect(imageRect.x0, imageRect.y0, imageRect.width, imageRect.height);
    for (const QRect &rect : background)
        painter.fillRect(rect, Qt::black);
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
// animation and movie tick. The picture is filled in bands of image rows (picture
// columns): each row's values become grey pixels in one branch-free pass over
// memory in its own order, then the band is copied into the picture line by line.
void MriView::paintPicture(QPainter &painter, double shownLevel, double shownWidth)
{
    if (imageRect.width <= 0 || imageRect.height <= 0)
        return;
    const CaseData &data = mainWindow->caseData;
    const bool functional = data.frames != 0 && data.pValue;
    const int statisticsCols = data.frames != 0 ? data.cols / data.frames : 0;

    if (picture.width() != imageRows || picture.height() != imageCols)
        picture = QImage(imageRows, imageCols, QImage::Format_RGB32);
    auto *pixels = reinterpret_cast<QRgb *>(picture.bits());
    const qsizetype lineLength = picture.bytesPerLine() / qsizetype(sizeof(QRgb));
    // Band rows a little longer than the image rows: at a stride of a power of two
    // the reads from the band and the writes to the picture lines would fall on
    // the same cache sets.
    const std::size_t bandStride = std::size_t(imageCols) + 16;
    pictureBand.resize(std::size_t(kBandRows) * bandStride);
    for (int x0 = 0; x0 < imageRows; x0 += kBandRows) {
        const int rowsInBand = std::min(kBandRows, imageRows - x0);
        for (int r = 0; r < rowsInBand; ++r) {
            const int x = x0 + r;
            QRgb *out = &pictureBand[std::size_t(r) * bandStride];
            greyPixels(image[x + 1] + 1, out, imageCols, shownLevel, shownWidth, invertGrey);
            if (!functional || x >= data.rows)
                continue;
            // Significant pixels of a functional case are painted in colour.
            const double *values = image[x + 1] + 1;
            for (int y = 0; y < imageCols && y < statisticsCols; ++y)
                if (values[y] < 0)
                    out[y] = significantPixelColour(data.pValue[x + 1][y + 1], pThreshold);
        }
        for (int y = 0; y < imageCols; ++y) {
            QRgb *line = pixels + qsizetype(y) * lineLength + x0;
            for (int r = 0; r < rowsInBand; ++r)
                line[r] = pictureBand[std::size_t(r) * bandStride + std::size_t(y)];
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
