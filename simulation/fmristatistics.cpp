#include "simulation/fmristatistics.h"

#include "numerics/matrixmemory.h"
#include "numerics/incompletebeta.h"
#include "simulation/framesums.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace {

constexpr int32 firstCountedFrame = 3;
constexpr int32 blockLength = 10;
constexpr double signalThreshold = 250;
constexpr double activationPerT = 1000;

// Moments of one condition's block for every pixel of an image row. The sums are
// taken about each pixel's first value of the block, so a constant block has
// exactly zero variance and bright pixels keep their digits. The frame count is
// the same for all pixels.
class BlockMoments
{
public:
    explicit BlockMoments(int32 width) : origin(width), sum(width), squares(width) {}

    // Adds frames first..last (consecutive, all of this condition) of an image row
    // whose frame f starts at row + (f - 1) * width.
    void addFrames(const double *row, int32 first, int32 last)
    {
        const int32 width = int32(origin.size());
        const auto frameValues = [&](int32 frame) { return row + std::ptrdiff_t(frame - 1) * width; };
        if (count == 0)
            std::copy(frameValues(first), frameValues(first) + width, origin.begin());
        addFrameSums({frameValues(first), width, last - first + 1, width, origin.data(), sum.data(),
                      squares.data()});
        count += last - first + 1;
    }

    double mean(int32 j) const { return origin[j] + sum[j] / count; }

    double variance(int32 j) const
    {
        // Rounding may leave a tiny negative for a nearly constant block; a NaN
        // must survive so that the pixel is recognised as unusable.
        const double offsetMean = sum[j] / count;
        const double spread = squares[j] / count - offsetMean * offsetMean;
        return spread < 0 ? 0.0 : spread;
    }

    void clear()
    {
        count = 0;
        std::fill(sum.begin(), sum.end(), 0.0);
        std::fill(squares.begin(), squares.end(), 0.0);
    }

private:
    int32 count = 0;
    std::vector<double> origin;
    std::vector<double> sum;
    std::vector<double> squares;
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
double twoSidedTail(double t, double degreesOfFreedom, const BetaShape &shape)
{
    double tail = 0;
    if (tryBetai(shape, degreesOfFreedom / (degreesOfFreedom + t * t), betacfMaxIterations, tail))
        return tail;
    return std::erfc(std::fabs(t) / std::sqrt(2.0));
}

PixelStatistics pixelStatistics(int32 pairs, double differenceSum, double varianceSum,
                                double lastRestMean, int32 frames, const BetaShape &shape)
{
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
    const double tail = twoSidedTail(t, frames - 1.0, shape);
    result.tValue = t;
    result.pValue = t >= 0 ? tail / 2 : 1 - tail / 2;
    result.activation = t > 0 ? activationPerT * t : 0;
    return result;
}

// The accumulators of one image row, allocated once for all rows.
struct RowAccumulators
{
    explicit RowAccumulators(int32 width)
        : rest(width), task(width), differenceSum(width), varianceSum(width), lastRestMean(width)
    {
    }

    void clear()
    {
        rest.clear();
        task.clear();
        std::fill(differenceSum.begin(), differenceSum.end(), 0.0);
        std::fill(varianceSum.begin(), varianceSum.end(), 0.0);
        std::fill(lastRestMean.begin(), lastRestMean.end(), 0.0);
    }

    BlockMoments rest;
    BlockMoments task;
    std::vector<double> differenceSum;
    std::vector<double> varianceSum;
    std::vector<double> lastRestMean;
};

// The statistics of image row i, all its pixels at once: the frames are visited in
// order, each adding one contiguous row of values to its condition's moments.
void rowStatistics(CaseData &data, int32 i, int32 frameWidth, const std::vector<FmriBlock> &blocks,
                   const BetaShape &shape, RowAccumulators &row)
{
    const int32 frames = data.frames;
    row.clear();
    BlockMoments &rest = row.rest;
    BlockMoments &task = row.task;
    std::vector<double> &differenceSum = row.differenceSum;
    std::vector<double> &varianceSum = row.varianceSum;
    std::vector<double> &lastRestMean = row.lastRestMean;
    int32 pairs = 0;
    const double *series = &data.pd[i][1];
    // Block by block: rest, task, rest, ...; a task block (even one cut short by the
    // end of the series) completes a pair.
    for (const FmriBlock &block : blocks) {
        (block.task ? task : rest).addFrames(series, block.first, block.last);
        if (block.task) {
            for (int32 j = 0; j < frameWidth; ++j) {
                lastRestMean[j] = rest.mean(j);
                differenceSum[j] += task.mean(j) - lastRestMean[j];
                varianceSum[j] += (rest.variance(j) + task.variance(j)) / 2;
            }
            ++pairs;
            rest.clear();
            task.clear();
        }
    }
    for (int32 j = 0; j < frameWidth; ++j) {
        const PixelStatistics pixel = pixelStatistics(pairs, differenceSum[j], varianceSum[j],
                                                      lastRestMean[j], frames, shape);
        data.difference[i][j + 1] = pixel.difference;
        data.variance[i][j + 1] = pixel.variance;
        data.tValue[i][j + 1] = pixel.tValue;
        data.pValue[i][j + 1] = pixel.pValue;
        data.activation[i][j + 1] = pixel.activation;
    }
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
    // Student's t with frames − 1 degrees of freedom: the same beta function for
    // every pixel.
    const double degreesOfFreedom = data.frames - 1.0;
    const BetaShape shape = betaShape(degreesOfFreedom / 2, 0.5);
    const std::vector<FmriBlock> design = fmriBlocks(data.frames);
    RowAccumulators row(frameWidth);
    for (int32 i = 1; i <= data.rows; ++i)
        rowStatistics(data, i, frameWidth, design, shape, row);
}

std::vector<FmriBlock> fmriBlocks(int32 frames)
{
    std::vector<FmriBlock> blocks;
    bool task = false;
    for (long long first = firstCountedFrame; first <= frames; first += blockLength) {
        blocks.push_back({int32(first), int32(std::min<long long>(frames, first + blockLength - 1)), task});
        task = !task;
    }
    return blocks;
}
