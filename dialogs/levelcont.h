#ifndef RELAXON_DIALOGS_LEVELCONT_H
#define RELAXON_DIALOGS_LEVELCONT_H

#include "ui_levelcont.h"

#include <QDialog>
#include <QPointer>

class LevWidView;
class MriView;

// The modeless dialog in which the user sets a view's display level and width with
// sliders, text fields, the histogram's handles or "Auto", and inverts its grey
// scale. While the main window makes all views follow the active one, only the
// active view's dialog edits; the others show the active view's window.
class LevelCont : public QDialog, public Ui::LevelCont
{
    Q_OBJECT

public:
    // The slider values last taken over by any level dialog of the program: a slider
    // that reports one of them changes no view, it only repaints.
    static int lastLevelPosition;
    static int lastWidthPosition;

    LevelCont(MriView *view, Qt::WindowFlags flags = Qt::WindowFlags());

    // The dialog that view owns, or null before its first request.
    static LevelCont *of(const MriView *view);

    // Opens view's dialog, creating and placing it on the first request, raises it,
    // or hides it when toggle is set and it is visible.
    static void showForView(MriView *view, bool toggle);

    // The view whose window the dialog shows and edits; null selects its own view.
    // Sliders and fields take that view's window at once.
    void setCurrentView(MriView *shown);
    MriView *currentView() const;
    MriView *ownView() const { return view; }
    LevWidView *histogramView() const { return histogram; }

    // Moves the sliders to a window of the own view, whose slots take it over, while
    // the dialog edits that view.
    void moveSliders(double level, double width, double widthMax);

public slots:
    void on_levelSlider_valueChanged(int val);
    void on_widthSlider_valueChanged(int val);
    void on_levelEdit_textChanged();
    void on_widthEdit_textChanged();
    void on_histoBox_stateChanged(int state);
    void on_invertBox_stateChanged(int state);
    void on_autoButton_clicked();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    bool editsOwnView() const;
    void showLevelReadout(int level);
    void showWidthReadout(int width);
    void spreadLevelWidth();
    // Sliders and fields show shown's window without changing any view.
    void showWindowOf(const MriView *shown);
    void placeNear(const MriView *owner);

    LevWidView *histogram = nullptr;
    MriView *view = nullptr;
    // The active view can close while this dialog follows it.
    QPointer<MriView> shownView;
};

#endif
