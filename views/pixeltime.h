#ifndef RELAXON_VIEWS_PIXELTIME_H
#define RELAXON_VIEWS_PIXELTIME_H

#include <QDialog>

#include <vector>

struct CaseData;

// The time curve of one pixel of a functional series: a dot per frame over the
// grey bands of the rest and task blocks the statistics compare (task darker),
// one pixel per signal unit around the mean, and a red
// marker at the frame its view shows. It is a window of its own, owned by its view;
// keys pressed in it go to the view, so that frame stepping keeps working.
class PixelTime : public QDialog
{
public:
    // parent: the image view. count: the number of frames plotted.
    PixelTime(QWidget *parent, int count, Qt::WindowFlags flags = Qt::WindowFlags());

    // Takes the series of pixel (a, b), both 0-based within one frame, from the
    // case's frame series: values[k] := frame k + 1 of that pixel for k below
    // min(count, maximum), or below count when maximum is 0. A pixel outside the
    // frame, or frames the case does not have, give 0.
    void fillFromSeries(const CaseData &data, int a, int b, int maximum = 0);

    // Moves the window so that its right edge lies at the main window's x plus the
    // view's width and its top at the top of the main window's client area.
    void placeBeside(const QWidget *mainWindow, int viewWidth);

    int count() const { return static_cast<int>(values.size()); }
    double value(int k) const { return values.at(k); }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    int shownFrame() const;
    QString unitsText() const;

    std::vector<double> values;
};

#endif
