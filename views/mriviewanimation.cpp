// The echo-time animation of an animation view: the echo time sweeps from 0 up to
// Tr once per cycle on a 10 ms timer, with a TR slider, a speed box, and pause and
// resume on a double click.

#include "views/mriview.h"

#include "simulation/signalmodel.h"
#include "views/animationcontrols.h"
#include "views/mriviewreadouts.h"
#include "views/programclock.h"
#include "views/session.h"

#include <QComboBox>
#include <QLabel>
#include <QSlider>
#include <QTimer>

namespace {

constexpr int kAnimationTickMs = 10;

// Status read-outs are refreshed every fifth step of all animations together, which
// keeps several running animations from flooding the status bars.
constexpr int kStatusEverySteps = 5;
int animationSteps = 0;

} // namespace

void MriView::startAnimation()
{
    // te 0 gives the hydrogen density map: the sweep's first picture.
    sweep.start(nowMs(), recording.tr);
    controls = std::make_unique<AnimationControls>(this, sweep.pendingTr());
    connect(controls->trSlider, &QSlider::valueChanged, this, &MriView::tRSliderChanged);
    connect(controls->speedBox, &QComboBox::currentIndexChanged, this, &MriView::speedBoxChanged);

    animTimer = new QTimer(this);
    connect(animTimer, &QTimer::timeout, this, &MriView::animFrame);

    recording.te = 0;
    recording.tr = sweep.tr();
    computeSignal(state.caseData, image, imageRows, imageCols, 0, recording.tr, 0, 0, 0);
    addNoise();
    animTimer->start(kAnimationTickMs);
}

bool MriView::animationRunning() const
{
    return animTimer && animTimer->isActive();
}

void MriView::pauseOrResumeAnimation()
{
    if (animTimer->isActive()) {
        animTimer->stop();
        sweep.pause(nowMs());
        controls->teLabel->setText(frozenEchoTimeText(recording.te));
        // The read-out may be up to a few steps old; the frozen picture is what counts.
        showAnimationReadout();
    } else {
        animTimer->start(kAnimationTickMs);
        sweep.resume(nowMs());
        controls->teLabel->clear();
    }
}

void MriView::tRSliderChanged(int value)
{
    sweep.setPendingTr(value);
    if (controls)
        controls->trValue->setText(trValueText(value));
}

void MriView::speedBoxChanged(int index)
{
    sweep.chooseSpeed(index);
}

void MriView::animFrame()
{
    if (!image)
        return;
    sweep.advance(nowMs());
    recording.te = sweep.te();
    recording.tr = sweep.tr();
    computeSignal(state.caseData, image, imageRows, imageCols, recording.te, recording.tr,
                  0, 0, 0);
    addNoise();

    if (++animationSteps >= kStatusEverySteps) {
        animationSteps = 0;
        showAnimationReadout();
        showRegion();
    }
    update();
}

void MriView::showAnimationReadout()
{
    int x = 0;
    int y = 0;
    showStatus(selectedPixelInside(x, y) ? animationValueReadout(state.unitsLabel, image[x + 1][y + 1])
                                         : QString(),
               false);
}
