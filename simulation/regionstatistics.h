#ifndef RELAXON_SIMULATION_REGIONSTATISTICS_H
#define RELAXON_SIMULATION_REGIONSTATISTICS_H

#include "numerics/matrixmemory.h"
#include "simulation/acquisition.h"

#include <cstdint>

// A rectangle of image pixels, 0-based: image[x + 1 .. x + width][y + 1 .. y + height]
// of a 1-based image, x along the first index (the screen's horizontal axis).
// A width or height of 0 or less makes it empty.
struct ImageRegion
{
    int32 x = 0;
    int32 y = 0;
    int32 width = 0;
    int32 height = 0;
};

struct RegionStatistics
{
    std::int64_t count = 0;       // pixels of the region inside the image
    double mean = 0;              // NaN without pixels
    double standardDeviation = 0; // sample SD (n - 1 in the denominator); NaN below 2 pixels
};

// Count, mean and standard deviation of the values of image[1..rows][1..cols]
// within region, clipped to the image. Two passes over the pixels, so that a
// small spread on a large mean keeps its digits.
RegionStatistics regionStatistics(double **image, int32 rows, int32 cols, const ImageRegion &region);

// The region's signal-to-noise ratio in a recording: its mean over the noise
// sigma the acquisition settings give (noiseSigma). NaN for a recording without
// noise, whose ratio is unbounded, and for a region without pixels.
double regionSnr(const RegionStatistics &statistics, const AcquisitionSettings &settings,
                 double fullScale);

#endif
