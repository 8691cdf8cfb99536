#include "simulation/fmristatistics.h"

#include "numerics/matrixmemory.h"
#include "numerics/specialfunctions.h"

#include <cmath>

namespace {

constexpr int32 firstCountedFrame = 3;
constexpr int32 blockLength = 10;
constexpr double signalThreshold = 250;
constexpr double activationPerT = 1000;

bool isTaskFrame(int32 frame)
{
    return ((frame - firstCountedFrame) / blockLength) % 2 == 1;
}

// Moments of one condition's block. The sums are taken about the block's first
// value, so a constant block has exactly zero variance and bright pixels keep
// their digits.
class BlockMoments
{
public:
    void add(double x)
    {
        if (count == 0)
            origin = x;
        const double offset = x - origin;
        sum += offset;
        squares += offset * offset;
        ++count;
    }

    double mean() const { return origin + sum / count; }

    double variance() const
    {
        // Rounding may leave a tiny negative for a nearly constant block; a NaN
        // must survive so that the pixel is recognised as unusable.
        const double offsetMean = sum / count;
        const double spread = squares / count - offsetMean * offsetMean;
        return spread < 0 ? 0.0 : spread;
    }

    void clear() { *this = BlockMoments(); }

private:
    int32 count = 0;
    double origin = 0;
    double sum = 0;
    double squares = 0;
};

struct PixelStatistics
{
    double difference = 0;
    double variance = 0;
    double tValue = 0;
    double pValue = 0.5;
    double activation = 0;
};

// Two-sided tail probability of Student's t; the fraction always converges for
// these arguments in practice, the normal tail only keeps a file from ending the
// program if it ever did not.
double twoSidedTail(double t, double degreesOfFreedom)
{
    double tail = 0;
    if (tryBetai(degreesOfFreedom / 2, 0.5, degreesOfFreedom / (degreesOfFreedom + t * t),
                 betacfMaxIterations, tail))
        return tail;
    return std::erfc(std::fabs(t) / std::sqrt(2.0));
}

PixelStatistics pixelStatistics(double **series, int32 row, int32 column, int32 frameWidth,
                                int32 frames)
{
    BlockMoments rest;
    BlockMoments task;
    int32 pairs = 0;
    double differenceSum = 0;
    double varianceSum = 0;
    double lastRestMean = 0;
    for (int32 frame = firstCountedFrame; frame <= frames; ++frame) {
        const bool taskFrame = isTaskFrame(frame);
        (taskFrame ? task : rest).add(series[row][(frame - 1) * frameWidth + column]);
        if (taskFrame && (frame == frames || !isTaskFrame(frame + 1))) {
            lastRestMean = rest.mean();
            differenceSum += task.mean() - lastRestMean;
            varianceSum += (rest.variance() + task.variance()) / 2;
            ++pairs;
            rest.clear();
            task.clear();
        }
    }

    PixelStatistics result;
    if (pairs == 0)
        return result;
    const double difference = differenceSum / pairs;
    const double variance = varianceSum / pairs;
    if (!std::isfinite(difference) || !std::isfinite(variance) || !std::isfinite(lastRestMean))
        return result;
    result.difference = difference;
    result.variance = variance;
    if (!(lastRestMean > signalThreshold) || !(variance > 0))
        return result;
    const double t = difference / std::sqrt(variance);
    // A variance too small for its square root to divide by is as good as zero.
    if (!std::isfinite(t))
        return result;
    const double tail = twoSidedTail(t, frames - 1.0);
    result.tValue = t;
    result.pValue = t >= 0 ? tail / 2 : 1 - tail / 2;
    result.activation = t > 0 ? activationPerT * t : 0;
    return result;
}

bool allocateMaps(CaseData &data, int32 frameWidth)
{
    double **CaseData::*const maps[] = {&CaseData::activation, &CaseData::variance,
                                        &CaseData::difference, &CaseData::tValue,
                                        &CaseData::pValue};
    for (auto map : maps) {
        data.*map = dmatrix(1, data.rows, 1, frameWidth);
        if (!(data.*map)) {
            for (auto allocated : maps) {
                if (data.*allocated)
                    free_dmatrix(data.*allocated, 1, data.rows, 1);
                data.*allocated = nullptr;
            }
            return false;
        }
    }
    return true;
}

} // namespace

void computeFmriStatistics(CaseData &data)
{
    if (!data.pd || data.rows < 1 || data.frames < 1)
        return;
    const int32 frameWidth = data.cols / data.frames;
    if (frameWidth < 1 || !allocateMaps(data, frameWidth))
        return;
    for (int32 i = 1; i <= data.rows; ++i) {
        for (int32 j = 1; j <= frameWidth; ++j) {
            const PixelStatistics pixel = pixelStatistics(data.pd, i, j, frameWidth, data.frames);
            data.difference[i][j] = pixel.difference;
            data.variance[i][j] = pixel.variance;
            data.tValue[i][j] = pixel.tValue;
            data.pValue[i][j] = pixel.pValue;
            data.activation[i][j] = pixel.activation;
        }
    }
}
