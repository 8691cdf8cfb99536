#include "simulation/regionstatistics.h"

#include <algorithm>
#include <cmath>
#include <limits>

RegionStatistics regionStatistics(double **image, int32 rows, int32 cols, const ImageRegion &region)
{
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    // In 64 bits: a region dragged far outside must not overflow its far edge.
    const std::int64_t firstX = std::max<std::int64_t>(region.x, 0) + 1;
    const std::int64_t lastX = std::min<std::int64_t>(std::int64_t(region.x) + region.width, rows);
    const std::int64_t firstY = std::max<std::int64_t>(region.y, 0) + 1;
    const std::int64_t lastY = std::min<std::int64_t>(std::int64_t(region.y) + region.height, cols);

    RegionStatistics statistics;
    if (region.width <= 0 || region.height <= 0 || firstX > lastX || firstY > lastY) {
        statistics.mean = nan;
        statistics.standardDeviation = nan;
        return statistics;
    }
    statistics.count = (lastX - firstX + 1) * (lastY - firstY + 1);

    double sum = 0;
    for (std::int64_t x = firstX; x <= lastX; ++x)
        for (std::int64_t y = firstY; y <= lastY; ++y)
            sum += image[x][y];
    statistics.mean = sum / double(statistics.count);

    if (statistics.count < 2) {
        statistics.standardDeviation = nan;
        return statistics;
    }
    double squares = 0;
    for (std::int64_t x = firstX; x <= lastX; ++x)
        for (std::int64_t y = firstY; y <= lastY; ++y) {
            const double deviation = image[x][y] - statistics.mean;
            squares += deviation * deviation;
        }
    statistics.standardDeviation = std::sqrt(squares / double(statistics.count - 1));
    return statistics;
}

double regionSnr(const RegionStatistics &statistics, const AcquisitionSettings &settings,
                 double fullScale)
{
    if (!settings.noise)
        return std::numeric_limits<double>::quiet_NaN();
    return statistics.mean / noiseSigma(fullScale, settings);
}
