#include "views/animationcontrols.h"

#include "simulation/widthslider.h"
#include "views/mriviewreadouts.h"

#include <QComboBox>
#include <QLabel>
#include <QSlider>

#include <algorithm>

namespace {

constexpr int kTrSliderMinimum = 50;
constexpr int kTrSliderMaximum = 5000;
constexpr int kRealTimeIndex = 1;
constexpr int kSliderInset = 35;  // from the right edge of the view area
constexpr int kSliderWidth = 30;
constexpr int kSliderTop = 30;
constexpr int kSliderShorter = 90; // than the view area
constexpr int kCaptionGap = 5;

} // namespace

AnimationControls::AnimationControls(QWidget *view, double repetitionTime)
{
    trSlider = new QSlider(Qt::Vertical, view);
    trSlider->setRange(kTrSliderMinimum, kTrSliderMaximum);
    trSlider->setValue(sliderValue(repetitionTime));

    trCaption = new QLabel(tr("TR"), view);
    trCaption->setAlignment(Qt::AlignCenter);
    trValue = new QLabel(trValueText(repetitionTime), view);
    trValue->setAlignment(Qt::AlignCenter);
    teLabel = new QLabel(view);
    teLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    speedCaption = new QLabel(tr("Animation speed:"), view);
    speedCaption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    speedCaption->adjustSize();

    speedBox = new QComboBox(view);
    speedBox->addItems({tr("Double"), tr("Real time"), tr("Half"), tr("Quarter"),
                        tr("Tenth")});
    speedBox->setCurrentIndex(kRealTimeIndex);
    speedBox->adjustSize();
}

void AnimationControls::place(int width, int height)
{
    const int pictureWidth = width - columnWidth;
    const int pictureHeight = height - rowHeight;
    trSlider->setGeometry(width - kSliderInset, kSliderTop, kSliderWidth,
                          std::max(height - kSliderShorter, 0));
    trCaption->setGeometry(pictureWidth, 0, columnWidth, rowHeight);
    trValue->setGeometry(pictureWidth, pictureHeight - rowHeight, columnWidth, rowHeight);
    teLabel->setGeometry(0, pictureHeight, std::max(pictureWidth / 4, 0), rowHeight);
    const int boxX = pictureWidth + kSliderInset - speedBox->width();
    speedBox->move(boxX, pictureHeight + (rowHeight - speedBox->height()) / 2);
    speedCaption->move(boxX - speedCaption->width() - kCaptionGap,
                       pictureHeight + (rowHeight - speedCaption->height()) / 2);
}
