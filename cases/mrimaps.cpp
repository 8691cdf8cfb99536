#include "cases/mrimaps.h"

#include "simulation/displaywindow.h"

#include <cmath>

namespace {

constexpr double kSqrt3 = 1.7320508075688772;
constexpr int32 kTensorEntries = 16;
constexpr int32 kTensorComponents = 9;
constexpr int32 kNormEntry = 10;

void normaliseTensor(CaseData &data, double largestNorm)
{
    if (largestNorm == 0.0)
        return;
    // Dividing, not multiplying by the reciprocal, makes the largest norm exactly 1.
    for (int32 i = 1; i <= data.rows; ++i)
        for (int32 j = 1; j <= data.cols; ++j) {
            double *entries = data.tensor[i][j];
            for (int32 k = 1; k <= kNormEntry; ++k)
                entries[k] /= largestNorm;
        }
}

} // namespace

bool splitMriMaps(double **matrix, int32 fileRows, int32 cols, bool withTensor, CaseData &data)
{
    const int32 maps = withTensor ? kMapsWithTensor : kMapsWithoutTensor;
    const int32 rows = fileRows / maps;
    if (rows < 1 || fileRows % maps != 0 || cols < 1)
        return false;

    data.rows = rows;
    data.cols = cols;
    data.pd = dmatrix(1, rows, 1, cols);
    data.t1 = dmatrix(1, rows, 1, cols);
    data.t2 = dmatrix(1, rows, 1, cols);
    if (withTensor)
        data.tensor = d3tensor(1, rows, 1, cols, 1, kTensorEntries);
    if (!data.pd || !data.t1 || !data.t2 || (withTensor && !data.tensor)) {
        data.release();
        return false;
    }
    data.isMri = true;
    data.hasDti = withTensor;

    double largestPd = 1.0;
    double largestNorm = 0.0;
    for (int32 i = 1; i <= rows; ++i) {
        for (int32 j = 1; j <= cols; ++j) {
            const double pd = matrix[i][j];
            data.pd[i][j] = pd;
            data.t1[i][j] = matrix[rows + i][j];
            data.t2[i][j] = matrix[2 * rows + i][j];
            if (std::isfinite(pd) && pd > largestPd)
                largestPd = pd;
            if (!withTensor)
                continue;
            double *entries = data.tensor[i][j];
            double sumOfSquares = 0.0;
            for (int32 k = 1; k <= kTensorComponents; ++k) {
                const double component = matrix[(2 + k) * rows + i][j];
                entries[k] = component;
                sumOfSquares += component * component;
            }
            const double norm = std::sqrt(sumOfSquares) / kSqrt3;
            entries[kNormEntry] = norm;
            if (std::isfinite(norm) && norm > largestNorm)
                largestNorm = norm;
        }
    }
    if (withTensor)
        normaliseTensor(data, largestNorm);
    data.fullScale = niceCeiling(largestPd);
    return true;
}
