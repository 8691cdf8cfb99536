#ifndef RELAXON_SIMULATION_SIGNALROWS_H
#define RELAXON_SIMULATION_SIGNALROWS_H

// The signal branch of computeSignal over image[1..rows][1..cols] on vectors of 4
// (AVX2 with FMA) and 8 (AVX-512) pixels. Each lives in its own file built for its
// instruction set; the caller runs one only on a processor that has it, and the
// scalar formula elsewhere (two-lane vectors would be no faster than the C
// library's exponential). Internal to simulation/.

#include "cases/casedata.h"
#include "simulation/signalpixel.h"

#if defined(__x86_64__)
void signalRowsAvx2(const CaseData &data, double **image, int32 rows, int32 cols,
                    const SignalSettings &settings);
void signalRowsAvx512(const CaseData &data, double **image, int32 rows, int32 cols,
                      const SignalSettings &settings);
#endif

#endif
