// The main window's view commands: sub-windows of the document area, the coupling of
// level and width across them, the Window menu and the commands of a central view.

#include "app/mainwindow.h"

#include "simulation/fmridisplaymode.h"
#include "views/mriview.h"
#include "views/pixeltime.h"

#include <QAction>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QSignalMapper>
#include <QStatusBar>

#include <algorithm>

namespace {

// Room for an animation's speed box and TR slider beside and below the picture.
constexpr int animationControlsWidth = 40;
constexpr int animationControlsHeight = 30;

} // namespace

bool MainWindow::createMdiChild(int kind)
{
    if (!state.documentArea)
        return false;
    auto *view = new MriView(state, kind);
    if (!view->hasImage()) {
        delete view;
        return false;
    }
    QMdiSubWindow *window = state.documentArea->addSubWindow(view);
    view->show();

    // One screen pixel per image pixel; the frame keeps whatever the style gives it.
    const int frameWidth = window->width() - view->width();
    const int frameHeight = window->height() - view->height();
    int w = state.caseData.rows;
    int h = state.caseData.cols;
    if (view->technique() == TechniqueDti) {
        w *= 2;
        h *= 2;
    }
    if (QStatusBar *bar = view->viewStatusBar())
        h += bar->height();
    if (kind == ViewAnimation) {
        w += animationControlsWidth;
        h += animationControlsHeight;
    }
    // A small case would leave no room for the title and the read-outs.
    w = std::max(w, view->minimumWidth());
    h = std::max(h, view->minimumHeight());
    window->resize(frameWidth + w, frameHeight + h);
    return true;
}

void MainWindow::newView()
{
    createMdiChild(0);
}

void MainWindow::newAnimView()
{
    createMdiChild(1);
}

void MainWindow::rhoView()
{
    createMdiChild(2);
}

void MainWindow::t1View()
{
    createMdiChild(3);
}

void MainWindow::t2View()
{
    createMdiChild(4);
}

void MainWindow::doAllowPre()
{
    state.allowPrepulse = !state.allowPrepulse;
    if (allowPreAct)
        allowPreAct->setChecked(state.allowPrepulse);
}

void MainWindow::doAllowDti()
{
    state.allowDti = !state.allowDti;
    if (allowDtiAct)
        allowDtiAct->setChecked(state.allowDti);
}

void MainWindow::doLevel()
{
    MriView *view = state.documentArea ? activeView() : centralView;
    if (view)
        view->showLevelDialog(true);
}

void MainWindow::setMeasureRegion(bool on)
{
    state.measureRegion = on;
}

void MainWindow::setFollowActive(bool on)
{
    state.followActive = on;
    for (MriView *view : mdiViews()) {
        view->showPaintingWindow();
        view->update();
    }
}

void MainWindow::updateAll(QMdiSubWindow *)
{
    // The argument may be a window that is going away; the area knows which is active.
    for (MriView *view : mdiViews()) {
        view->showPaintingWindow();
        view->update();
    }
}

void MainWindow::updateMenus()
{
    if (!closeActiveAct || !state.documentArea)
        return;
    const bool hasView = activeView() != nullptr;
    for (QAction *action : {closeActiveAct, closeAllAct, tileAct, cascadeAct, nextAct, previousAct})
        action->setEnabled(hasView);
    // An animation sets its own window as it runs, so the dialog has nothing to hold.
    const MriView *active = activeView();
    levelAct->setEnabled(!active || active->kind() != ViewAnimation);
    animAct->setEnabled(true);
}

void MainWindow::updateWindowMenu()
{
    windowMenu->clear();
    windowMenu->addAction(closeActiveAct);
    windowMenu->addAction(closeAllAct);
    windowMenu->addSeparator();
    windowMenu->addAction(tileAct);
    windowMenu->addAction(cascadeAct);
    windowMenu->addSeparator();
    windowMenu->addAction(nextAct);
    windowMenu->addAction(previousAct);
    windowMenu->addAction(separatorAct);

    const QList<QMdiSubWindow *> windows = state.documentArea->subWindowList(QMdiArea::CreationOrder);
    separatorAct->setVisible(!windows.isEmpty());
    for (qsizetype i = 0; i < windows.size(); ++i) {
        QMdiSubWindow *window = windows.at(i);
        // The first nine get their digit as keyboard accelerator.
        const QString number = i < 9 ? tr("&%1").arg(i + 1) : tr("%1").arg(i + 1);
        QAction *action = windowMenu->addAction(number + window->widget()->windowTitle());
        action->setCheckable(true);
        action->setChecked(window->widget() == activeView());
        connect(action, &QAction::triggered, windowMapper, qOverload<>(&QSignalMapper::map));
        windowMapper->setMapping(action, window);
    }
}

void MainWindow::setActiveSubWindow(QObject *window)
{
    auto *subWindow = qobject_cast<QMdiSubWindow *>(window);
    if (subWindow && state.documentArea)
        state.documentArea->setActiveSubWindow(subWindow);
}

void MainWindow::doBold()
{
    PixelTime *curve = centralView ? centralView->timeCurve() : nullptr;
    if (!curve)
        return;
    if (curve->isVisible()) {
        curve->hide();
        return;
    }
    // Showing again would let the platform choose a new place for the window.
    const QPoint place = curve->pos();
    curve->show();
    curve->move(place);
}

void MainWindow::fMriMovie()
{
    if (centralView && movieAct)
        centralView->playMovie(movieAct->isChecked());
}

void MainWindow::fMriModeChanges(QAction *action)
{
    if (!centralView)
        return;
    if (action == showMriAct)
        centralView->setFmriMode(FmriShowFrames);
    else if (action == showStatsAct)
        centralView->setFmriMode(FmriShowStatistics);
    else
        centralView->setFmriMode(FmriShowBoth);
    centralView->stepFrame(0);
}

void MainWindow::keyPressEvent(QKeyEvent *event)
{
    auto *view = qobject_cast<MriView *>(centralWidget());
    const int key = event->key();
    if (view && (key == Qt::Key_Left || key == Qt::Key_Right)) {
        view->stepFrame(key == Qt::Key_Left ? -1 : 1);
        event->accept();
        return;
    }
    QMainWindow::keyPressEvent(event);
}
