#ifndef RELAXON_CASES_SLICEPLANE_H
#define RELAXON_CASES_SLICEPLANE_H

#include "cases/niftivolume.h"

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

enum class SliceAxis { Axial, Coronal, Sagittal };

// "axial", "coronal" or "sagittal"; false for any other word.
bool sliceAxisFromName(const QString &name, SliceAxis *axis);
QString sliceAxisName(SliceAxis axis);

// How the voxel axes of a volume lie in the picture of a slice along a world axis,
// shown as radiologists view it: axial with anterior at the top, coronal and
// sagittal with superior at the top; axial and coronal with the patient's left on
// the picture's right, sagittal with anterior on the left. A voxel axis stands for
// the world axis it runs closest to; obliquity is not resampled away.
struct SlicePlane
{
    int throughAxis = 2;    // voxel axis across the slice
    int horizontalAxis = 0; // voxel axis along the picture's rightward direction
    int verticalAxis = 1;   // voxel axis along the picture's downward direction
    bool horizontalReversed = false; // voxel index falls towards the right
    bool verticalReversed = false;   // voxel index falls downwards
    std::int64_t horizontalVoxels = 0;
    std::int64_t verticalVoxels = 0;
    double horizontalMm = 1; // voxel size along the picture's axes
    double verticalMm = 1;
    // Picture size after resampling to square pixels of the smaller voxel size.
    std::int32_t width = 0;
    std::int32_t height = 0;
    // Entry [p][m]: component of tensor-frame axis m along picture axis p (x
    // rightwards, y upwards, z = x cross y); a signed permutation.
    std::array<std::array<double, 3>, 3> tensorTurn{};
};

enum class TensorFrame {
    VoxelAxes, // FSL: components along the voxel axes, the first reversed when the
               // voxel-to-world matrix keeps handedness
    World      // MRtrix: components along the world (RAS) axes
};

SlicePlane slicePlaneOf(const NiftiVolume &volume, SliceAxis axis, TensorFrame frame);

// The slice index whose plane passes closest to the world coordinate mm (along
// the slice's world axis) at the volume's centre; may lie outside the volume.
std::int64_t sliceIndexAt(const NiftiVolume &volume, const SlicePlane &plane, double mm);

enum class Sampling { Linear, Nearest };

// Component c of slice `index` (0-based, inside the volume) on the picture grid:
// width x height values, the value of picture pixel (x, y) at x * height + y,
// x rightwards and y downwards from 0.
std::vector<double> sliceValues(const NiftiVolume &volume, const SlicePlane &plane,
                                std::int64_t index, int c, Sampling sampling);

#endif
