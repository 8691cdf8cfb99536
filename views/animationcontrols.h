#ifndef RELAXON_VIEWS_ANIMATIONCONTROLS_H
#define RELAXON_VIEWS_ANIMATIONCONTROLS_H

#include <QCoreApplication>

class QComboBox;
class QLabel;
class QSlider;
class QWidget;

// The controls of an animation view, children of the view: a vertical TR slider with
// its caption and value right of the picture, and below it the TE label (the echo
// time while paused) and the animation speed box with its caption. The view connects
// the slider and the speed box to its own slots.
class AnimationControls
{
    Q_DECLARE_TR_FUNCTIONS(AnimationControls)

public:
    // Room the controls take right of and below the picture.
    static constexpr int columnWidth = 40;
    static constexpr int rowHeight = 30;

    // Builds the controls with the slider at repetitionTime (held within its range)
    // and the value label showing it; the speed box offers the speed choices with
    // "Real time" selected.
    AnimationControls(QWidget *view, double repetitionTime);

    // Lays the controls out in a view area of width x height pixels (the view less
    // its own status bar); the picture gets width - columnWidth by height - rowHeight.
    void place(int width, int height);

    QSlider *trSlider = nullptr;
    QLabel *trCaption = nullptr;
    QLabel *trValue = nullptr;
    QLabel *teLabel = nullptr;
    QLabel *speedCaption = nullptr;
    QComboBox *speedBox = nullptr;
};

#endif
