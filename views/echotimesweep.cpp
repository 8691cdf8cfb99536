#include "views/echotimesweep.h"

#include <algorithm>
#include <cmath>

namespace {

bool usableTr(double tr)
{
    return std::isfinite(tr) && tr > 0;
}

} // namespace

void EchoTimeSweep::start(double now, double tr)
{
    repetitionTime = usableTr(tr) ? tr : minimumTr;
    nextTr = repetitionTime;
    echoTime = 0;
    animationStart = now;
    pauseTime = now;
}

void EchoTimeSweep::setPendingTr(double tr)
{
    if (usableTr(tr))
        nextTr = tr;
}

void EchoTimeSweep::chooseSpeed(int index)
{
    if (index >= 0 && index < speedChoices)
        animSpeed = speedFactors[index];
}

void EchoTimeSweep::advance(double now)
{
    const double period = nextTr / animSpeed;
    double elapsed = now - animationStart;
    if (elapsed > period) {
        // A cycle ends when its elapsed time passes the period, so elapsed time of
        // exactly one period still belongs to the cycle (te = Tr). Skipping the ended
        // cycles at once keeps a tick after a long stall as cheap as any other.
        const double ended = std::ceil(elapsed / period) - 1;
        if (ended > 0)
            animationStart += ended * period;
        elapsed = now - animationStart;
        while (elapsed > period) {
            animationStart += period;
            elapsed = now - animationStart;
        }
        repetitionTime = nextTr;
    }
    // A negative echo time would ask the signal model for the T2 map.
    echoTime = std::max(elapsed, 0.0) * animSpeed;
    // A longer Tr chosen during the cycle lengthens it; beyond its own Tr the cycle
    // shows the new one, since no echo can come after the next excitation.
    if (echoTime > repetitionTime)
        repetitionTime = nextTr;
}

void EchoTimeSweep::pause(double now)
{
    pauseTime = now;
}

void EchoTimeSweep::resume(double now)
{
    animationStart += now - pauseTime;
}
