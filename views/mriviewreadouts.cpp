#include "views/mriviewreadouts.h"

#include "simulation/fmridisplaymode.h"
#include "simulation/recordingparams.h"

#include <cmath>

namespace {

constexpr int kValueField = 3;
constexpr int kPositionField = 3;
constexpr int kTDecimals = 2;
constexpr int kPDecimals = 4;

QString wholeNumber(double value, int field = 0)
{
    return QStringLiteral("%1").arg(value, field, 'f', 0);
}

} // namespace

QString pixelValueReadout(const QString &name, double value)
{
    return name + QStringLiteral(": %1 ").arg(wholeNumber(value, kValueField));
}

QString animationValueReadout(const QString &name, double value)
{
    return name + QStringLiteral(": %1").arg(wholeNumber(value, kValueField));
}

QString readoutName(int technique, const QString &unitsLabel)
{
    if (technique == TechniqueAdc || technique == TechniqueDti)
        return QStringLiteral("diffusion coef");
    return unitsLabel;
}

QString pixelStatusText(const PixelStatus &status)
{
    QString text;
    if (status.functional && status.fmriMode > FmriShowFrames) {
        // One blank after a negative t keeps the p-value where it stands for a
        // positive one.
        const QString format = status.tValue < 0 ? QStringLiteral("t-value: %1 p-value: %2   ")
                                                 : QStringLiteral("t-value: %1   p-value: %2   ");
        text += format.arg(status.tValue, 0, 'f', kTDecimals).arg(status.pValue, 0, 'f', kPDecimals);
    }
    if (status.fmriMode != FmriShowStatistics) {
        const double shown = status.functional ? std::fabs(status.value) : status.value;
        text += status.unitsLabel + QStringLiteral(": %1").arg(wholeNumber(shown));
    }
    if (status.withPosition)
        text += QStringLiteral("  position: (%1,%2)")
                    .arg(status.x + 1, kPositionField)
                    .arg(status.y + 1, kPositionField);
    return text;
}

QString frozenEchoTimeText(double te)
{
    return QStringLiteral(" TE=%1").arg(wholeNumber(te));
}

QString trValueText(double tr)
{
    return wholeNumber(tr);
}
