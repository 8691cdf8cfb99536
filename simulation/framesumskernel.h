#ifndef RELAXON_SIMULATION_FRAMESUMSKERNEL_H
#define RELAXON_SIMULATION_FRAMESUMSKERNEL_H

// The vector loop behind addFrameSums, included by one file per instruction set;
// internal linkage throughout (see signalrowskernel.h).

#include "simulation/framesums.h"
#include "simulation/vectorexp.h"

#pragma GCC diagnostic ignored "-Wpsabi"

namespace {

// The pixels of whole vectors, frame after frame: the values are read in the
// order they lie in memory, the sums stay in the first-level cache. Returns how
// many pixels that covered.
template <typename V>
[[gnu::always_inline]] inline int32 addFrameSumVectors(const FrameSums &sums)
{
    using vectormath::load;
    using vectormath::store;
    constexpr int lanes = vectormath::VectorTraits<V>::lanes;
    const int32 whole = sums.width / lanes * lanes;
    const double *values = sums.firstFrame;
    for (int32 frame = 0; frame < sums.frames; ++frame, values += sums.frameStride) {
        for (int32 j = 0; j < whole; j += lanes) {
            const V offset = load<V>(values + j) - load<V>(sums.origin + j);
            store(sums.sum + j, load<V>(sums.sum + j) + offset);
            store(sums.squares + j, load<V>(sums.squares + j) + offset * offset);
        }
    }
    return whole;
}

} // namespace

#endif
