#ifndef RELAXON_VIEWS_PIXELTIMESCALE_H
#define RELAXON_VIEWS_PIXELTIMESCALE_H

#include <vector>

// Widget-free vertical scale of the pixel time curve: one pixel per signal unit,
// the mean of the series in the middle of the plot.

// Mean of the values, zeros included; 0 for none.
double seriesMean(const std::vector<double> &values);

// The value labels: multiples of 25 from 25 ceil((mean - 50) / 25) up to mean + 50,
// at most five. A mean that is not finite gets none.
std::vector<double> timeCurveLabels(double mean);

// y of value v in a window of height h' + 1 whose plot is plotHeight high:
// (h' - 23 - plotHeight / 2) + mean - v, plotHeight / 2 an integer division.
double timeCurveY(double value, double mean, int hPrime, int plotHeight);

#endif
