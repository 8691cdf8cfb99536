#include "simulation/acquisition.h"

#include <cmath>
#include <cstdio>

AcquisitionField firstFieldOutOfRange(const AcquisitionSettings &settings)
{
    if (!kAveragesRange.contains(settings.averages))
        return AcquisitionField::Averages;
    if (!kBandwidthRange.contains(settings.bandwidth))
        return AcquisitionField::Bandwidth;
    if (!kSliceThicknessRange.contains(settings.sliceThickness))
        return AcquisitionField::SliceThickness;
    if (!kEchoTrainLengthRange.contains(settings.echoTrainLength))
        return AcquisitionField::EchoTrainLength;
    return AcquisitionField::None;
}

double noiseSigma(double fullScale, const AcquisitionSettings &settings)
{
    return fullScale / 100 * std::sqrt(settings.bandwidth / kReferenceBandwidth)
        / std::sqrt(double(settings.averages)) * (kReferenceSliceThickness / settings.sliceThickness);
}

double scanTimeSeconds(double tr, int32 rows, const AcquisitionSettings &settings)
{
    return tr * rows * settings.averages / settings.echoTrainLength / 1000;
}

std::string formatScanTime(double seconds)
{
    // Beyond about 10^15 s the minutes no longer fit the integer; no protocol
    // comes near.
    if (!(seconds >= 0 && seconds < 1e15))
        return "-:--";
    const long long whole = std::llround(seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
    return text;
}
