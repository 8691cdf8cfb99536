#ifndef RELAXON_VIEWS_LEVWIDVIEW_H
#define RELAXON_VIEWS_LEVWIDVIEW_H

#include "views/levwidviewgeometry.h"

#include <QWidget>

class LevelCont;
class MriView;
class QPainter;

// The histogram of the level dialog: the view's value distribution with the
// current display window drawn over it, its transfer curve from values to grey, and
// three handles (lower edge, level, upper edge) that the user drags to change the
// window through the dialog's sliders.
class LevWidView : public QWidget
{
    Q_OBJECT

public:
    // view: the dialog's own view, whose value range and histogram are drawn.
    LevWidView(MriView *view, QWidget *parent = nullptr);

    bool showHistogram() const { return histogramShown; }
    void setShowHistogram(bool on) { histogramShown = on; }

    // Where the handles were drawn by the last paint; x = -1 for one not shown.
    const Handles &handlePoints() const { return handles; }
    int draggedHandle() const { return dragHandle; }

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    // The dialog that holds the frame this widget lies in, or null.
    LevelCont *dialog() const;
    // The view whose level, width and invert are drawn.
    const MriView *windowSource() const;
    void setHoverCursor(bool on);
    void paintHistogram(QPainter &painter, double level, double width, bool invert) const;
    void paintGrid(QPainter &painter) const;
    void paintHandles(QPainter &painter) const;
    void paintLabels(QPainter &painter, int hPrime) const;
    void paintRamp(QPainter &painter) const;

    bool histogramShown = false;
    MriView *view;
    Handles handles;
    int dragHandle = -1;
    bool hoverCursor = false;
    // The plot and the window's edges as of the last paint.
    HistogramPlot plot;
    WindowMarks marks;
    int dragOffset = 0;
};

#endif
