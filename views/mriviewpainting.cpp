#include "views/mriview.h"

#include "simulation/greypixels.h"
#include "views/mriviewoverlays.h"
#include "views/session.h"

#include <QMdiArea>
#include <QPainter>
#include <QRegion>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

constexpr int kTensorComponents = 9;
constexpr int kDarkGlyphGrey = 192; // from here on a yellow glyph would not show

const QColor kYellow(255, 255, 0);
const QColor kDarkGreen(0, 128, 0);

// Image rows converted together before they are copied into the picture lines: a
// band of picture pixels per line fills a cache line.
constexpr int kBandRows = 16;

typedef std::uint32_t PixelOctet __attribute__((vector_size(32)));

// An 8 x 8 block of pixels, rows of 8 at rows + r * rowStride, written as columns:
// column c to columns + c * lineLength. Interleaving pairs of rows, then pairs of
// pairs, then the halves, which wide vector units do in one instruction each.
void transposeBlock(const QRgb *rows, std::size_t rowStride, QRgb *columns, qsizetype lineLength)
{
    PixelOctet a[8];
    for (int r = 0; r < 8; ++r)
        std::memcpy(&a[r], rows + r * rowStride, sizeof a[r]);
    PixelOctet pairs[8];
    for (int r = 0; r < 8; r += 2) {
        pairs[r] = __builtin_shufflevector(a[r], a[r + 1], 0, 8, 1, 9, 4, 12, 5, 13);
        pairs[r + 1] = __builtin_shufflevector(a[r], a[r + 1], 2, 10, 3, 11, 6, 14, 7, 15);
    }
    // quads[h][c]: columns c (first half) and c + 4 (second half) of rows 4h..4h+3.
    PixelOctet quads[2][4];
    for (int h = 0; h < 2; ++h) {
        const PixelOctet *p = pairs + 4 * h;
        quads[h][0] = __builtin_shufflevector(p[0], p[2], 0, 1, 8, 9, 4, 5, 12, 13);
        quads[h][1] = __builtin_shufflevector(p[0], p[2], 2, 3, 10, 11, 6, 7, 14, 15);
        quads[h][2] = __builtin_shufflevector(p[1], p[3], 0, 1, 8, 9, 4, 5, 12, 13);
        quads[h][3] = __builtin_shufflevector(p[1], p[3], 2, 3, 10, 11, 6, 7, 14, 15);
    }
    for (int c = 0; c < 4; ++c) {
        const PixelOctet first = __builtin_shufflevector(quads[0][c], quads[1][c], 0, 1, 2, 3, 8, 9, 10, 11);
        const PixelOctet second = __builtin_shufflevector(quads[0][c], quads[1][c], 4, 5, 6, 7, 12, 13, 14, 15);
        std::memcpy(columns + c * lineLength, &first, sizeof first);
        std::memcpy(columns + (c + 4) * lineLength, &second, sizeof second);
    }
}

} // namespace

MriView *MriView::followedView() const
{
    if (!state.documentArea || !state.followActive || technique() >= TechniqueAdc)
        return nullptr;
    MriView *active = state.activeView();
    return active && active->technique() < TechniqueAdc ? active : nullptr;
}

void MriView::paintingWindow(double &shownLevel, double &shownWidth) const
{
    const MriView *source = followedView();
    if (!source)
        source = this;
    shownLevel = source->currentLevel;
    shownWidth = source->currentWidth;
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
    paintRegion(painter);

    const CaseData &data = state.caseData;
    if (data.frames != 0)
        paintFrameTime(painter);
    if (data.hasDti && state.allowDti) {
        painter.setRenderHint(QPainter::Antialiasing);
        // A map has no diffusion weighting, whatever recording came before it.
        if (technique() == TechniqueSingleDirection && viewKind == ViewNewRecording)
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
    const CaseData &data = state.caseData;
    const bool functional = data.frames != 0 && data.pValue;
    const int statisticsCols = data.frames != 0 ? data.cols / data.frames : 0;

    if (picture.width() != imageRows || picture.height() != imageCols) {
        // Picture lines a cache line longer than the image is wide: at a stride of
        // a power of two the eight lines a block is written to would all fall on
        // the same cache sets.
        const qsizetype lineLength = imageRows + 16;
        pictureMemory.assign(std::size_t(lineLength) * std::size_t(imageCols), 0);
        picture = QImage(reinterpret_cast<uchar *>(pictureMemory.data()), imageRows, imageCols,
                         lineLength * qsizetype(sizeof(QRgb)), QImage::Format_RGB32);
    }
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
        int y = 0;
        if (rowsInBand == kBandRows) {
            for (; y + 8 <= imageCols; y += 8) {
                QRgb *lines = pixels + qsizetype(y) * lineLength + x0;
                transposeBlock(&pictureBand[std::size_t(y)], bandStride, lines, lineLength);
                transposeBlock(&pictureBand[8 * bandStride + std::size_t(y)], bandStride, lines + 8, lineLength);
            }
        }
        for (; y < imageCols; ++y) {
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
    const CaseData &data = state.caseData;
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
