#ifndef RELAXON_SIMULATION_NOISE_H
#define RELAXON_SIMULATION_NOISE_H

#include "numerics/matrixmemory.h"

#include <cstdint>
#include <vector>

// The receiver noise of one recording: for every pixel two independent standard
// normal numbers, the real and imaginary parts of its complex noise. A recording
// draws its field once from its seed and adds it to every image it computes, so
// that repaints, level changes and the echo-time animation show one noise
// pattern. The same seed gives the same field on every platform and compiler.
struct NoiseField
{
    int32 rows = 0;
    int32 cols = 0;
    // Pixel (x, y) of the image, x = 1..rows, y = 1..cols, is entry
    // (x - 1) cols + (y - 1). Single precision: the noise needs no more, and the
    // animation reads half the memory.
    std::vector<float> real;
    std::vector<float> imaginary;
};

// Draws the field of rows x cols pixels (both at least 0) from seed. The normals
// come from a stream of 64-bit numbers (SplitMix64 started at seed) taken in
// pixel order, turned into pairs by Marsaglia's polar method with a logarithm of
// our own, so that no step depends on a library's implementation.
NoiseField drawNoiseField(int32 rows, int32 cols, std::uint64_t seed);

// Replaces each image[x][y] (x = 1..rows, y = 1..cols) S by the magnitude a
// scanner reconstructs, |S + sigma (n1 + i n2)| with (n1, n2) the pixel's pair of
// field. The field must hold at least rows x cols pixels with the image's cols.
// Allocates nothing; with sigma 0 the image is unchanged for S >= 0.
void addRicianNoise(double **image, int32 rows, int32 cols, double sigma, const NoiseField &field);

// The same with a field drawn from seed for this one call.
void addRicianNoise(double **image, int32 rows, int32 cols, double sigma, std::uint64_t seed);

#endif
