#ifndef RELAXON_SIMULATION_FRAMESUMS_H
#define RELAXON_SIMULATION_FRAMESUMS_H

// The inner loop of the functional statistics: the sums of one block of frames for
// every pixel of an image row, on the widest vectors the processor has. Internal
// to simulation/.

#include "numerics/matrixmemory.h"

#include <cstddef>

struct FrameSums
{
    const double *firstFrame;  // the row's values in the block's first frame
    std::ptrdiff_t frameStride; // from one frame's values to the next's
    int32 frames;
    int32 width;
    const double *origin; // per pixel: the value the sums are taken about
    double *sum;
    double *squares;
};

// Adds (value - origin) and its square over the frames to sum and squares of
// every pixel, each pixel with the same operations in the same order whatever
// the vector width.
void addFrameSums(const FrameSums &sums);

#if defined(__x86_64__)
int32 addFrameSumsAvx2(const FrameSums &sums);
int32 addFrameSumsAvx512(const FrameSums &sums);
#endif

#endif
