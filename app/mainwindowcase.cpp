// The main window's case handling: loading a case and tearing the old one down.

#include "app/mainwindow.h"

#include "cases/caseloader.h"
#include "views/mriview.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSignalMapper>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

namespace {

constexpr int fileLoadedMessageMs = 2000;

} // namespace

void MainWindow::loadFile(const QString &name)
{
    state.unitsLabel = QStringLiteral("Signal strength");
    state.invertScale = false;

    // Read everything before touching the case on screen: a bad file must leave
    // the previous case fully usable.
    CaseFile file;
    if (!readCaseFile(name, file)) {
        QMessageBox::warning(this, tr("Relaxon"), tr("Cannot read file %1.").arg(name));
        return;
    }

    if (state.caseLoaded)
        tearDownCase();
    setCurrentFile(name);

    CaseSetup setup = setupCase(file, state.caseData);
    state.unitsLabel = setup.unitsLabel;
    state.invertScale = setup.invertScale;

    switch (setup.kind) {
    case CaseKind::Mri:
    case CaseKind::MriWithDti:
        setupMriViews();
        break;
    case CaseKind::Functional:
        addFunctionalCommands();
        setupSingleView(setup);
        break;
    case CaseKind::Plain:
        setupSingleView(setup);
        break;
    }

    state.caseLoaded = true;
    statusBar()->showMessage(tr("File loaded"), fileLoadedMessageMs);
}

void MainWindow::tearDownCase()
{
    // The old views go at once, not later: an animation or a movie still running
    // would otherwise keep reading case data that no longer matches its image, for
    // example while the new case's first timing dialog waits for the user. The area
    // is forgotten first so that nothing it signals while dying reaches the new case.
    if (state.documentArea)
        disconnect(state.documentArea, nullptr, this, nullptr);
    state.documentArea = nullptr;
    centralView = nullptr;
    // The pixel belonged to a view of the old case and may lie outside the new one.
    state.selectedPixel = QPoint(-1, -1);
    state.region = ImageRegion{};
    delete centralWidget();

    // createMenus and createToolBars discard the old bars' contents.
    state.caseData.release();
    if (windowMapper)
        windowMapper->deleteLater();
    windowMapper = nullptr;
    createMenus();
    createToolBars();

    // The old case's commands go with it; each load makes its own.
    for (QAction **action : {&newAct, &animAct, &rhoAct, &t1Act, &t2Act, &allowPreAct, &allowDtiAct,
                             &closeActiveAct, &closeAllAct, &tileAct, &cascadeAct, &nextAct,
                             &previousAct, &separatorAct, &boldAct, &movieAct, &showMriAct,
                             &showStatsAct, &showBothAct}) {
        if (*action)
            (*action)->deleteLater();
        *action = nullptr;
    }
    if (modalityGroup)
        modalityGroup->deleteLater();
    modalityGroup = nullptr;
    if (modalityButton)
        modalityButton->deleteLater();
    modalityButton = nullptr;

    state.levelLabel->hide();
    state.widthLabel->hide();
    // The last active view may have been an animation, which disables the command.
    levelAct->setEnabled(true);
}

void MainWindow::setupMriViews()
{
    state.documentArea = new QMdiArea(this);
    connect(state.documentArea, &QMdiArea::subWindowActivated, this, &MainWindow::updateAll);
    setCentralWidget(state.documentArea);
    state.documentArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    state.documentArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(state.documentArea, &QMdiArea::subWindowActivated, this, &MainWindow::updateMenus);

    windowMapper = new QSignalMapper(this);
    connect(windowMapper, &QSignalMapper::mappedObject, this, &MainWindow::setActiveSubWindow);

    createMdiChild(0);

    createMenus();
    simulationMenu->clear();

    newAct = new QAction(QIcon(QStringLiteral(":/images/newwin.png")), tr("&New recording"), this);
    newAct->setShortcut(QKeySequence(tr("Ctrl+N")));
    newAct->setStatusTip(tr("Simulate a new recording for the current case"));
    connect(newAct, &QAction::triggered, this, &MainWindow::newView);

    animAct = new QAction(QIcon(QStringLiteral(":/images/anim.png")), tr("&Animation"), this);
    animAct->setShortcut(QKeySequence(tr("Ctrl+A")));
    animAct->setStatusTip(tr("Animate the current case"));
    connect(animAct, &QAction::triggered, this, &MainWindow::newAnimView);

    simulationMenu->addAction(newAct);
    simulationMenu->addAction(animAct);

    if (state.allowMaps) {
        rhoAct = new QAction(tr("&Hydrogen density"), this);
        rhoAct->setStatusTip(tr("Display hydrogen density"));
        connect(rhoAct, &QAction::triggered, this, &MainWindow::rhoView);
        t1Act = new QAction(tr("T&1"), this);
        t1Act->setStatusTip(tr("Display T1"));
        connect(t1Act, &QAction::triggered, this, &MainWindow::t1View);
        t2Act = new QAction(tr("T&2"), this);
        t2Act->setStatusTip(tr("Display T2"));
        connect(t2Act, &QAction::triggered, this, &MainWindow::t2View);
        simulationMenu->addAction(rhoAct);
        simulationMenu->addAction(t1Act);
        simulationMenu->addAction(t2Act);
    }

    allowPreAct = simulationMenu->addAction(QString::fromUtf8("Allow 180\u00ba pre-pulse (Inverse Recovery)"),
                                            QKeySequence(), this, &MainWindow::doAllowPre);
    allowPreAct->setWhatsThis(QString::fromUtf8("Allow 180\u00ba pre-pulse for Inverse Recovery"));
    allowPreAct->setCheckable(true);
    // The switch outlives the case and may come from the command line.
    allowPreAct->setChecked(state.allowPrepulse);
    if (state.caseData.hasDti) {
        allowDtiAct = simulationMenu->addAction(QStringLiteral("Allow gradient double-pulse (Diffusion Imaging)"),
                                                QKeySequence(), this, &MainWindow::doAllowDti);
        allowDtiAct->setWhatsThis(QStringLiteral("Allow gradient double-pulse for Diffusion Imaging"));
        allowDtiAct->setCheckable(true);
        allowDtiAct->setChecked(state.allowDti);
    }

    toolBar->addAction(followAct);
    toolBar->addAction(measureAct);
    toolBar->addAction(animAct);
    toolBar->addAction(newAct);

    closeActiveAct = new QAction(tr("Cl&ose Active"), this);
    closeActiveAct->setShortcut(QKeySequence(tr("Ctrl+F4")));
    closeActiveAct->setStatusTip(tr("Close the active window"));
    connect(closeActiveAct, &QAction::triggered, state.documentArea, &QMdiArea::closeActiveSubWindow);

    closeAllAct = new QAction(tr("Close &All"), this);
    closeAllAct->setStatusTip(tr("Close all the windows"));
    connect(closeAllAct, &QAction::triggered, state.documentArea, &QMdiArea::closeAllSubWindows);

    tileAct = new QAction(tr("&Tile"), this);
    tileAct->setStatusTip(tr("Tile the windows"));
    connect(tileAct, &QAction::triggered, state.documentArea, &QMdiArea::tileSubWindows);

    cascadeAct = new QAction(tr("&Cascade"), this);
    cascadeAct->setStatusTip(tr("Cascade the windows"));
    connect(cascadeAct, &QAction::triggered, state.documentArea, &QMdiArea::cascadeSubWindows);

    nextAct = new QAction(tr("Ne&xt"), this);
    nextAct->setShortcut(QKeySequence(tr("Ctrl+F6")));
    nextAct->setStatusTip(tr("Move the focus to the next window"));
    connect(nextAct, &QAction::triggered, state.documentArea, &QMdiArea::activateNextSubWindow);

    previousAct = new QAction(tr("Pre&vious"), this);
    previousAct->setShortcut(QKeySequence(tr("Ctrl+Shift+F6")));
    previousAct->setStatusTip(tr("Move the focus to the previous window"));
    connect(previousAct, &QAction::triggered, state.documentArea, &QMdiArea::activatePreviousSubWindow);

    separatorAct = new QAction(this);
    separatorAct->setSeparator(true);
    connect(windowMenu, &QMenu::aboutToShow, this, &MainWindow::updateWindowMenu);
    // Filled now as well, so that its commands' keys work before it is first opened.
    updateWindowMenu();

    state.selectedPixel = QPoint(-1, -1);
}

void MainWindow::addFunctionalCommands()
{
    boldAct = new QAction(QIcon(QStringLiteral(":/images/bold.png")), tr("&Bold Signal"), this);
    boldAct->setShortcut(QKeySequence(tr("Ctrl+B")));
    boldAct->setStatusTip(tr("Show/hide Bold Signal"));
    connect(boldAct, &QAction::triggered, this, &MainWindow::doBold);
    toolBar->addAction(boldAct);
    viewMenu->addAction(boldAct);

    movieAct = new QAction(QIcon(QStringLiteral(":/images/start.png")), tr("Play &fMRI Movie"), this);
    movieAct->setShortcut(QKeySequence(tr("Ctrl+S")));
    movieAct->setStatusTip(tr("Display the subsequent fMRI frames as a movie"));
    movieAct->setCheckable(true);
    connect(movieAct, &QAction::triggered, this, &MainWindow::fMriMovie);
    toolBar->addAction(movieAct);
    viewMenu->addAction(movieAct);

    modalityMenu = viewMenu->addMenu(QStringLiteral("&Modality"));

    showMriAct = new QAction(QIcon(QStringLiteral(":/images/brain16.png")), tr("&Show MRI"), this);
    showStatsAct = new QAction(QIcon(QStringLiteral(":/images/fmri-s.png")), tr("&Show fMRI Statistics"), this);
    showBothAct = new QAction(QIcon(QStringLiteral(":/images/fmri.png")), tr("&Show Both"), this);
    modalityGroup = new QActionGroup(this);
    for (QAction *action : {showMriAct, showStatsAct, showBothAct}) {
        action->setStatusTip(tr("Show the MRI data"));
        action->setCheckable(true);
        modalityGroup->addAction(action);
    }
    showMriAct->setChecked(true);
    connect(modalityGroup, &QActionGroup::triggered, this, &MainWindow::fMriModeChanges);
    modalityMenu->addActions(modalityGroup->actions());

    modalityButton = new QToolButton(this);
    modalityButton->setPopupMode(QToolButton::InstantPopup);
    modalityButton->setIcon(QIcon(QStringLiteral(":/images/fmri-wa.png")));
    modalityButton->setToolTip(QStringLiteral("Choose fMRI Display mode"));
    modalityButton->setMenu(modalityMenu);
    toolBar->addWidget(modalityButton);
}

void MainWindow::setupSingleView(CaseSetup &setup)
{
    centralView = new MriView(state, 0, setup.image, setup.imageRows, setup.imageCols);
    setup.image = nullptr; // the view owns it now
    setCentralWidget(centralView);
}
