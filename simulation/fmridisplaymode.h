#ifndef RELAXON_SIMULATION_FMRIDISPLAYMODE_H
#define RELAXON_SIMULATION_FMRIDISPLAYMODE_H

#include <cstdint>

// What the view of a functional case shows; the values are those the main
// window's display-mode commands store in the view.
enum FmriDisplayMode : std::int32_t {
    FmriShowFrames = 0,     // the current frame
    FmriShowStatistics = 1, // half the activation map
    FmriShowBoth = 2,       // the current frame, significant pixels negated
};

#endif
