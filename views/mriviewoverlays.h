#ifndef RELAXON_VIEWS_MRIVIEWOVERLAYS_H
#define RELAXON_VIEWS_MRIVIEWOVERLAYS_H

#include <QLineF>
#include <QPolygonF>
#include <QRgb>
#include <QString>

// Geometry and colours of what an image view draws over its picture, kept free of
// widgets so that the shapes can be checked directly.

// Colour of a significant pixel of a functional case by its p value: yellow below a
// third of the threshold, orange-red from two thirds on, orange between.
QRgb significantPixelColour(double p, double threshold);

// "t=%3d s": each frame stands for 2 s.
QString frameTimeText(int frame);

struct GradientArrow
{
    QLineF shaft;
    QPolygonF head;
};

// The diffusion gradient arrow around widget point (25, 25), 30 pixels long,
// pointing up at 0 degrees and to the right at 90.
GradientArrow gradientArrow(double angleDegrees);

// The glyph of a 3 x 3 diffusion tensor (tensor[0..8], row by row) centred on
// (cx, cy): a stroke along the principal direction's in-plane part, 12 pixels long
// at most, scaled by the anisotropy 1 - w2 / w1. A tensor without a finite, positive
// largest singular value has no direction and gives a stroke of length 0.
QLineF tensorGlyph(const double tensor[9], double cx, double cy);

// Distance in image pixels between glyph centres: one glyph per 16 screen pixels of
// a picture displayedWidth pixels wide showing rows pixels; 0 when nothing is shown.
double glyphStep(int rows, int displayedWidth);

#endif
