// The main window's view commands. Commands that act on views are being added; the
// ones still empty here find nothing to act on and do nothing.

#include "app/mainwindow.h"

#include "views/mriview.h"

#include <QAction>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QSignalMapper>

MriView *MainWindow::activeView() const
{
    if (!mdiArea)
        return nullptr;
    QMdiSubWindow *window = mdiArea->activeSubWindow();
    return window ? qobject_cast<MriView *>(window->widget()) : nullptr;
}

QList<MriView *> MainWindow::mdiViews() const
{
    QList<MriView *> views;
    if (!mdiArea)
        return views;
    const QList<QMdiSubWindow *> windows = mdiArea->subWindowList(QMdiArea::CreationOrder);
    for (QMdiSubWindow *window : windows) {
        if (auto *view = qobject_cast<MriView *>(window->widget()))
            views.append(view);
    }
    return views;
}

bool MainWindow::createMdiChild(int kind)
{
    Q_UNUSED(kind);
    return false;
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
    allowPrepulse = !allowPrepulse;
    if (allowPreAct)
        allowPreAct->setChecked(allowPrepulse);
}

void MainWindow::doAllowDti()
{
    allowDti = !allowDti;
    if (allowDtiAct)
        allowDtiAct->setChecked(allowDti);
}

void MainWindow::doLevel()
{
}

void MainWindow::setFollowActive(bool on)
{
    followActive = on;
}

void MainWindow::updateAll(QMdiSubWindow *window)
{
    Q_UNUSED(window);
}

void MainWindow::updateMenus()
{
    if (!closeActiveAct)
        return;
    const bool hasView = activeView() != nullptr;
    for (QAction *action : {closeActiveAct, closeAllAct, tileAct, cascadeAct, nextAct, previousAct})
        action->setEnabled(hasView);
    // An animation sets its own window as it runs, so the dialog has nothing to hold.
    QMdiSubWindow *window = mdiArea->activeSubWindow();
    if (window && window->widget()) {
        auto *view = qobject_cast<MriView *>(window->widget());
        levelAct->setEnabled(!view || view->kind() != ViewAnimation);
    }
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

    const QList<QMdiSubWindow *> windows = mdiArea->subWindowList(QMdiArea::CreationOrder);
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
    if (auto *subWindow = qobject_cast<QMdiSubWindow *>(window))
        mdiArea->setActiveSubWindow(subWindow);
}

void MainWindow::doBold()
{
}

void MainWindow::fMriMovie()
{
}

void MainWindow::fMriModeChanges(QAction *action)
{
    Q_UNUSED(action);
}

void MainWindow::keyPressEvent(QKeyEvent *event)
{
    QMainWindow::keyPressEvent(event);
}

void MainWindow::copyValues()
{
}

void MainWindow::copyImage()
{
}
