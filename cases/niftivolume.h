#ifndef RELAXON_CASES_NIFTIVOLUME_H
#define RELAXON_CASES_NIFTIVOLUME_H

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

// One NIfTI volume (NIfTI-1 or NIfTI-2, .nii or .nii.gz) as read by nifticlib:
// its grid, its voxel values as doubles (with the header's scaling applied) and
// the matrix that takes voxel indices to world millimetres (RAS).
struct NiftiVolume
{
    std::array<std::int64_t, 3> dims{};
    // Values per voxel: 1 for a map, 6 for a tensor.
    int components = 0;
    // Voxel (i, j, k), component c at ((c * nz + k) * ny + j) * nx + i, all 0-based.
    std::vector<double> values;
    // Row-major 4 x 4: world = voxelToWorld * (i, j, k, 1). Taken from the sform,
    // else the qform, else the voxel sizes alone.
    std::array<double, 16> voxelToWorld{};

    std::int64_t voxelCount() const { return dims[0] * dims[1] * dims[2]; }
    double value(std::int64_t i, std::int64_t j, std::int64_t k, int c = 0) const
    {
        return values[std::size_t(((c * dims[2] + k) * dims[1] + j) * dims[0] + i)];
    }
    // The same grid in the same place of the world (to a hundredth of a millimetre).
    bool sameGridAs(const NiftiVolume &other) const;
};

// Reads fileName expecting `components` values per voxel (1: a 3-D volume or a
// 4-D file of one volume; 6: a tensor, six volumes). On failure returns false
// with a one-line reason in *error and leaves volume empty.
bool readNiftiVolume(const QString &fileName, int components, NiftiVolume &volume,
                     QString *error);

#endif
