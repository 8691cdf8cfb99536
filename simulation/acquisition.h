#ifndef RELAXON_SIMULATION_ACQUISITION_H
#define RELAXON_SIMULATION_ACQUISITION_H

#include "numerics/matrixmemory.h"

#include <cstdint>
#include <string>

// How a recording was acquired, beyond its timing: what sets its noise level and
// its scan time. A recording made without "Noise and scan time" keeps the
// defaults with noise off, and its image is the noiseless signal.
struct AcquisitionSettings
{
    int32 averages = 1;          // NEX, 1..16
    double bandwidth = 130;      // receiver bandwidth per pixel in Hz, 50..1000
    double sliceThickness = 5;   // mm, 1..10
    int32 echoTrainLength = 1;   // ETL, 1..32; shortens the scan only
    bool noise = false;
    std::uint64_t seed = 0;      // of the recording's noise pattern
};

// Inclusive bounds of the settings, for dialogs, the command line and checks.
template <typename T>
struct AcquisitionRange
{
    T low;
    T high;
    bool contains(T value) const { return value >= low && value <= high; } // false for NaN
};
inline constexpr AcquisitionRange<int32> kAveragesRange{1, 16};
inline constexpr AcquisitionRange<double> kBandwidthRange{50, 1000};
inline constexpr AcquisitionRange<double> kSliceThicknessRange{1, 10};
inline constexpr AcquisitionRange<int32> kEchoTrainLengthRange{1, 32};

// The protocol at which the noise is 1 % of the case's full scale.
inline constexpr double kReferenceBandwidth = 130;
inline constexpr double kReferenceSliceThickness = 5;

enum class AcquisitionField {
    None,
    Averages,
    Bandwidth,
    SliceThickness,
    EchoTrainLength,
};

// The first field, in the order above, that lies outside its range (NaN
// included); None when all are in range.
AcquisitionField firstFieldOutOfRange(const AcquisitionSettings &settings);

// Standard deviation of the noise in each of the real and imaginary channels, in
// signal units: (F / 100) sqrt(BW / 130) / sqrt(NEX) (5 / d), F the case's full
// scale. Averaging and thick slices lower it; a wide bandwidth lets more noise in.
double noiseSigma(double fullScale, const AcquisitionSettings &settings);

// TR (ms) times the phase-encoding lines (the image rows) times NEX over ETL, in
// seconds. The echo train only shortens the scan: its blurring and its effect on
// contrast are not modelled.
double scanTimeSeconds(double tr, int32 rows, const AcquisitionSettings &settings);

// Seconds rounded to whole ones as "m:ss", the minutes unbounded ("12:48", "0:48",
// "64:00"); anything negative or not finite gives "-:--".
std::string formatScanTime(double seconds);

#endif
