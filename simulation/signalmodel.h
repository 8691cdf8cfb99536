#ifndef RELAXON_SIMULATION_SIGNALMODEL_H
#define RELAXON_SIMULATION_SIGNALMODEL_H

#include "cases/casedata.h"
#include "numerics/matrixmemory.h"

// Fills image[1..rows][1..cols] (caller-allocated and owned, at least that size)
// from the maps of data, which must be at least rows x cols.
//
// The signs of te and tr choose what is computed, so that the parameter-map views
// can use the same call:
//   te > 0, tr > 0: the spin-echo signal
//       S = (1 - exp(-tr / T1)) * PD * exp(-te / T2),
//     times |2 exp(-tp / T1) - 1| when tp > 0 (inversion prepulse; pass 0 for none),
//     then, when data.hasDti, weighted by diffusion technique (1 gradient direction
//     at gradientAngle degrees in the image plane, 2 direction-independent) or
//     replaced by 100 n (3 and 4), n being the pixel's normalised tensor norm;
//   te > 0, tr < 0: the T1 map;   te < 0, tr > 0: the T2 map;
//   otherwise: the PD map.
// A zero relaxation time gives the limit of the formula (its exponential is 0)
// without raising a floating-point exception, so background pixels are 0.
// Allocates nothing.
void computeSignal(const CaseData &data, double **image, int32 rows, int32 cols,
                   double te, double tr, double tp, int32 technique, int32 gradientAngle);

// Fills image[1..data.rows][1..data.cols / data.frames] from a functional case:
// mode FmriShowStatistics gives 0.5 * activation; otherwise the frame `frame`
// (0-based, wrapped into 0..frames - 1) of the series, and in FmriShowBoth the
// pixels whose p value lies strictly below threshold are negated.
// Returns the frame index shown; a case without frames leaves image untouched and
// gives 0.
int32 fmriFrame(const CaseData &data, double **image, int32 frame, int32 mode,
                double threshold);

#endif
