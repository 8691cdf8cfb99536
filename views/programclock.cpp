#include "views/programclock.h"

#include <QElapsedTimer>

#include <utility>

namespace {

// Started while the program is being loaded, before any window exists.
const QElapsedTimer programStart = [] {
    QElapsedTimer timer;
    timer.start();
    return timer;
}();

std::function<double()> &replacedSource()
{
    static std::function<double()> source;
    return source;
}

} // namespace

double nowMs()
{
    if (const std::function<double()> &source = replacedSource())
        return source();
    return programStart.nsecsElapsed() / 1e6;
}

void setClockSource(std::function<double()> source)
{
    replacedSource() = std::move(source);
}
