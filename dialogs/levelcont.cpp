#include "dialogs/levelcont.h"

#include "simulation/widthslider.h"
#include "views/levwidview.h"
#include "views/mriview.h"
#include "views/session.h"

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSignalBlocker>
#include <QStatusBar>

namespace {

constexpr int kFieldWidth = 5;
constexpr int kReadoutWidth = 4;
constexpr int kCascadeStep = 16; // dialogs of later sub-windows open further down and right

// A whole number typed into a field, within low..high; blanks around it are allowed.
bool readWhole(const QLineEdit *edit, double low, double high, int &value)
{
    bool ok = false;
    const int n = edit->text().toInt(&ok, 10);
    if (!ok || n < low || n > high)
        return false;
    value = n;
    return true;
}

QString wholeText(double value)
{
    return QString::number(value, 'f', 0);
}

} // namespace

int LevelCont::lastLevelPosition = 0;
int LevelCont::lastWidthPosition = 0;

LevelCont::LevelCont(MriView *view, Qt::WindowFlags flags)
    : QDialog(view, flags), view(view), shownView(view)
{
    setupUi(this);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);

    histogram = new LevWidView(view, displayFrame);
    histogram->setMouseTracking(true);
    histogram->setShowHistogram(true);
    histoBox->setChecked(histogram->showHistogram());
    invertBox->setChecked(view->invert());

    {
        // The sliders' value 0 may fall outside the new ranges; the view's window is
        // set from the fields below, not from that clamping.
        const QSignalBlocker levelBlocker(levelSlider);
        const QSignalBlocker widthBlocker(widthSlider);
        levelSlider->setRange(sliderValue(view->levelMin()), sliderValue(view->levelMax()));
        widthSlider->setRange(0, kWidthSliderMaximum);
    }

    lastLevelPosition = sliderValue(view->displayLevel());
    levelEdit->setText(QString::number(lastLevelPosition));
    levelSlider->setValue(lastLevelPosition);

    lastWidthPosition = widthToSlider(view->displayWidth(), view->widthMax());
    widthEdit->setText(wholeText(view->displayWidth()));
    widthSlider->setValue(lastWidthPosition);
}

LevelCont *LevelCont::of(const MriView *view)
{
    return view ? view->findChild<LevelCont *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

void LevelCont::showForView(MriView *view, bool toggle)
{
    LevelCont *dialog = of(view);
    if (dialog && toggle && dialog->isVisible()) {
        dialog->hide();
        return;
    }
    const bool created = !dialog;
    if (created) {
        dialog = new LevelCont(view);
        dialog->setWindowFlags(dialog->windowFlags() & ~Qt::WindowContextHelpButtonHint);
    }
    dialog->setWindowTitle(view->windowTitle());
    if (created)
        dialog->placeNear(view);
    dialog->show();
    dialog->activateWindow();
}

void LevelCont::placeNear(const MriView *owner)
{
    const QWidget *main = owner->session().window();
    if (QMdiArea *area = owner->session().documentArea) {
        const QList<QMdiSubWindow *> windows = area->subWindowList();
        int position = 0;
        for (int i = 0; i < windows.size(); ++i)
            if (windows.at(i)->widget() == owner)
                position = i;
        move(main->x() + main->width() / 2 - width() / 2 + kCascadeStep * position,
             main->y() + main->height() / 2 - height() / 2 + kCascadeStep * position);
    } else {
        move(main->x() + owner->width() - width(), main->y());
    }
}

void LevelCont::setCurrentView(MriView *shown)
{
    shownView = shown ? shown : view;
    showWindowOf(currentView());
}

MriView *LevelCont::currentView() const
{
    return shownView ? shownView.data() : view;
}

bool LevelCont::editsOwnView() const
{
    return currentView() == view;
}

void LevelCont::showLevelReadout(int level)
{
    if (view->viewStatusBar() && view->levelReadout())
        view->levelReadout()->setText(QStringLiteral(" wl: %1 ").arg(level, kReadoutWidth));
}

void LevelCont::showWidthReadout(int width)
{
    if (view->viewStatusBar() && view->widthReadout())
        view->widthReadout()->setText(QStringLiteral(" ww: %1 ").arg(width, kReadoutWidth));
}

void LevelCont::moveSliders(double level, double width, double widthMax)
{
    if (!editsOwnView())
        return;
    levelSlider->setValue(sliderValue(level));
    widthSlider->setValue(widthToSlider(width, widthMax));
    // A slider already at its place reports nothing, yet the fields must show the
    // window the view has now.
    showWindowOf(view);
}

void LevelCont::showWindowOf(const MriView *shown)
{
    // Only shown: the slots would hand the numbers back to the own view, and two
    // dialogs that follow each other would pass them back and forth without end.
    const QSignalBlocker levelBlocker(levelSlider);
    const QSignalBlocker widthBlocker(widthSlider);
    const QSignalBlocker levelEditBlocker(levelEdit);
    const QSignalBlocker widthEditBlocker(widthEdit);
    levelSlider->setValue(sliderValue(shown->displayLevel()));
    widthSlider->setValue(widthToSlider(shown->displayWidth(), shown->widthMax()));
    levelEdit->setText(wholeText(shown->displayLevel()));
    widthEdit->setText(wholeText(shown->displayWidth()));
    update();
    histogram->update();
}

void LevelCont::on_levelSlider_valueChanged(int val)
{
    if (!editsOwnView())
        return;
    if (val != lastLevelPosition) {
        lastLevelPosition = val;
        view->setDisplayWindow(val, view->displayWidth());
        levelEdit->setText(QStringLiteral("%1").arg(val, kFieldWidth));
        showLevelReadout(val);
    }
    spreadLevelWidth();
}

void LevelCont::on_widthSlider_valueChanged(int val)
{
    if (!editsOwnView())
        return;
    const double width = sliderToWidth(val, view->widthMax());
    if (val != lastWidthPosition) {
        lastWidthPosition = val;
        view->setDisplayWindow(view->displayLevel(), width);
        const int shown = sliderValue(width);
        widthEdit->setText(QStringLiteral("%1").arg(shown, kFieldWidth));
        showWidthReadout(shown);
    }
    spreadLevelWidth();
}

void LevelCont::on_levelEdit_textChanged()
{
    int level = 0;
    if (!editsOwnView() || !readWhole(levelEdit, view->levelMin(), view->levelMax(), level))
        return;
    view->setDisplayWindow(level, view->displayWidth());
    lastLevelPosition = level;
    levelSlider->setValue(level);
    showLevelReadout(level);
}

void LevelCont::on_widthEdit_textChanged()
{
    int width = 0;
    if (!editsOwnView() || !readWhole(widthEdit, view->widthMin(), view->widthMax(), width))
        return;
    const int position = widthToSlider(width, view->widthMax());
    lastWidthPosition = position;
    view->setDisplayWindow(view->displayLevel(), width);
    widthSlider->setValue(position);
    showWidthReadout(width);
}

void LevelCont::on_histoBox_stateChanged(int state)
{
    histogram->setShowHistogram(state != Qt::Unchecked);
    histogram->update();
}

void LevelCont::on_invertBox_stateChanged(int state)
{
    view->setInvert(state != Qt::Unchecked);
    spreadLevelWidth();
}

void LevelCont::on_autoButton_clicked()
{
    view->setLevelWidth(0, 0);
    spreadLevelWidth();
}

void LevelCont::spreadLevelWidth()
{
    view->spreadWindowToFollowers();
    view->update();
    histogram->update();
}

void LevelCont::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    histogram->resize(displayFrame->size());
}
