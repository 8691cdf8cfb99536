#ifndef RELAXON_VIEWS_MRIVIEWREADOUTS_H
#define RELAXON_VIEWS_MRIVIEWREADOUTS_H

#include <QString>

// The texts an image view shows in its status bar. Values are written in fixed
// notation without decimals; a value that is not a number reads "nan", never an
// arbitrary integer.

// "<name>: %1 " with the value right-aligned in three characters: the read-out of a
// sub-window view under the mouse.
QString pixelValueReadout(const QString &name, double value);

// "<name>: %1" with the value right-aligned in three characters: the read-out of an
// animation view.
QString animationValueReadout(const QString &name, double value);

// The name a sub-window view gives its values: "diffusion coef" for ADC and DTI
// views (technique 3 or 4), else the case's unit name.
QString readoutName(int technique, const QString &unitsLabel);

// What the central view reports for the pixel under the mouse.
struct PixelStatus
{
    QString unitsLabel;
    bool functional = false; // the case has frames
    int fmriMode = 0;        // FmriDisplayMode
    double value = 0;        // the image value at the pixel
    double tValue = 0;       // statistics at the pixel, used when functional and mode > 0
    double pValue = 0;
    bool withPosition = false; // a keyboard modifier is held
    int x = 0;                 // the pixel, 0-based
    int y = 0;
};

// "t-value: %1 p-value: %2   " (t negative) or "t-value: %1   p-value: %2   " with t to
// 2 and p to 4 decimals, for statistics modes of a functional case; then, unless only
// statistics are shown, "<units>: %1" with the value (its magnitude for a functional
// case, whose significant pixels are stored negated); then, with a modifier held,
// "  position: (%1,%2)" with the 1-based pixel right-aligned in three characters.
QString pixelStatusText(const PixelStatus &status);

// " TE=%1": the echo time at which an animation was paused.
QString frozenEchoTimeText(double te);

// The pending Tr under the TR slider.
QString trValueText(double tr);

#endif
