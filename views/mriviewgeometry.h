#ifndef RELAXON_VIEWS_MRIVIEWGEOMETRY_H
#define RELAXON_VIEWS_MRIVIEWGEOMETRY_H

// Widget-free arithmetic of an image view: where the picture sits in the widget,
// which image pixel lies under a widget point and back, and the bounds of the
// display window. Image pixels are 0-based here; x runs along the screen's
// horizontal axis over 0..rows-1, y downwards over 0..cols-1.

struct ImageRect
{
    int x0 = 0;
    int y0 = 0;
    int width = 0;  // displayed width w'
    int height = 0; // displayed height h'
};

// The largest picture of rows x cols square pixels that fits into an area of
// areaWidth x areaHeight, centred (offsets and sizes rounded to nearest). A negative
// area counts as empty. rows and cols must be positive.
ImageRect fitImageRect(int areaWidth, int areaHeight, int rows, int cols);

struct ScreenPoint
{
    int x = 0;
    int y = 0;
};

// Widget position of the top-left corner of image pixel (x, y):
// ((w' x) / rows + x0, (h' y) / cols + y0) with integer division.
ScreenPoint pixelToScreen(const ImageRect &rect, int rows, int cols, int x, int y);

// Image pixel under widget point (x, y): floor((x - x0) rows / w'),
// floor((y - y0) cols / h'). The result may lie outside 0..rows-1 / 0..cols-1;
// an empty picture gives (-1, -1).
ScreenPoint screenToPixel(const ImageRect &rect, int rows, int cols, int x, int y);

inline bool pixelInside(ScreenPoint pixel, int rows, int cols)
{
    return pixel.x >= 0 && pixel.x < rows && pixel.y >= 0 && pixel.y < cols;
}

struct LevelWidthBounds
{
    double levelMin = 0;
    double levelMax = 0;
    double widthMin = 1;
    double widthMax = 0;
};

// Bounds of level and width for an image with the given value range; all views of
// a PD/T1/T2 case (isMri) share the bounds of its full scale F instead: level -F..2F,
// width 1..10F.
LevelWidthBounds levelWidthBounds(double rangeLow, double rangeHigh, bool isMri, double fullScale);

// Clamps width into [widthMin, widthMax], then level into [levelMin, levelMax]. A
// value that is not a number becomes the lower bound, so that painting always
// divides by a width of at least widthMin.
void clampLevelWidth(double &level, double &width, const LevelWidthBounds &bounds);

// Where a left drag of the display window started: the press point in widget
// coordinates and the window at the press.
struct DragStart
{
    int x = 0;
    int y = 0;
    double level = 0;
    double width = 0;
};

struct DisplayWindow
{
    double level = 0;
    double width = 0;
};

// The window asked for by dragging from start to widget point (x, y) over a widget
// whose smaller side is extent pixels: moving up by extent raises the level by the
// whole level range; moving right by extent moves the width slider's logarithmic
// position by (widthMax - widthMin) / 10 steps. The width is always one of the
// slider's; the result is not yet clamped to the bounds. An extent below 1 leaves
// the start window.
DisplayWindow draggedWindow(const DragStart &start, int x, int y, int extent,
                            const LevelWidthBounds &bounds);

#endif
