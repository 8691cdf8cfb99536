#ifndef RELAXON_SIMULATION_FMRISTATISTICS_H
#define RELAXON_SIMULATION_FMRISTATISTICS_H

#include "cases/casedata.h"

#include <cstdint>
#include <vector>

// Per-pixel block-design t-test of a functional series.
//
// On entry data.pd holds the series [1..rows][1..cols]; frame f (from 1) is columns
// (f − 1)·W + 1 .. f·W with W = cols / frames. The five maps must be null: this
// allocates each as a dmatrix [1..rows][1..W] that data then owns.
//
// Frames 1 and 2 are skipped; from frame 3 on, blocks of 10 frames alternate rest
// and task, starting with rest (fmriBlocks below). A rest block and the following task block form a
// pair; a task block cut short by the end of the series still completes its pair,
// a trailing rest block without task frames does not count. Per pixel:
//   difference  mean over pairs of (task mean − rest mean)
//   variance    mean over pairs of (rest variance + task variance) / 2, variances
//               dividing by the block's frame count
//   tValue      difference / √variance
//   pValue      upper tail of Student's t with frames − 1 degrees of freedom
//   activation  1000 · tValue where tValue > 0, else 0
// A pixel gets tValue 0, pValue 0.5 and activation 0 (difference and variance
// still stored) when the rest mean of its last pair is not above 250 or its
// variance is zero. A series without a complete pair (fewer than 13 frames), or a
// pixel whose paired frames hold a NaN or an infinity or overflow the sums, gets 0
// in every map except pValue 0.5.
//
// Nothing is allocated when there is no series, rows < 1, frames < 1 or
// cols < frames; when an allocation fails the maps allocated so far are released
// and all five stay null.
void computeFmriStatistics(CaseData &data);

// One block of the design: frames first..last (from 1), rest or task.
struct FmriBlock
{
    std::int32_t first = 0;
    std::int32_t last = 0;
    bool task = false;
};

// The blocks of a series of frames, in order; the last one may be cut short by the
// end of the series. None for fewer than 3 frames.
std::vector<FmriBlock> fmriBlocks(std::int32_t frames);

#endif
