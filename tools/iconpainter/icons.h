#ifndef RELAXON_TOOLS_ICONPAINTER_ICONS_H
#define RELAXON_TOOLS_ICONPAINTER_ICONS_H

#include <QImage>
#include <QString>

#include <functional>

class QPainter;

// One drawing, painted on a 16 x 16 canvas (the painter is scaled for larger output).
struct IconDrawing
{
    QString fileName;
    std::function<void(QPainter &)> paint;
};

QList<IconDrawing> actionIcons();

// The logo, painted on a 128 x 128 canvas and scaled for smaller sizes.
void paintLogo(QPainter &p);

// Renders a drawing at size x size pixels with a transparent background.
QImage render(const std::function<void(QPainter &)> &paint, int canvas, int size);

#endif
