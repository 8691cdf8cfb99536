#include "app/mainwindow.h"
#include "menutexts.h"

#include "../cases/casefilewriter.h"
#include "../dialogs/modaldriver.h"
#include "../dialogs/timinganswer.h"
#include "dialogs/levelcont.h"
#include "dialogs/tetr.h"
#include "views/mriview.h"
#include "views/pixeltime.h"
#include "testrunner.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QWidgetAction>
#include <QtTest>

#include <functional>

namespace {

const QString glioblastoma = QStringLiteral(":/files/glioblastoma.mri");
const QString oligodendroglioma = QStringLiteral(":/files/oligodendroglioma.mri");
const QString dti = QStringLiteral(":/files/dti.mri");
const QString fmri = QStringLiteral(":/files/fmri.mri");
const QString plainImage = QStringLiteral(":/files/mrt1.mri");

int menusTitled(MainWindow &window, const QString &title)
{
    int count = 0;
    for (QAction *action : window.menuBar()->actions())
        count += action->text() == title ? 1 : 0;
    return count;
}

QAction *commandIn(MainWindow &window, const QString &menuTitle, const QString &text)
{
    QMenu *menu = menuTitled(window, menuTitle);
    if (!menu)
        return nullptr;
    for (QAction *action : menu->actions()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

QAction *simulationCommand(MainWindow &window, const QString &text)
{
    return commandIn(window, QStringLiteral("&Simulation"), text);
}

QAction *viewCommand(MainWindow &window, const QString &text)
{
    return commandIn(window, QStringLiteral("&View"), text);
}

// What the tool bar holds, by text; a tool button placed as a widget by its tool tip.
QStringList toolBarItems(MainWindow &window)
{
    // A replaced tool bar goes when control is back in the event loop.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QStringList items;
    const QList<QToolBar *> bars = window.findChildren<QToolBar *>();
    for (QToolBar *bar : bars) {
        for (QAction *action : bar->actions()) {
            if (auto *widgetAction = qobject_cast<QWidgetAction *>(action)) {
                auto *button = qobject_cast<QToolButton *>(bar->widgetForAction(widgetAction));
                items.append(button && button->defaultAction() ? QStringLiteral("button:")
                                                                     + button->defaultAction()->text()
                                                               : QStringLiteral("button:")
                                                                     + (button ? button->toolTip() : QString()));
            } else if (!bar->widgetForAction(action)) {
                continue;
            } else {
                items.append(action->text());
            }
        }
    }
    return items;
}

// Loads a case whose first recording's dialog is answered with OK and the defaults.
void loadAccepting(MainWindow &window, const QString &name)
{
    ModalDriver driver(answerTiming(QStringLiteral("40"), QStringLiteral("500")));
    window.loadFile(name);
}

void newRecording(MainWindow &window, const QString &te, const QString &tr,
                  std::function<void(TeTr &)> more = {})
{
    ModalDriver driver(answerTiming(te, tr, true, std::move(more)));
    QAction *action = simulationCommand(window, QStringLiteral("&New recording"));
    QVERIFY(action);
    action->trigger();
}

// A PD/T1/T2 case of rows x cols pixels whose every pixel is the same tissue.
bool writeUniformCase(const QString &path, int rows, int cols)
{
    return writeCaseMatrix(path, 3 * rows, cols,
                           [rows](int32 i, int32) { return i <= rows ? 1000.0 : i <= 2 * rows ? 800.0 : 80.0; },
                           QByteArray("MRI PD,T1,T2 DATA\n"));
}

QStringList windowMenuTexts(MainWindow &window)
{
    QMenu *menu = menuTitled(window, QStringLiteral("&Window"));
    if (!menu)
        return {};
    emit menu->aboutToShow();
    return visibleTexts(menu->actions());
}

const QStringList windowCommands{"Cl&ose Active", "Close &All", "|", "&Tile", "&Cascade", "|",
                                 "Ne&xt", "Pre&vious"};

} // namespace

class MainWindowViewsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void glioblastomaOpensTheFirstRecording();
    void cancellingTheFirstDialogLeavesAnEmptyArea();
    void simulationMenuFollowsTheSwitchesAndTheCase_data();
    void simulationMenuFollowsTheSwitchesAndTheCase();
    void recordingsOpenSideBySideWithTheirTitles();
    void subWindowIsSizedToTheImage();
    void dtiRecordingOpensAtDoubleSize();
    void animationGetsRoomForItsControls();
    void windowMenuWithoutSubWindows();
    void windowMenuNumbersTwelveSubWindows();
    void windowMenuEntryActivatesItsSubWindow();
    void closingTheLastSubWindowDisablesWindowCommands();
    void secondLoadTearsTheFirstDown();
    void functionalAfterMriAndBack();
    void permissionTogglesFlipTheSwitches();
    void toggleMarksAndTitlesTellTheTruth();
    void followActivePropagatesLevelAndWidth();
    void followingOffRestoresOwnReadouts();
    void followActiveWithAdcViewChangesNoReadout();
    void activatingAViewRefreshesItsReadouts();
    void commandsWithoutViewDoNothing();
    void arrowKeysWithoutFramesDoNothingHarmful();
    void functionalCaseHasItsCommands();
    void boldSignalTogglesTheTimeCurveInPlace();
    void movieCommandStartsAndStopsTheFrames();
    void levelCommandTogglesTheActiveViewsDialog();
    void levelCommandIsEnabledWhereADialogCanOpen();
    void levelDialogsShowTheWindowTheirViewPaints();
    void closingTheMainWindowClosesItsOtherWindows();
    void followingCouplesTheLevelDialogs();

private:
    QTemporaryDir settingsDir;
    QTemporaryDir dataDir;
};

void MainWindowViewsTest::initTestCase()
{
    QVERIFY(settingsDir.isValid());
    QVERIFY(dataDir.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
}

void MainWindowViewsTest::init()
{
    QSettings(QStringLiteral("Relaxon"), QStringLiteral("relaxon")).clear();
}

void MainWindowViewsTest::glioblastomaOpensTheFirstRecording()
{
    MainWindow window;
    window.show();
    ModalDriver driver(answerTiming(QStringLiteral("40"), QStringLiteral("500")));
    window.loadFile(glioblastoma);
    QCOMPARE(driver.answered, 1);

    QMdiArea *area = window.documentArea();
    QVERIFY(area);
    QCOMPARE(window.centralWidget(), area);
    QCOMPARE(area->horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    QCOMPARE(area->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    const QList<MriView *> views = window.mdiViews();
    QCOMPARE(views.size(), 1);
    QCOMPARE(views.first()->windowTitle(), QStringLiteral(" Te=40 / Tr=500"));
    QCOMPARE(window.activeView(), views.first());
    QCOMPARE(window.session().selectedPixel, QPoint(-1, -1));

    QCOMPARE(visibleTexts(window.menuBar()->actions()),
             (QStringList{"&File", "&Edit", "&View", "&Simulation", "&Window", "|", "&Help"}));
    QCOMPARE(visibleTexts(menuTitled(window, "&Edit")->actions()),
             (QStringList{"&Copy Image", "Copy &Values", "Copy &Region Values"}));
    QCOMPARE(visibleTexts(menuTitled(window, "&View")->actions()),
             (QStringList{"&Level and Width", "&Follow Active View", "&Measure Region"}));
    QCOMPARE(toolBarItems(window),
             (QStringList{"button:&Open from disk...", "&Level and Width", "&Follow Active View", "&Measure Region",
                          "&Animation", "&New recording"}));
}

void MainWindowViewsTest::cancellingTheFirstDialogLeavesAnEmptyArea()
{
    MainWindow window;
    window.show();
    ModalDriver driver(answerTiming(QStringLiteral("40"), QStringLiteral("500"), false));
    window.loadFile(glioblastoma);
    QCOMPARE(driver.answered, 1);
    QVERIFY(window.documentArea());
    QVERIFY(window.documentArea()->subWindowList().isEmpty());
    QCOMPARE(visibleTexts(menuTitled(window, "&Simulation")->actions()),
             (QStringList{"&New recording", "&Animation",
                          QString::fromUtf8("Allow 180\u00ba pre-pulse (Inverse Recovery)")}));
}

void MainWindowViewsTest::simulationMenuFollowsTheSwitchesAndTheCase_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("maps");
    QTest::addColumn<QStringList>("expected");
    const QString pre = QString::fromUtf8("Allow 180\u00ba pre-pulse (Inverse Recovery)");
    const QString dtiToggle = QStringLiteral("Allow gradient double-pulse (Diffusion Imaging)");
    QTest::newRow("plain maps off") << glioblastoma << false
                                    << QStringList{"&New recording", "&Animation", pre};
    QTest::newRow("plain maps on") << glioblastoma << true
                                   << QStringList{"&New recording", "&Animation", "&Hydrogen density",
                                                  "T&1", "T&2", pre};
    QTest::newRow("diffusion maps off") << dti << false
                                        << QStringList{"&New recording", "&Animation", pre, dtiToggle};
    QTest::newRow("diffusion maps on") << dti << true
                                       << QStringList{"&New recording", "&Animation", "&Hydrogen density",
                                                      "T&1", "T&2", pre, dtiToggle};
}

void MainWindowViewsTest::simulationMenuFollowsTheSwitchesAndTheCase()
{
    QFETCH(QString, file);
    QFETCH(bool, maps);
    QFETCH(QStringList, expected);
    MainWindow window;
    window.session().allowMaps = maps;
    window.show();
    loadAccepting(window, file);
    QCOMPARE(visibleTexts(menuTitled(window, "&Simulation")->actions()), expected);
    for (const QString &toggle : expected.mid(expected.size() - (file == dti ? 2 : 1))) {
        QAction *action = simulationCommand(window, toggle);
        QVERIFY(action->isCheckable());
        QVERIFY(!action->isChecked());
    }
}

void MainWindowViewsTest::recordingsOpenSideBySideWithTheirTitles()
{
    MainWindow window;
    window.show();
    loadAccepting(window, glioblastoma);
    newRecording(window, QStringLiteral("100"), QStringLiteral("3000"));
    newRecording(window, QStringLiteral("15"), QStringLiteral("500"));

    QStringList titles;
    for (MriView *view : window.mdiViews())
        titles.append(view->windowTitle());
    QCOMPARE(titles, (QStringList{" Te=40 / Tr=500", " Te=100 / Tr=3000", " Te=15 / Tr=500"}));
    QCOMPARE(window.activeView(), window.mdiViews().last());
    QCOMPARE(window.session().recording.te, 15);
    QCOMPARE(window.session().recording.tr, 500);

    // A cancelled dialog makes no sub-window.
    ModalDriver driver(answerTiming(QStringLiteral("20"), QStringLiteral("900"), false));
    simulationCommand(window, "&New recording")->trigger();
    QCOMPARE(driver.answered, 1);
    QCOMPARE(window.mdiViews().size(), 3);
}

void MainWindowViewsTest::subWindowIsSizedToTheImage()
{
    MainWindow window;
    window.show();
    loadAccepting(window, glioblastoma);
    MriView *view = window.mdiViews().first();
    QVERIFY(view->viewStatusBar());
    // One screen pixel per image pixel, the status bar below.
    QCOMPARE(view->size(), QSize(256, 256 + view->viewStatusBar()->height()));
    QCOMPARE(view->pictureRect().width, 256);
    QCOMPARE(view->pictureRect().height, 256);

    // A small case still gets room for its title and read-outs.
    const QString small = dataDir.filePath(QStringLiteral("small.mri"));
    QVERIFY(writeUniformCase(small, 64, 64));
    loadAccepting(window, small);
    MriView *smallView = window.mdiViews().first();
    QCOMPARE(smallView->size(), smallView->minimumSize());
}

void MainWindowViewsTest::dtiRecordingOpensAtDoubleSize()
{
    MainWindow window;
    window.session().allowDti = true;
    window.show();
    ModalDriver driver(answerTiming(QStringLiteral("40"), QStringLiteral("500"), true,
                                    [](TeTr &dialog) { dialog.dtiDti->setChecked(true); }));
    window.loadFile(dti);
    QCOMPARE(window.mdiViews().size(), 1);
    MriView *view = window.mdiViews().first();
    QCOMPARE(view->technique(), int(TechniqueDti));
    QCOMPARE(view->size(), QSize(512, 512 + view->viewStatusBar()->height()));
}

void MainWindowViewsTest::animationGetsRoomForItsControls()
{
    MainWindow window;
    window.show();
    loadAccepting(window, glioblastoma);
    simulationCommand(window, "&Animation")->trigger();
    QCOMPARE(window.mdiViews().size(), 2);
    MriView *view = window.mdiViews().last();
    QCOMPARE(view->kind(), int(ViewAnimation));
    QCOMPARE(view->windowTitle(), QStringLiteral(" animation"));
    QCOMPARE(view->size(), QSize(296, 286 + view->viewStatusBar()->height()));
}

void MainWindowViewsTest::windowMenuWithoutSubWindows()
{
    MainWindow window;
    window.show();
    ModalDriver driver(answerTiming(QStringLiteral("40"), QStringLiteral("500"), false));
    window.loadFile(glioblastoma);
    QCOMPARE(windowMenuTexts(window), windowCommands);
    // Shown twice, the menu is rebuilt, not added to.
    QCOMPARE(windowMenuTexts(window), windowCommands);
}

void MainWindowViewsTest::windowMenuNumbersTwelveSubWindows()
{
    const QString path = dataDir.filePath(QStringLiteral("small.mri"));
    QVERIFY(writeUniformCase(path, 8, 8));
    MainWindow window;
    window.session().allowMaps = true;
    window.show();
    loadAccepting(window, path);
    for (int i = 0; i < 11; ++i)
        simulationCommand(window, i % 2 ? "T&1" : "T&2")->trigger();
    QCOMPARE(window.mdiViews().size(), 12);

    QStringList expected = windowCommands;
    expected.append(QStringLiteral("|"));
    expected.append(QStringLiteral("&1 Te=40 / Tr=500"));
    for (int i = 2; i <= 12; ++i) {
        const QString title = i % 2 ? QStringLiteral(" T1") : QStringLiteral(" T2");
        expected.append((i <= 9 ? QStringLiteral("&%1") : QStringLiteral("%1")).arg(i) + title);
    }
    QCOMPARE(windowMenuTexts(window), expected);

    // Only the active sub-window's entry carries the check mark.
    const QList<QAction *> entries = menuTitled(window, "&Window")->actions().mid(9);
    QCOMPARE(entries.size(), 12);
    for (int i = 0; i < entries.size(); ++i) {
        QVERIFY(entries.at(i)->isCheckable());
        QCOMPARE(entries.at(i)->isChecked(), i == 11);
    }
}

void MainWindowViewsTest::windowMenuEntryActivatesItsSubWindow()
{
    const QString path = dataDir.filePath(QStringLiteral("small.mri"));
    QVERIFY(writeUniformCase(path, 8, 8));
    MainWindow window;
    window.session().allowMaps = true;
    window.show();
    loadAccepting(window, path);
    simulationCommand(window, "&Hydrogen density")->trigger();
    simulationCommand(window, "T&1")->trigger();
    const QList<MriView *> views = window.mdiViews();
    QCOMPARE(window.activeView(), views.at(2));

    windowMenuTexts(window);
    const QList<QAction *> entries = menuTitled(window, "&Window")->actions().mid(9);
    QCOMPARE(entries.size(), 3);
    entries.at(1)->trigger();
    QCOMPARE(window.activeView(), views.at(1));
    windowMenuTexts(window);
    const QList<QAction *> again = menuTitled(window, "&Window")->actions().mid(9);
    QVERIFY(again.at(1)->isChecked());
    QVERIFY(!again.at(2)->isChecked());
}

void MainWindowViewsTest::closingTheLastSubWindowDisablesWindowCommands()
{
    MainWindow window;
    window.show();
    loadAccepting(window, glioblastoma);
    QMenu *menu = menuTitled(window, "&Window");
    emit menu->aboutToShow();
    QAction *closeAll = menu->actions().at(1);
    QCOMPARE(closeAll->text(), QStringLiteral("Close &All"));
    QVERIFY(closeAll->isEnabled());
    QPointer<MriView> view = window.mdiViews().first();
    closeAll->trigger();
    QVERIFY(window.mdiViews().isEmpty());
    QVERIFY(!closeAll->isEnabled());
    QTRY_VERIFY(view.isNull()); // views are deleted when their window closes
}

void MainWindowViewsTest::secondLoadTearsTheFirstDown()
{
    MainWindow window;
    window.show();
    loadAccepting(window, glioblastoma);
    newRecording(window, QStringLiteral("100"), QStringLiteral("3000"));
    QPointer<QMdiArea> oldArea = window.documentArea();
    QPointer<MriView> oldView = window.mdiViews().first();

    loadAccepting(window, oligodendroglioma);
    // Gone at once, so nothing of the old case can run on against the new data.
    QVERIFY(oldArea.isNull());
    QVERIFY(oldView.isNull());
    QCOMPARE(window.mdiViews().size(), 1);
    QCOMPARE(menusTitled(window, "&Simulation"), 1);
    QCOMPARE(menusTitled(window, "&Window"), 1);
    QCOMPARE(toolBarItems(window),
             (QStringList{"button:&Open from disk...", "&Level and Width", "&Follow Active View", "&Measure Region",
                          "&Animation", "&New recording"}));
    QCOMPARE(window.findChildren<QToolBar *>().size(), 1);
    QCOMPARE(visibleTexts(menuTitled(window, "&Simulation")->actions()).size(), 3);
    QCOMPARE(windowMenuTexts(window),
             (windowCommands + QStringList{"|", "&1 Te=40 / Tr=500"}));
}

void MainWindowViewsTest::functionalAfterMriAndBack()
{
    MainWindow window;
    window.show();
    loadAccepting(window, glioblastoma);
    window.loadFile(fmri);
    QVERIFY(!window.documentArea());
    QVERIFY(window.singleView());
    QCOMPARE(window.centralWidget(), window.singleView());
    QCOMPARE(menusTitled(window, "&Simulation"), 0);
    QCOMPARE(menusTitled(window, "&Window"), 0);
    QCOMPARE(visibleTexts(menuTitled(window, "&Edit")->actions()), QStringList{"&Copy Image"});
    QCOMPARE(toolBarItems(window),
             (QStringList{"button:&Open from disk...", "&Level and Width", "&Bold Signal",
                          "Play &fMRI Movie", "button:Choose fMRI Display mode"}));

    QPointer<MriView> central = window.singleView();
    loadAccepting(window, glioblastoma);
    QVERIFY(central.isNull());
    QVERIFY(!window.singleView());
    QCOMPARE(toolBarItems(window),
             (QStringList{"button:&Open from disk...", "&Level and Width", "&Follow Active View", "&Measure Region",
                          "&Animation", "&New recording"}));
    QCOMPARE(visibleTexts(menuTitled(window, "&View")->actions()),
             (QStringList{"&Level and Width", "&Follow Active View", "&Measure Region"}));

    window.loadFile(plainImage);
    QVERIFY(window.singleView());
    QCOMPARE(toolBarItems(window), (QStringList{"button:&Open from disk...", "&Level and Width"}));
    QCOMPARE(visibleTexts(menuTitled(window, "&View")->actions()), QStringList{"&Level and Width"});
}

void MainWindowViewsTest::permissionTogglesFlipTheSwitches()
{
    MainWindow window;
    window.show();
    loadAccepting(window, dti);
    const QString preText = QString::fromUtf8("Allow 180\u00ba pre-pulse (Inverse Recovery)");
    QAction *pre = simulationCommand(window, preText);
    QAction *dtiToggle = simulationCommand(window, "Allow gradient double-pulse (Diffusion Imaging)");
    QCOMPARE(pre->whatsThis(), QString::fromUtf8("Allow 180\u00ba pre-pulse for Inverse Recovery"));

    pre->trigger();
    QVERIFY(window.session().allowPrepulse);
    QVERIFY(pre->isChecked());
    pre->trigger();
    QVERIFY(!window.session().allowPrepulse);
    QVERIFY(!pre->isChecked());
    dtiToggle->trigger();
    QVERIFY(window.session().allowDti);
    QVERIFY(dtiToggle->isChecked());
    QVERIFY(!window.session().allowPrepulse);
}

void MainWindowViewsTest::toggleMarksAndTitlesTellTheTruth()
{
    MainWindow window;
    window.session().allowDti = true; // as the command line's -g leaves it
    window.show();
    loadAccepting(window, dti);
    const QString preText = QString::fromUtf8("Allow 180\u00ba pre-pulse (Inverse Recovery)");
    QAction *dtiToggle = simulationCommand(window, "Allow gradient double-pulse (Diffusion Imaging)");
    QVERIFY(dtiToggle->isChecked());
    simulationCommand(window, preText)->trigger();
    QVERIFY(window.session().allowPrepulse);

    // The switches survive the load, and the new toggles show them.
    loadAccepting(window, dti);
    QAction *pre = simulationCommand(window, preText);
    QVERIFY(window.session().allowPrepulse);
    QVERIFY(pre->isChecked());
    pre->trigger();
    QVERIFY(!window.session().allowPrepulse);
    QVERIFY(!pre->isChecked());

    // Diffusion chosen but not allowed: the image has no weighting, and neither has
    // the view.
    dtiToggle = simulationCommand(window, "Allow gradient double-pulse (Diffusion Imaging)");
    dtiToggle->trigger();
    QVERIFY(!window.session().allowDti);
    window.session().recording.technique = TechniqueDwi;
    newRecording(window, QStringLiteral("60"), QStringLiteral("2000"));
    QCOMPARE(window.activeView()->windowTitle(), QStringLiteral(" Te=60 / Tr=2000"));
    QCOMPARE(window.activeView()->technique(), int(TechniqueNone));
}

void MainWindowViewsTest::followActivePropagatesLevelAndWidth()
{
    MainWindow window;
    window.show();
    loadAccepting(window, glioblastoma);
    newRecording(window, QStringLiteral("100"), QStringLiteral("3000"));
    const QList<MriView *> views = window.mdiViews();
    MriView *first = views.at(0);
    MriView *active = views.at(1);
    QCOMPARE(window.activeView(), active);
    first->setLevelWidth(300, 400);
    active->setLevelWidth(1234, 1500);

    QAction *followAct = viewCommand(window, "&Follow Active View");
    QVERIFY(followAct);
    followAct->setChecked(true);
    QVERIFY(window.session().followActive);
    QCOMPARE(first->levelReadout()->text(), QStringLiteral(" wl: 1234 "));
    QCOMPARE(first->widthReadout()->text(), QStringLiteral(" ww: 1500 "));
    // The view keeps its own window; it only paints with the active one.
    QCOMPARE(first->displayLevel(), 300.0);
    QCOMPARE(first->displayWidth(), 400.0);
    followAct->setChecked(false);
}

void MainWindowViewsTest::followingOffRestoresOwnReadouts()
{
    MainWindow window;
    window.show();
    loadAccepting(window, glioblastoma);
    newRecording(window, QStringLiteral("100"), QStringLiteral("3000"));
    MriView *first = window.mdiViews().at(0);
    MriView *active = window.mdiViews().at(1);
    first->setLevelWidth(300, 400);
    active->setLevelWidth(1234, 1500);
    window.session().followActive = true;
    active->setLevelWidth(1234, 1500);
    QCOMPARE(first->levelReadout()->text(), QStringLiteral(" wl: 1234 "));

    QAction *followAct = viewCommand(window, "&Follow Active View");
    followAct->setChecked(true);
    followAct->setChecked(false);
    QVERIFY(!window.session().followActive);
    QCOMPARE(first->levelReadout()->text(), QStringLiteral(" wl:  300 "));
    QCOMPARE(first->widthReadout()->text(), QStringLiteral(" ww:  400 "));
}

void MainWindowViewsTest::followActiveWithAdcViewChangesNoReadout()
{
    MainWindow window;
    window.session().allowDti = true;
    window.show();
    loadAccepting(window, dti);
    newRecording(window, QStringLiteral("60"), QStringLiteral("2000"),
                 [](TeTr &dialog) { dialog.dtiAdc->setChecked(true); });
    MriView *first = window.mdiViews().at(0);
    MriView *adc = window.mdiViews().at(1);
    QCOMPARE(adc->technique(), int(TechniqueAdc));
    QCOMPARE(window.activeView(), adc);
    first->setLevelWidth(300, 400);
    const QString level = first->levelReadout()->text();
    const QString width = first->widthReadout()->text();

    QAction *followAct = viewCommand(window, "&Follow Active View");
    followAct->setChecked(true);
    QCOMPARE(first->levelReadout()->text(), level);
    QCOMPARE(first->widthReadout()->text(), width);
    followAct->setChecked(false);
    QCOMPARE(first->levelReadout()->text(), level);
}

void MainWindowViewsTest::activatingAViewRefreshesItsReadouts()
{
    MainWindow window;
    window.show();
    loadAccepting(window, glioblastoma);
    newRecording(window, QStringLiteral("100"), QStringLiteral("3000"));
    MriView *first = window.mdiViews().at(0);
    MriView *second = window.mdiViews().at(1);
    first->setLevelWidth(300, 400);
    second->setLevelWidth(1234, 1500);
    window.session().followActive = true;

    // Activating the first view brings its own read-outs and its followers' up to date.
    window.documentArea()->setActiveSubWindow(window.documentArea()->subWindowList().at(0));
    QCOMPARE(window.activeView(), first);
    QCOMPARE(first->levelReadout()->text(), QStringLiteral(" wl:  300 "));
    QCOMPARE(second->levelReadout()->text(), QStringLiteral(" wl:  300 "));
    QCOMPARE(second->widthReadout()->text(), QStringLiteral(" ww:  400 "));
    QCOMPARE(second->displayLevel(), 1234.0);
    window.session().followActive = false;
}

void MainWindowViewsTest::commandsWithoutViewDoNothing()
{
    MainWindow window;
    window.show();
    QAction *level = viewCommand(window, "&Level and Width");
    QVERIFY(level);
    level->trigger();
    QVERIFY(window.findChildren<QDialog *>().isEmpty());

    // An empty document area has no active view either.
    ModalDriver driver(answerTiming(QStringLiteral("40"), QStringLiteral("500"), false));
    window.loadFile(glioblastoma);
    viewCommand(window, "&Level and Width")->trigger();
    QVERIFY(window.findChildren<QDialog *>().isEmpty());
}

void MainWindowViewsTest::arrowKeysWithoutFramesDoNothingHarmful()
{
    MainWindow window;
    window.show();
    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QApplication::sendEvent(&window, &right);
    QVERIFY(!right.isAccepted());

    loadAccepting(window, glioblastoma);
    QKeyEvent left(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
    QApplication::sendEvent(&window, &left);
    QVERIFY(!left.isAccepted());
    QCOMPARE(window.mdiViews().size(), 1);
}

void MainWindowViewsTest::functionalCaseHasItsCommands()
{
    MainWindow window;
    window.show();
    window.loadFile(fmri);
    MriView *view = window.singleView();
    QVERIFY(view);
    QCOMPARE(view->fmriMode(), 0);

    QMenu *viewMenu = menuTitled(window, "&View");
    QCOMPARE(visibleTexts(viewMenu->actions()),
             (QStringList{"&Level and Width", "&Bold Signal", "Play &fMRI Movie", "&Modality"}));
    QMenu *modality = nullptr;
    for (QAction *action : viewMenu->actions())
        if (action->menu())
            modality = action->menu();
    QVERIFY(modality);
    const QList<QAction *> modes = modality->actions();
    QCOMPARE(visibleTexts(modes),
             (QStringList{"&Show MRI", "&Show fMRI Statistics", "&Show Both"}));
    QVERIFY(modes.at(0)->isChecked());

    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QApplication::sendEvent(&window, &right);
    QVERIFY(right.isAccepted());
    const int frame = view->frame();
    QCOMPARE(frame, 1);

    modes.at(1)->trigger();
    QCOMPARE(view->fmriMode(), 1);
    QVERIFY(modes.at(1)->isChecked());
    modes.at(2)->trigger();
    QCOMPARE(view->fmriMode(), 2);
    modes.at(0)->trigger();
    QCOMPARE(view->fmriMode(), 0);
    QCOMPARE(view->frame(), frame);

    // The frame index wraps backwards from the first frame to the last.
    QKeyEvent left(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
    QApplication::sendEvent(&window, &left);
    QApplication::sendEvent(&window, &left);
    QCOMPARE(view->frame(), window.session().caseData.frames - 1);
}

void MainWindowViewsTest::boldSignalTogglesTheTimeCurveInPlace()
{
    MainWindow window;
    window.show();
    window.loadFile(fmri);
    PixelTime *curve = window.singleView()->timeCurve();
    QVERIFY(curve);
    QAction *bold = viewCommand(window, "&Bold Signal");
    if (!curve->isVisible())
        bold->trigger();
    QVERIFY(curve->isVisible());
    const QPoint place(37, 41);
    curve->move(place);

    bold->trigger();
    QVERIFY(!curve->isVisible());
    bold->trigger();
    QVERIFY(curve->isVisible());
    QCOMPARE(curve->pos(), place);
}

void MainWindowViewsTest::movieCommandStartsAndStopsTheFrames()
{
    MainWindow window;
    window.show();
    window.loadFile(fmri);
    MriView *view = window.singleView();
    QAction *movie = viewCommand(window, "Play &fMRI Movie");
    QVERIFY(movie->isCheckable());
    QVERIFY(!view->moviePlaying());
    movie->trigger();
    QVERIFY(movie->isChecked());
    QVERIFY(view->moviePlaying());
    QTRY_VERIFY(view->frame() != 0);
    movie->trigger();
    QVERIFY(!view->moviePlaying());
    const int stopped = view->frame();
    QTest::qWait(50);
    QCOMPARE(view->frame(), stopped);
}

void MainWindowViewsTest::levelCommandTogglesTheActiveViewsDialog()
{
    MainWindow window;
    window.show();
    loadAccepting(window, glioblastoma);
    newRecording(window, QStringLiteral("100"), QStringLiteral("3000"));
    MriView *active = window.activeView();
    QAction *level = viewCommand(window, "&Level and Width");
    level->trigger();
    LevelCont *dialog = LevelCont::of(active);
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QVERIFY(!LevelCont::of(window.mdiViews().first()));
    level->trigger();
    QVERIFY(!dialog->isVisible());

    window.loadFile(plainImage);
    level->trigger();
    QVERIFY(LevelCont::of(window.singleView()));
}

void MainWindowViewsTest::levelCommandIsEnabledWhereADialogCanOpen()
{
    MainWindow window;
    window.show();
    loadAccepting(window, glioblastoma);
    QAction *level = viewCommand(window, "&Level and Width");
    simulationCommand(window, "&Animation")->trigger();
    QCOMPARE(window.activeView()->kind(), int(ViewAnimation));
    QVERIFY(!level->isEnabled());
    window.loadFile(fmri);
    QVERIFY(level->isEnabled());

    loadAccepting(window, glioblastoma);
    simulationCommand(window, "&Animation")->trigger();
    QVERIFY(!level->isEnabled());
    window.documentArea()->closeAllSubWindows();
    QVERIFY(level->isEnabled());
}

void MainWindowViewsTest::levelDialogsShowTheWindowTheirViewPaints()
{
    MainWindow window;
    window.show();
    loadAccepting(window, glioblastoma);
    newRecording(window, QStringLiteral("15"), QStringLiteral("500"));
    const QList<MriView *> views = window.mdiViews();
    QMdiArea *area = window.documentArea();
    viewCommand(window, "&Level and Width")->trigger();
    LevelCont *secondDialog = LevelCont::of(views.at(1));
    viewCommand(window, "&Follow Active View")->setChecked(true);

    // The first view leads: the second paints with its window and says so.
    area->setActiveSubWindow(area->subWindowList(QMdiArea::CreationOrder).at(0));
    views.at(0)->setLevelWidth(1989, 1651);
    QCOMPARE(secondDialog->levelEdit->text(), QStringLiteral("1989"));
    QCOMPARE(views.at(1)->widthReadout()->text(), QStringLiteral(" ww: 1651 "));

    // The second leads and paints with its own window again.
    area->setActiveSubWindow(area->subWindowList(QMdiArea::CreationOrder).at(1));
    const QString ownLevel = QString::number(views.at(1)->displayLevel(), 'f', 0);
    QCOMPARE(secondDialog->levelEdit->text(), ownLevel);
    QCOMPARE(secondDialog->levelSlider->value(), ownLevel.toInt());
    QCOMPARE(views.at(1)->levelReadout()->text(), QStringLiteral(" wl: %1 ").arg(ownLevel, 4));

    // A window set in the leader's dialog reaches the follower's read-outs and dialog.
    views.at(0)->showLevelDialog(true);
    LevelCont *firstDialog = LevelCont::of(views.at(0));
    secondDialog->levelSlider->setValue(700);
    QCOMPARE(views.at(0)->levelReadout()->text(), QStringLiteral(" wl:  700 "));
    QCOMPARE(firstDialog->levelEdit->text(), QStringLiteral("700"));

    // Following off: the follower's dialog shows its own window.
    viewCommand(window, "&Follow Active View")->setChecked(false);
    QCOMPARE(firstDialog->levelEdit->text(), QStringLiteral("1989"));
    QCOMPARE(views.at(0)->levelReadout()->text(), QStringLiteral(" wl: 1989 "));
}

void MainWindowViewsTest::closingTheMainWindowClosesItsOtherWindows()
{
    MainWindow window;
    window.show();
    window.loadFile(fmri);
    PixelTime *curve = window.singleView()->timeCurve();
    QVERIFY(curve->isVisible());
    window.singleView()->showLevelDialog(true);
    QVERIFY(window.close());
    // Nothing is left on screen to keep the program running.
    QVERIFY(!curve->isVisible());
    for (const QWidget *other : QApplication::topLevelWidgets())
        QVERIFY(!other->isVisible());
}

void MainWindowViewsTest::followingCouplesTheLevelDialogs()
{
    MainWindow window;
    window.session().allowDti = true;
    window.show();
    loadAccepting(window, dti);
    newRecording(window, QStringLiteral("100"), QStringLiteral("3000"));
    const QList<MriView *> views = window.mdiViews();
    QAction *level = viewCommand(window, "&Level and Width");
    level->trigger();
    QMdiArea *area = window.documentArea();
    area->setActiveSubWindow(area->subWindowList(QMdiArea::CreationOrder).at(0));
    level->trigger();
    LevelCont *first = LevelCont::of(views.at(0));
    LevelCont *second = LevelCont::of(views.at(1));
    QVERIFY(first && second);
    QCOMPARE(first->currentView(), views.at(0));

    QAction *follow = viewCommand(window, "&Follow Active View");
    follow->setChecked(true);
    QCOMPARE(first->currentView(), views.at(0));
    QCOMPARE(second->currentView(), views.at(0));

    // Activating the other view hands both dialogs over to it.
    area->setActiveSubWindow(area->subWindowList(QMdiArea::CreationOrder).at(1));
    QCOMPARE(first->currentView(), views.at(1));
    QCOMPARE(second->currentView(), views.at(1));

    // An ADC view shows no signal strengths: the dialogs go back to their own views.
    newRecording(window, QStringLiteral("60"), QStringLiteral("2000"),
                 [](TeTr &dialog) { dialog.dtiAdc->setChecked(true); });
    follow->setChecked(false);
    follow->setChecked(true);
    QCOMPARE(first->currentView(), views.at(0));
    QCOMPARE(second->currentView(), views.at(1));

    follow->setChecked(false);
    area->setActiveSubWindow(area->subWindowList(QMdiArea::CreationOrder).at(0));
    QCOMPARE(second->currentView(), views.at(1));
}

RELAXON_TEST_CLASS(MainWindowViewsTest)
#include "test_mainwindowviews.moc"
