// The measured region of an image view: its outline over the picture and its
// mean, standard deviation and signal-to-noise ratio in the view's status bar.

#include "views/mriview.h"

#include "views/session.h"

#include <QLabel>
#include <QPainter>

#include <cmath>

namespace {

QString regionNumber(double value, int decimals)
{
    return std::isfinite(value) ? QString::number(value, 'f', decimals) : QStringLiteral("\u2013");
}

} // namespace

RegionStatistics MriView::regionValues() const
{
    if (!image)
        return RegionStatistics{0, std::nan(""), std::nan("")};
    return regionStatistics(image, imageRows, imageCols, state.region);
}

void MriView::showRegion()
{
    if (!regionLabel)
        return;
    const RegionStatistics values = regionValues();
    if (values.count == 0) {
        regionLabel->hide();
        return;
    }
    const double snr = regionSnr(values, acquisition, state.caseData.fullScale);
    // Whole signal units are plenty beside the noise; a sub-window is narrow.
    regionLabel->setText(tr("Mean %1 SD %2 SNR %3")
                             .arg(regionNumber(values.mean, 0), regionNumber(values.standardDeviation, 0),
                                  regionNumber(snr, 1)));
    // The level and width read-outs give way rather than the ratio.
    regionLabel->setMinimumWidth(regionLabel->sizeHint().width());
    regionLabel->show();
}

void MriView::paintRegion(QPainter &painter) const
{
    const ImageRegion &region = state.region;
    if (region.width <= 0 || region.height <= 0)
        return;
    const ScreenPoint topLeft = pixelToScreen(imageRect, imageRows, imageCols, region.x, region.y);
    const ScreenPoint bottomRight = pixelToScreen(imageRect, imageRows, imageCols, region.x + region.width,
                                                  region.y + region.height);
    painter.setPen(QPen(Qt::yellow, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(QPoint(topLeft.x, topLeft.y), QPoint(bottomRight.x - 1, bottomRight.y - 1)));
}
