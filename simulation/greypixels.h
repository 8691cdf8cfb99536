#ifndef RELAXON_SIMULATION_GREYPIXELS_H
#define RELAXON_SIMULATION_GREYPIXELS_H

#include <cstdint>

// levelToGrey (clamped) for a run of values at once, as opaque 32-bit grey pixels
// 0xffgggggg (the toolkit's RGB32 layout): the same arithmetic, v k + 128 − level k
// with k = 255 / width, rounded half away from zero, clamped to 0..255 and
// inverted, computed without calls and branches, two values at a time. A NaN,
// and every value while the width is 0, gives black whatever the inversion, as
// levelToGrey does.
void greyPixels(const double *values, std::uint32_t *out, int count, double level, double width,
                bool invert);

#endif
