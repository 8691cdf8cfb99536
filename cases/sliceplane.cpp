#include "cases/sliceplane.h"

#include <algorithm>
#include <cmath>

namespace {

// A picture direction as a signed world axis (0 x, 1 y, 2 z of RAS).
struct WorldDirection
{
    int axis;
    int sign;
};

struct PictureAxes
{
    WorldDirection right;
    WorldDirection down;
    int through;
};

PictureAxes pictureAxesOf(SliceAxis axis)
{
    switch (axis) {
    case SliceAxis::Coronal:
        return {{0, -1}, {2, -1}, 1};
    case SliceAxis::Sagittal:
        return {{1, -1}, {2, -1}, 0};
    case SliceAxis::Axial:
        break;
    }
    return {{0, -1}, {1, -1}, 2};
}

double matrixAt(const NiftiVolume &volume, int row, int column)
{
    return volume.voxelToWorld[std::size_t(4 * row + column)];
}

// For each voxel axis the world axis it runs closest to and its sign, each world
// axis taken once: the largest remaining entry of the 3 x 3 part decides first.
void closestWorldAxes(const NiftiVolume &volume, std::array<int, 3> &worldAxis,
                      std::array<int, 3> &sign)
{
    bool rowTaken[3] = {false, false, false};
    bool columnTaken[3] = {false, false, false};
    for (int round = 0; round < 3; ++round) {
        int bestRow = -1;
        int bestColumn = -1;
        double best = -1;
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                if (!rowTaken[r] && !columnTaken[c] && std::abs(matrixAt(volume, r, c)) > best) {
                    best = std::abs(matrixAt(volume, r, c));
                    bestRow = r;
                    bestColumn = c;
                }
        rowTaken[bestRow] = columnTaken[bestColumn] = true;
        worldAxis[std::size_t(bestColumn)] = bestRow;
        sign[std::size_t(bestColumn)] = matrixAt(volume, bestRow, bestColumn) < 0 ? -1 : 1;
    }
}

double columnLength(const NiftiVolume &volume, int column)
{
    return std::hypot(matrixAt(volume, 0, column), matrixAt(volume, 1, column),
                      matrixAt(volume, 2, column));
}

double determinant3(const NiftiVolume &volume)
{
    auto m = [&](int r, int c) { return matrixAt(volume, r, c); };
    return m(0, 0) * (m(1, 1) * m(2, 2) - m(1, 2) * m(2, 1))
         - m(0, 1) * (m(1, 0) * m(2, 2) - m(1, 2) * m(2, 0))
         + m(0, 2) * (m(1, 0) * m(2, 1) - m(1, 1) * m(2, 0));
}

using Vector3 = std::array<double, 3>;

Vector3 worldVector(WorldDirection d)
{
    Vector3 v{0, 0, 0};
    v[std::size_t(d.axis)] = d.sign;
    return v;
}

Vector3 cross(const Vector3 &a, const Vector3 &b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

double dot(const Vector3 &a, const Vector3 &b)
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

std::int32_t resampledCount(std::int64_t voxels, double voxelMm, double pixelMm)
{
    return std::int32_t(std::max<double>(1, std::round(double(voxels) * voxelMm / pixelMm)));
}

// Voxel coordinate (0-based, continuous) of picture pixel n along one picture axis.
double voxelCoordinate(std::int32_t n, std::int32_t pixels, std::int64_t voxels, bool reversed)
{
    const double t = (n + 0.5) * double(voxels) / double(pixels) - 0.5;
    const double clamped = std::clamp(t, 0.0, double(voxels - 1));
    return reversed ? double(voxels - 1) - clamped : clamped;
}

} // namespace

bool sliceAxisFromName(const QString &name, SliceAxis *axis)
{
    for (SliceAxis candidate : {SliceAxis::Axial, SliceAxis::Coronal, SliceAxis::Sagittal})
        if (name == sliceAxisName(candidate)) {
            *axis = candidate;
            return true;
        }
    return false;
}

QString sliceAxisName(SliceAxis axis)
{
    switch (axis) {
    case SliceAxis::Coronal:
        return QStringLiteral("coronal");
    case SliceAxis::Sagittal:
        return QStringLiteral("sagittal");
    case SliceAxis::Axial:
        break;
    }
    return QStringLiteral("axial");
}

SlicePlane slicePlaneOf(const NiftiVolume &volume, SliceAxis axis, TensorFrame frame)
{
    std::array<int, 3> worldAxis{};
    std::array<int, 3> sign{};
    closestWorldAxes(volume, worldAxis, sign);
    const PictureAxes picture = pictureAxesOf(axis);
    auto voxelAxisAlong = [&](int world) {
        return int(std::find(worldAxis.begin(), worldAxis.end(), world) - worldAxis.begin());
    };

    SlicePlane plane;
    plane.throughAxis = voxelAxisAlong(picture.through);
    plane.horizontalAxis = voxelAxisAlong(picture.right.axis);
    plane.verticalAxis = voxelAxisAlong(picture.down.axis);
    plane.horizontalReversed = sign[std::size_t(plane.horizontalAxis)] != picture.right.sign;
    plane.verticalReversed = sign[std::size_t(plane.verticalAxis)] != picture.down.sign;
    plane.horizontalVoxels = volume.dims[std::size_t(plane.horizontalAxis)];
    plane.verticalVoxels = volume.dims[std::size_t(plane.verticalAxis)];
    plane.horizontalMm = columnLength(volume, plane.horizontalAxis);
    plane.verticalMm = columnLength(volume, plane.verticalAxis);
    const double pixelMm = std::min(plane.horizontalMm, plane.verticalMm);
    // Voxels that are square to a thousandth keep their grid: no interpolation.
    const bool square = std::abs(plane.horizontalMm - plane.verticalMm) <= 1e-3 * pixelMm;
    plane.width = square ? std::int32_t(plane.horizontalVoxels)
                         : resampledCount(plane.horizontalVoxels, plane.horizontalMm, pixelMm);
    plane.height = square ? std::int32_t(plane.verticalVoxels)
                          : resampledCount(plane.verticalVoxels, plane.verticalMm, pixelMm);

    // Picture frame: x rightwards, y upwards, z = x cross y.
    const Vector3 x = worldVector(picture.right);
    const Vector3 y = worldVector({picture.down.axis, -picture.down.sign});
    const std::array<Vector3, 3> pictureFrame = {x, y, cross(x, y)};
    const bool keepsHandedness = determinant3(volume) > 0;
    for (int m = 0; m < 3; ++m) {
        Vector3 tensorAxis = frame == TensorFrame::World
                                 ? worldVector({m, 1})
                                 : worldVector({worldAxis[std::size_t(m)], sign[std::size_t(m)]});
        // FSL counts its first axis towards the patient's left in either storage.
        if (frame == TensorFrame::VoxelAxes && m == 0 && keepsHandedness)
            tensorAxis = {-tensorAxis[0], -tensorAxis[1], -tensorAxis[2]};
        for (int p = 0; p < 3; ++p)
            plane.tensorTurn[std::size_t(p)][std::size_t(m)] = dot(pictureFrame[std::size_t(p)], tensorAxis);
    }
    return plane;
}

std::int64_t sliceIndexAt(const NiftiVolume &volume, const SlicePlane &plane, double mm)
{
    // The world row that the slice axis moves most along.
    int row = 0;
    for (int r = 1; r < 3; ++r)
        if (std::abs(matrixAt(volume, r, plane.throughAxis))
            > std::abs(matrixAt(volume, row, plane.throughAxis)))
            row = r;
    double offset = matrixAt(volume, row, 3);
    for (int c = 0; c < 3; ++c)
        if (c != plane.throughAxis)
            offset += matrixAt(volume, row, c) * double(volume.dims[std::size_t(c)] - 1) / 2;
    const double index = (mm - offset) / matrixAt(volume, row, plane.throughAxis);
    // Far outside is outside; the clamp keeps the rounding in range.
    return std::int64_t(std::llround(std::clamp(index, -1e12, 1e12)));
}

std::vector<double> sliceValues(const NiftiVolume &volume, const SlicePlane &plane,
                                std::int64_t index, int c, Sampling sampling)
{
    std::vector<double> out(std::size_t(plane.width) * std::size_t(plane.height));
    std::array<std::int64_t, 3> voxel{};
    voxel[std::size_t(plane.throughAxis)] = index;
    auto at = [&](std::int64_t h, std::int64_t v) {
        voxel[std::size_t(plane.horizontalAxis)] = h;
        voxel[std::size_t(plane.verticalAxis)] = v;
        return volume.value(voxel[0], voxel[1], voxel[2], c);
    };
    for (std::int32_t x = 0; x < plane.width; ++x) {
        const double h = voxelCoordinate(x, plane.width, plane.horizontalVoxels,
                                         plane.horizontalReversed);
        for (std::int32_t y = 0; y < plane.height; ++y) {
            const double v = voxelCoordinate(y, plane.height, plane.verticalVoxels,
                                             plane.verticalReversed);
            double value = 0;
            if (sampling == Sampling::Nearest) {
                value = at(std::llround(h), std::llround(v));
            } else {
                const std::int64_t h0 = std::int64_t(std::floor(h));
                const std::int64_t v0 = std::int64_t(std::floor(v));
                const std::int64_t h1 = std::min(h0 + 1, plane.horizontalVoxels - 1);
                const std::int64_t v1 = std::min(v0 + 1, plane.verticalVoxels - 1);
                const double fh = h - double(h0);
                const double fv = v - double(v0);
                // Exact voxel positions take the voxel alone, so that NaN neighbours
                // do not spread where no interpolation is needed.
                auto alongRow = [&](std::int64_t row) {
                    return fh == 0 ? at(h0, row) : (1 - fh) * at(h0, row) + fh * at(h1, row);
                };
                const double top = alongRow(v0);
                value = fv == 0 ? top : (1 - fv) * top + fv * alongRow(v1);
            }
            out[std::size_t(x) * std::size_t(plane.height) + std::size_t(y)] = value;
        }
    }
    return out;
}
