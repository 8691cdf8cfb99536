#ifndef RELAXON_SIMULATION_RECORDINGPARAMS_H
#define RELAXON_SIMULATION_RECORDINGPARAMS_H

#include <cstdint>

// Diffusion technique codes; also the ids of the timing dialog's technique buttons.
enum DiffusionTechnique : std::int32_t {
    TechniqueNone = 0,
    TechniqueSingleDirection = 1,
    TechniqueDwi = 2,
    TechniqueAdc = 3,
    TechniqueDti = 4,
};

// The settings of one simulated spin-echo recording. Times in ms. The main window
// keeps the last accepted set with integer times; each view keeps its own with
// doubles.
template <typename Time>
struct BasicRecordingParams
{
    Time te = 40;
    Time tr = 500;
    Time tp = 100;
    bool prepulse = false;
    std::int32_t technique = TechniqueNone;
    double gradientAngle = 0; // degrees, in the image plane
};

using RecordingParams = BasicRecordingParams<std::int32_t>;
using ViewRecordingParams = BasicRecordingParams<double>;

#endif
