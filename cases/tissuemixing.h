#ifndef RELAXON_CASES_TISSUEMIXING_H
#define RELAXON_CASES_TISSUEMIXING_H

#include "cases/tissuetable.h"

#include <array>
#include <map>
#include <vector>

struct Relaxation
{
    double pd = 0;
    double t1 = 0;
    double t2 = 0;
};

// Single-compartment values for pixels that hold several tissues, as the built-in
// cases get them: a pixel gives the sum of its tissues' signals, and its one PD, T1
// and T2 are those whose spin-echo signal comes closest, in least squares, to that
// sum over a grid of echo, repetition and inversion times (the usual teaching
// recordings weighted ten times). Averaging the rates instead would put bright
// rims around CSF in inversion-recovery images.
class TissueMixer
{
public:
    explicit TissueMixer(std::vector<TissueRow> tissues);

    // fractions[k]: share of tissues[k] in the pixel (0..1). Less than 2 % tissue in
    // all is air (all zero). A pixel of one tissue to 99.9 % gets its values; other
    // mixtures are rounded to fiftieths and fitted once per composition.
    Relaxation mix(const double *fractions);

private:
    Relaxation fitComposition(const std::vector<double> &composition) const;

    std::vector<TissueRow> tissues;
    std::map<std::vector<int>, Relaxation> fitted;
};

#endif
