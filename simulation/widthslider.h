#ifndef RELAXON_SIMULATION_WIDTHSLIDER_H
#define RELAXON_SIMULATION_WIDTHSLIDER_H

// The scales of the level and width sliders of the level dialog. The level slider
// is linear, its position the level itself; the width slider is logarithmic over
// 0..2000 so that narrow windows, where the eye is most sensitive, get most of its
// travel.

constexpr int kWidthSliderMaximum = 2000;

// Width at slider position p: 1 + (10^(p / 1000) - 1) widthMax / 100, so position 0
// gives 1 and position 2000 gives 1 + 0.99 widthMax.
double sliderToWidth(int position, double widthMax);

// Inverse of sliderToWidth, rounded to the nearest position and kept on the slider
// (0..2000). Widths below 1, a widthMax that is not positive and values that are not
// numbers give position 0.
int widthToSlider(double width, double widthMax);

// A value rounded to the nearest integer (halves away from zero) for a slider or a
// text field; values beyond what a slider can hold are held at +-1e9, and a value
// that is not a number gives 0.
int sliderValue(double value);

#endif
