#include "app/aboutbox.h"
#include "app/relaxon.h"
#include "app/valuetable.h"
#include "dialogs/levelcont.h"
#include "testrunner.h"
#include "views/mriview.h"
#include "views/mriviewreadouts.h"
#include "views/pixeltime.h"
#include "windowcommands.h"

#include <QClipboard>
#include <QFileOpenEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPointer>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QWidgetAction>
#include <QtTest>

#include <cmath>
#include <limits>

namespace {

QSettings store()
{
    return QSettings(QStringLiteral("Relaxon"), QStringLiteral("relaxon"));
}

// A 2 x 3 matrix file without a tail: a plain image case.
bool writePlainCase(const QString &path)
{
    return writeCaseMatrix(path, 2, 3, [](int32 i, int32 j) { return 10.0 * i + j; }, QByteArray());
}

// Three quarters of the screen, 50 pixels in from its corner.
QRect defaultGeometry()
{
    const QRect available = QGuiApplication::screenAt(QPoint(0, 0))->availableGeometry();
    return QRect(available.topLeft() + QPoint(50, 50),
                 QSize(int(std::lround(0.75 * available.width())), int(std::lround(0.75 * available.height()))));
}

const QString glioblastoma = QStringLiteral(":/files/glioblastoma.mri");
const QString dti = QStringLiteral(":/files/dti.mri");
const QString fmri = QStringLiteral(":/files/fmri.mri");
const QString plainImage = QStringLiteral(":/files/mrt1.mri");
const QString noteOnClipboard = QStringLiteral("left alone");
const QString preText = QString::fromUtf8("Allow 180\u00ba pre-pulse (Inverse Recovery)");
const QString dtiText = QStringLiteral("Allow gradient double-pulse (Diffusion Imaging)");
const QStringList mriToolBar{"button:&Open from disk...", "&Level and Width", "&Follow Active View",
                             "&Measure Region", "&Animation", "&New recording"};
const QStringList mriMenus{"&File", "&Edit", "&View", "&Simulation", "&Window", "|", "&Help"};
const QStringList windowCommands{"Cl&ose Active", "Close &All", "|", "&Tile", "&Cascade", "|", "Ne&xt", "Pre&vious"};

QStringList menuTexts(MainWindow &window, const QString &title)
{
    QMenu *menu = menuTitled(window, title);
    if (!menu)
        return {};
    emit menu->aboutToShow();
    return visibleTexts(menu->actions());
}

QList<QAction *> windowEntries(MainWindow &window)
{
    menuTexts(window, QStringLiteral("&Window"));
    return menuTitled(window, QStringLiteral("&Window"))->actions().mid(windowCommands.size() + 1);
}

void activate(MainWindow &window, int index)
{
    QMdiArea *area = window.documentArea();
    area->setActiveSubWindow(area->subWindowList(QMdiArea::CreationOrder).at(index));
}

QString clipboardText()
{
    return QGuiApplication::clipboard()->text();
}

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void noCaseBarsAlsoAfterASecondLoad();
    void loadingNamesTheFileAndAFailedLoadKeepsThePreviousCase();
    void storedGeometry_data();
    void storedGeometry();
    void exitStoresGeometryForNextStartWhereItCan();
    void fileOpenEventLoadsOnlyAnExistingFile();
    void aboutBoxShowsVersionLogoAndLinks();
    void aboutCommandShowsBoxWithoutHelpButton();
    void recordingsOpenSideBySideAndASecondLoadTearsThemDown();
    void subWindowsAreSizedToTheirPicture();
    void windowMenuListsActivatesAndClosesSubWindows();
    void permissionTogglesFlipTheSwitchesAcrossLoads();
    void followActiveCouplesReadoutsAndLevelDialogs();
    void functionalCaseCommands();
    void roundingTruncatesAfterAddingAHalf_data();
    void roundingTruncatesAfterAddingAHalf();
    void clipboardCommandsOfRecordingsAndMaps();

private:
    QTemporaryDir settingsDir;
    QTemporaryDir dataDir;
};

void MainWindowTest::initTestCase()
{
    // The titles show the application name, which would otherwise be that of the
    // area's test executable.
    QCoreApplication::setApplicationName(QStringLiteral("test_mainwindow"));
    QVERIFY(settingsDir.isValid());
    QVERIFY(dataDir.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    QSettings::setDefaultFormat(QSettings::NativeFormat);
}

void MainWindowTest::init()
{
    store().clear();
    QGuiApplication::clipboard()->setText(noteOnClipboard);
}

void MainWindowTest::noCaseBarsAlsoAfterASecondLoad()
{
    const QString path = dataDir.filePath(QStringLiteral("twice.mri"));
    QVERIFY(writePlainCase(path));
    QStringList cases = QDir(QStringLiteral(":files")).entryList(QDir::Files, QDir::Name);
    cases = cases.mid(0, MainWindow::builtInCaseSlots);
    MainWindow window;
    window.show();
    QCOMPARE(window.statusBar()->currentMessage(), QStringLiteral("Ready"));
    QVERIFY(!window.session().levelLabel->isVisible());
    QVERIFY(!window.session().widthLabel->isVisible());
    for (int load = 0; load < 3; ++load) {
        QCOMPARE(visibleTexts(window.menuBar()->actions()), (QStringList{"&File", "&Edit", "&View", "|", "&Help"}));
        QCOMPARE(visibleTexts(menuTitled(window, "&File")->actions()),
                 (cases + QStringList{"|", "&Open from disk...", QString::fromUtf8("&Import NIfTI\u2026"), "&Close",
                                      "E&xit"}));
        QCOMPARE(visibleTexts(menuTitled(window, "&Edit")->actions()), QStringList{"&Copy Image"});
        QCOMPARE(visibleTexts(menuTitled(window, "&View")->actions()), QStringList{"&Level and Width"});

        const QList<QToolBar *> bars = window.findChildren<QToolBar *>();
        QCOMPARE(bars.size(), 1);
        const QList<QAction *> items = bars.first()->actions();
        QCOMPARE(items.size(), 2);
        QCOMPARE(items.at(1)->text(), QStringLiteral("&Level and Width"));
        auto *openButton = qobject_cast<QToolButton *>(qobject_cast<QWidgetAction *>(items.at(0))->defaultWidget());
        // All ten slots exist; the ones without a case stay hidden.
        QCOMPARE(openButton->menu()->actions().size(), MainWindow::builtInCaseSlots + 2);
        QCOMPARE(visibleTexts(openButton->menu()->actions()), (cases + QStringList{"|", "&Open from disk..."}));

        window.loadFile(path);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

void MainWindowTest::loadingNamesTheFileAndAFailedLoadKeepsThePreviousCase()
{
    MainWindow window;
    QCOMPARE(window.windowTitle(), QStringLiteral("test_mainwindow"));
    const QString path = dataDir.filePath(QStringLiteral("kept.mri"));
    QVERIFY(writePlainCase(path));
    window.loadFile(path);
    QCOMPARE(window.windowTitle(), QStringLiteral("kept.mri[*] - test_mainwindow"));
    QVERIFY(window.session().caseLoaded);
    QCOMPARE(window.statusBar()->currentMessage(), QStringLiteral("File loaded"));
    QWidget *view = window.centralWidget();

    window.session().unitsLabel = QStringLiteral("mV");
    window.session().invertScale = true;
    const QString missing = dataDir.filePath(QStringLiteral("missing.mri"));
    ModalDriver driver;
    window.loadFile(missing);
    QCOMPARE(driver.messages.size(), 1);
    QCOMPARE(driver.messages.first().title, QStringLiteral("Relaxon"));
    QCOMPARE(driver.messages.first().text, QStringLiteral("Cannot read file %1.").arg(missing));
    QCOMPARE(window.centralWidget(), view);
    QCOMPARE(window.windowTitle(), QStringLiteral("kept.mri[*] - test_mainwindow"));
    // The load resets these before it reads, even when the read fails.
    QCOMPARE(window.session().unitsLabel, QStringLiteral("Signal strength"));
    QVERIFY(!window.session().invertScale);
}

void MainWindowTest::storedGeometry_data()
{
    const QSize screen = QGuiApplication::screenAt(QPoint(0, 0))->availableGeometry().size();
    QTest::addColumn<QVariant>("pos");
    QTest::addColumn<QVariant>("size");
    QTest::addColumn<QRect>("expected"); // null: the computed default

    QTest::newRow("nothing stored") << QVariant() << QVariant() << QRect();
    QTest::newRow("position without size") << QVariant(QPoint(100, 120)) << QVariant() << QRect(100, 120, 700, 700);
    QTest::newRow("position on no screen") << QVariant(QPoint(-30000, 40000)) << QVariant(QSize(300, 200)) << QRect();
    QTest::newRow("unreadable text") << QVariant(QStringLiteral("garbage")) << QVariant(QStringLiteral("also"))
                                     << QRect();
    QTest::newRow("below the minimum") << QVariant(QPoint(100, 120)) << QVariant(QSize(40, 30)) << QRect();
    QTest::newRow("negative height") << QVariant(QPoint(100, 120)) << QVariant(QSize(300, -20)) << QRect();
    QTest::newRow("wider than the screen")
        << QVariant(QPoint(100, 120)) << QVariant(QSize(screen.width() + 1, 300)) << QRect();
}

void MainWindowTest::storedGeometry()
{
    QFETCH(QVariant, pos);
    QFETCH(QVariant, size);
    QFETCH(QRect, expected);
    {
        QSettings settings = store();
        if (pos.isValid())
            settings.setValue(QStringLiteral("pos"), pos);
        if (size.isValid())
            settings.setValue(QStringLiteral("size"), size);
    }
    MainWindow window;
    const QRect wanted = expected.isNull() ? defaultGeometry() : expected;
    QCOMPARE(window.pos(), wanted.topLeft());
    QCOMPARE(window.size(), wanted.size());
}

void MainWindowTest::exitStoresGeometryForNextStartWhereItCan()
{
    QPoint closedAt;
    QSize closedSize;
    {
        MainWindow first;
        first.show();
        QVERIFY(QTest::qWaitForWindowExposed(&first));
        first.resize(420, 310);
        first.move(60, 70);
        command(first, "E&xit")->trigger();
        QVERIFY(!first.isVisible());
        closedAt = first.pos();
        closedSize = first.size();
    }
    QCOMPARE(store().value(QStringLiteral("pos")).toPoint(), closedAt);
    QCOMPARE(store().value(QStringLiteral("size")).toSize(), closedSize);
    MainWindow second;
    QCOMPARE(second.pos(), closedAt);
    QCOMPARE(second.size(), closedSize);

    // Nobody, not even the superuser, can create a folder below /proc.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("/proc/relaxon-settings"));
    second.show();
    QVERIFY(second.close());
    MainWindow third;
    QVERIFY(third.size().isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
}

void MainWindowTest::fileOpenEventLoadsOnlyAnExistingFile()
{
    const QString path = dataDir.filePath(QStringLiteral("opened.mri"));
    QVERIFY(writePlainCase(path));
    MainWindow window;
    auto *app = qobject_cast<Relaxon *>(qApp);
    app->mainWindow = &window;
    ModalDriver driver;
    QFileOpenEvent gone(dataDir.filePath(QStringLiteral("gone.mri")));
    QVERIFY(QCoreApplication::sendEvent(app, &gone));
    QVERIFY2(driver.messages.isEmpty(), "a vanished file must not reach the loader and its warning");
    QVERIFY(!window.session().caseLoaded);
    QFileOpenEvent event(path);
    QVERIFY(QCoreApplication::sendEvent(app, &event));
    app->mainWindow = nullptr;
    QCOMPARE(window.windowTitle(), QStringLiteral("opened.mri[*] - test_mainwindow"));
}

void MainWindowTest::aboutBoxShowsVersionLogoAndLinks()
{
    AboutBox box;
    const QStringList lines = box.versionLabel->text().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.at(0), QStringLiteral("2.4"));
    static const QRegularExpression stamp(QStringLiteral(
        "^(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [1-9][0-9]? [0-9]{4}; [0-2][0-9]:[0-5][0-9]:[0-6][0-9]$"));
    QVERIFY2(stamp.match(lines.at(1)).hasMatch(), qPrintable(lines.at(1)));
    QCOMPARE(box.label->pixmap().size(), QSize(128, 128));
    QVERIFY(box.affiliationLabel->openExternalLinks());
    // Installed or not, the link leads to a guide that is there.
    const QRegularExpression href(QStringLiteral("href=\"([^\"]+)\""));
    const QUrl guide(href.match(box.affiliationLabel->text()).captured(1));
    QCOMPARE(QFileInfo(guide.toLocalFile()).fileName(), QStringLiteral("user-guide.md"));
    QVERIFY(QFileInfo::exists(guide.toLocalFile()));
}

void MainWindowTest::aboutCommandShowsBoxWithoutHelpButton()
{
    MainWindow window;
    bool shownAsAsked = false;
    ModalDriver driver([&](QWidget *modal) {
        shownAsAsked = qobject_cast<AboutBox *>(modal) && modal->parentWidget() == &window
                       && !modal->windowFlags().testFlag(Qt::WindowContextHelpButtonHint);
        static_cast<QDialog *>(modal)->accept();
    });
    command(window, "&About...")->trigger();
    QVERIFY(shownAsAsked);
    // The box lived only while it was shown.
    QVERIFY(window.findChildren<AboutBox *>().isEmpty());
}

void MainWindowTest::recordingsOpenSideBySideAndASecondLoadTearsThemDown()
{
    MainWindow window;
    window.show();
    // Without a view, or with an empty document area, the commands have nothing to act on.
    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QApplication::sendEvent(&window, &right);
    QVERIFY(!right.isAccepted());
    command(window, "&Copy Image")->trigger();
    command(window, "&Level and Width")->trigger();
    loadAccepting(window, glioblastoma, "40", "500", false);
    QVERIFY(window.documentArea()->subWindowList().isEmpty());
    QCOMPARE(menuTexts(window, "&Simulation"), (QStringList{"&New recording", "&Animation", preText}));
    // Shown twice, the menu is rebuilt, not added to.
    QCOMPARE(menuTexts(window, "&Window"), windowCommands);
    QCOMPARE(menuTexts(window, "&Window"), windowCommands);
    command(window, "&Level and Width")->trigger();
    QVERIFY(window.findChildren<QDialog *>().isEmpty());
    window.session().selectedPixel = QPoint(0, 0);
    command(window, "Copy &Values")->trigger();
    command(window, "&Copy Image")->trigger();
    QCOMPARE(clipboardText(), noteOnClipboard);

    newRecording(window, QStringLiteral("40"), QStringLiteral("500"));
    QCOMPARE(window.centralWidget(), window.documentArea());
    QCOMPARE(visibleTexts(window.menuBar()->actions()), mriMenus);
    QCOMPARE(menuTexts(window, "&Edit"), (QStringList{"&Copy Image", "Copy &Values", "Copy &Region Values"}));
    QCOMPARE(menuTexts(window, "&View"), (QStringList{"&Level and Width", "&Follow Active View", "&Measure Region"}));
    QCOMPARE(toolBarItems(window), mriToolBar);

    newRecording(window, QStringLiteral("100"), QStringLiteral("3000"));
    newRecording(window, QStringLiteral("15"), QStringLiteral("500"));
    newRecording(window, QStringLiteral("20"), QStringLiteral("900"), {}, false); // cancelled: no sub-window
    QStringList titles;
    for (MriView *view : window.mdiViews())
        titles.append(view->windowTitle());
    QCOMPARE(titles, (QStringList{" Te=40 / Tr=500", " Te=100 / Tr=3000", " Te=15 / Tr=500"}));
    QCOMPARE(window.activeView(), window.mdiViews().last());
    QCOMPARE(window.session().recording.te, 15);

    QPointer<QMdiArea> oldArea = window.documentArea();
    QPointer<MriView> oldView = window.mdiViews().first();
    loadAccepting(window, QStringLiteral(":/files/oligodendroglioma.mri"));
    // Gone at once, so nothing of the old case can run on against the new data.
    QVERIFY(oldArea.isNull());
    QVERIFY(oldView.isNull());
    QCOMPARE(window.session().selectedPixel, QPoint(-1, -1));
    QCOMPARE(visibleTexts(window.menuBar()->actions()), mriMenus);
    QCOMPARE(toolBarItems(window), mriToolBar);
    QCOMPARE(menuTexts(window, "&Window"), (windowCommands + QStringList{"|", "&1 Te=40 / Tr=500"}));
}

void MainWindowTest::subWindowsAreSizedToTheirPicture()
{
    MainWindow window;
    window.session().allowDti = true;
    window.show();
    // One screen pixel per image pixel, the status bar below; diffusion tensors at double size.
    {
        ModalDriver driver(answerTiming("40", "500", true, [](TeTr &dialog) { dialog.dtiDti->setChecked(true); }));
        window.loadFile(dti);
    }
    MriView *view = window.mdiViews().first();
    QCOMPARE(view->technique(), int(TechniqueDti));
    QCOMPARE(view->size(), QSize(512, 512 + view->viewStatusBar()->height()));

    loadAccepting(window, glioblastoma);
    view = window.mdiViews().first();
    QCOMPARE(view->size(), QSize(256, 256 + view->viewStatusBar()->height()));
    QCOMPARE(view->pictureRect().width, 256);
    // An animation gets room for its controls, and no level dialog.
    QAction *level = command(window, "&Level and Width");
    command(window, "&Animation")->trigger();
    view = window.mdiViews().last();
    QCOMPARE(view->windowTitle(), QStringLiteral(" animation"));
    QCOMPARE(view->size(), QSize(296, 286 + view->viewStatusBar()->height()));
    QVERIFY(!level->isEnabled());
    window.documentArea()->closeAllSubWindows();
    QVERIFY(level->isEnabled());
    command(window, "&Animation")->trigger();
    window.loadFile(plainImage);
    QVERIFY(level->isEnabled());
    level->trigger();
    QVERIFY(LevelCont::of(window.singleView()));
    QCOMPARE(toolBarItems(window), (QStringList{"button:&Open from disk...", "&Level and Width"}));

    // A small case still gets room for its title and a four-digit read-out left of the
    // level and width fields (a status bar draws its message from x = 6 to 2 pixels
    // before its first field).
    const QString small = dataDir.filePath(QStringLiteral("small.mri"));
    QVERIFY(writeUniformCase(small, 64, 64));
    loadAccepting(window, small);
    view = window.mdiViews().first();
    QCOMPARE(view->size(), view->minimumSize());
    const QStatusBar *bar = view->viewStatusBar();
    int fieldsLeft = bar->width();
    for (const QLabel *field : bar->findChildren<QLabel *>(Qt::FindDirectChildrenOnly))
        fieldsLeft = field->isVisible() ? std::min(fieldsLeft, field->x()) : fieldsLeft;
    const QString readout = pixelValueReadout(QStringLiteral("Signal strength"), 8888);
    QCOMPARE_LE(6 + bar->fontMetrics().horizontalAdvance(readout), fieldsLeft - 2);
}

void MainWindowTest::windowMenuListsActivatesAndClosesSubWindows()
{
    const QString path = dataDir.filePath(QStringLiteral("small.mri"));
    QVERIFY(writeUniformCase(path, 8, 8));
    MainWindow window;
    window.session().allowMaps = true;
    window.show();
    loadAccepting(window, path);
    QCOMPARE(menuTexts(window, "&Simulation"),
             (QStringList{"&New recording", "&Animation", "&Hydrogen density", "T&1", "T&2", preText}));
    for (int i = 0; i < 11; ++i)
        command(window, i % 2 ? "T&1" : "T&2")->trigger();
    // The window commands' keys work before the menu is first opened.
    QApplication::setActiveWindow(&window);
    QTest::keyClick(&window, Qt::Key_F6, Qt::ControlModifier);
    QCOMPARE(window.activeView(), window.mdiViews().first());
    window.documentArea()->activatePreviousSubWindow();
    QStringList expected = windowCommands + QStringList{"|", "&1 Te=40 / Tr=500"};
    for (int i = 2; i <= 12; ++i)
        expected.append((i <= 9 ? QStringLiteral("&%1") : QStringLiteral("%1")).arg(i) + (i % 2 ? " T1" : " T2"));
    QCOMPARE(menuTexts(window, "&Window"), expected);

    // Only the active sub-window's entry carries the check mark.
    QList<QAction *> entries = windowEntries(window);
    for (int i = 0; i < entries.size(); ++i)
        QCOMPARE(entries.at(i)->isChecked(), i == 11);
    entries.at(1)->trigger();
    QCOMPARE(window.activeView(), window.mdiViews().at(1));
    entries = windowEntries(window);
    QVERIFY(entries.at(1)->isChecked());
    QVERIFY(!entries.at(11)->isChecked());

    QAction *closeAll = menuTitled(window, "&Window")->actions().at(1);
    QVERIFY(closeAll->isEnabled());
    QPointer<MriView> view = window.mdiViews().first();
    closeAll->trigger();
    QVERIFY(window.mdiViews().isEmpty());
    QVERIFY(!closeAll->isEnabled());
    QTRY_VERIFY(view.isNull()); // views are deleted when their window closes
}


void MainWindowTest::permissionTogglesFlipTheSwitchesAcrossLoads()
{
    MainWindow window;
    window.session().allowDti = true; // as the command line's -g leaves it
    window.show();
    loadAccepting(window, dti);
    QCOMPARE(menuTexts(window, "&Simulation"), (QStringList{"&New recording", "&Animation", preText, dtiText}));
    QVERIFY(command(window, dtiText)->isChecked());
    QVERIFY(!command(window, preText)->isChecked());
    command(window, preText)->trigger();
    QVERIFY(window.session().allowPrepulse);

    // The switches survive the load, and the new toggles show them.
    loadAccepting(window, dti);
    QAction *pre = command(window, preText);
    QVERIFY(pre->isChecked());
    pre->trigger();
    QVERIFY(!window.session().allowPrepulse);
    QVERIFY(!pre->isChecked());
    QVERIFY(window.session().allowDti);

    // Diffusion chosen but not allowed: the image has no weighting, and neither has the view.
    command(window, dtiText)->trigger();
    QVERIFY(!window.session().allowDti);
    QVERIFY(!command(window, dtiText)->isChecked());
    window.session().recording.technique = TechniqueDwi;
    newRecording(window, QStringLiteral("60"), QStringLiteral("2000"));
    QCOMPARE(window.activeView()->windowTitle(), QStringLiteral(" Te=60 / Tr=2000"));
    QCOMPARE(window.activeView()->technique(), int(TechniqueNone));
}

void MainWindowTest::followActiveCouplesReadoutsAndLevelDialogs()
{
    MainWindow window;
    window.session().allowDti = true;
    window.show();
    loadAccepting(window, dti);
    newRecording(window, QStringLiteral("100"), QStringLiteral("3000"));
    MriView *first = window.mdiViews().at(0);
    MriView *second = window.mdiViews().at(1);
    QAction *level = command(window, "&Level and Width");
    level->trigger();
    LevelCont *secondDialog = LevelCont::of(second);
    QVERIFY(secondDialog && secondDialog->isVisible());
    QVERIFY(!LevelCont::of(first));
    level->trigger();
    QVERIFY(!secondDialog->isVisible());
    level->trigger();
    first->setLevelWidth(300, 400);
    second->setLevelWidth(1234, 1400);

    QAction *follow = command(window, "&Follow Active View");
    follow->setChecked(true);
    QVERIFY(window.session().followActive);
    QCOMPARE(first->levelReadout()->text(), QStringLiteral(" wl: 1234 "));
    QCOMPARE(first->widthReadout()->text(), QStringLiteral(" ww: 1400 "));
    // The view keeps its own window; it only paints with the active one.
    QCOMPARE(first->displayLevel(), 300.0);

    // The first view leads: the second paints with its window and says so, in its dialog too.
    activate(window, 0);
    QCOMPARE(second->levelReadout()->text(), QStringLiteral(" wl:  300 "));
    QCOMPARE(second->displayLevel(), 1234.0);
    first->setLevelWidth(1189, 1351);
    QCOMPARE(secondDialog->levelEdit->text(), QStringLiteral("1189"));
    QCOMPARE(second->widthReadout()->text(), QStringLiteral(" ww: 1351 "));

    // A window set in the leader's dialog reaches the follower's read-outs and dialog.
    activate(window, 1);
    QCOMPARE(secondDialog->levelEdit->text(), QStringLiteral("1234"));
    first->showLevelDialog(true);
    LevelCont *firstDialog = LevelCont::of(first);
    secondDialog->levelSlider->setValue(700);
    QCOMPARE(first->levelReadout()->text(), QStringLiteral(" wl:  700 "));
    QCOMPARE(firstDialog->levelEdit->text(), QStringLiteral("700"));
    QCOMPARE(firstDialog->currentView(), second);

    // Following off: each view shows its own window again.
    follow->setChecked(false);
    QCOMPARE(firstDialog->levelEdit->text(), QStringLiteral("1189"));
    QCOMPARE(first->levelReadout()->text(), QStringLiteral(" wl: 1189 "));
    QCOMPARE(first->widthReadout()->text(), QStringLiteral(" ww: 1351 "));
    QCOMPARE(firstDialog->currentView(), first);

    // An ADC view shows no signal strengths: leading, it leaves the others to their own windows.
    newRecording(window, QStringLiteral("60"), QStringLiteral("2000"),
                 [](TeTr &dialog) { dialog.dtiAdc->setChecked(true); });
    QCOMPARE(window.activeView()->technique(), int(TechniqueAdc));
    follow->setChecked(true);
    QCOMPARE(first->levelReadout()->text(), QStringLiteral(" wl: 1189 "));
    QCOMPARE(firstDialog->currentView(), first);
    QCOMPARE(secondDialog->currentView(), second);
}

void MainWindowTest::functionalCaseCommands()
{
    MainWindow window;
    window.show();
    loadAccepting(window, glioblastoma);
    window.loadFile(fmri);
    MriView *view = window.singleView();
    QVERIFY(!window.documentArea());
    QCOMPARE(window.centralWidget(), view);
    QVERIFY(!menuTitled(window, "&Simulation") && !menuTitled(window, "&Window"));
    QCOMPARE(menuTexts(window, "&Edit"), QStringList{"&Copy Image"});
    QCOMPARE(toolBarItems(window), (QStringList{"button:&Open from disk...", "&Level and Width", "&Bold Signal",
                                                "Play &fMRI Movie", "button:Choose fMRI Display mode"}));
    QCOMPARE(menuTexts(window, "&View"),
             (QStringList{"&Level and Width", "&Bold Signal", "Play &fMRI Movie", "&Modality"}));
    const QList<QAction *> modes = menuTitled(window, "&View")->actions().last()->menu()->actions();
    QCOMPARE(visibleTexts(modes), (QStringList{"&Show MRI", "&Show fMRI Statistics", "&Show Both"}));
    QVERIFY(modes.at(0)->isChecked());
    QCOMPARE(view->fmriMode(), 0);

    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QApplication::sendEvent(&window, &right);
    QVERIFY(right.isAccepted());
    QCOMPARE(view->frame(), 1);
    for (int mode : {1, 2, 0}) {
        modes.at(mode)->trigger();
        QCOMPARE(view->fmriMode(), mode);
    }
    QCOMPARE(view->frame(), 1);
    // The frame index wraps backwards from the first frame to the last.
    QKeyEvent left(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
    QApplication::sendEvent(&window, &left);
    QApplication::sendEvent(&window, &left);
    QCOMPARE(view->frame(), window.session().caseData.frames - 1);

    QAction *movie = command(window, "Play &fMRI Movie");
    movie->trigger();
    QVERIFY(view->moviePlaying());
    QTRY_VERIFY(view->frame() != window.session().caseData.frames - 1);
    movie->trigger();
    QVERIFY(!view->moviePlaying());

    // The time curve is a window of its own: it keeps its place and closes with the main window.
    PixelTime *curve = view->timeCurve();
    QAction *bold = command(window, "&Bold Signal");
    if (!curve->isVisible())
        bold->trigger();
    curve->move(37, 41);
    bold->trigger();
    QVERIFY(!curve->isVisible());
    bold->trigger();
    QCOMPARE(curve->pos(), QPoint(37, 41));
    view->showLevelDialog(true);
    QVERIFY(window.close());
    for (const QWidget *other : QApplication::topLevelWidgets())
        QVERIFY(!other->isVisible());
}

void MainWindowTest::roundingTruncatesAfterAddingAHalf_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("expected");
    QTest::newRow("minus one and a half") << -1.5 << -1;
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << 0;
    QTest::newRow("too large") << 1e300 << std::numeric_limits<int>::max();
    QTest::newRow("too small") << -std::numeric_limits<double>::infinity() << std::numeric_limits<int>::min();
}

void MainWindowTest::roundingTruncatesAfterAddingAHalf()
{
    QFETCH(double, value);
    QFETCH(int, expected);
    QCOMPARE(truncateAfterHalf(value), expected);
}




void MainWindowTest::clipboardCommandsOfRecordingsAndMaps()
{
    const QString path = dataDir.filePath(QStringLiteral("values.mri"));
    QVERIFY(writeUniformCase(path, 4, 4));
    MainWindow window;
    window.session().allowMaps = true;
    window.show();
    loadAccepting(window, path, "30", "2000");
    {
        ModalDriver driver;
        command(window, "Copy &Values")->trigger();
        QCOMPARE(driver.messages.size(), 1);
        QCOMPARE(driver.messages.first().title, QStringLiteral("Copying values"));
        QCOMPARE(driver.messages.first().text,
                 QStringLiteral("To copy (Te,Tr,strength) values\nat location of interest in all windows:\n"
                                "Press Shift-Ctrl-C while pointing at location.\n\n"
                                "Subsequently, the values can be pasted\n in a spreadsheet program such as Excel."));
        QCOMPARE(driver.messages.first().icon, QMessageBox::Information);
        QCOMPARE(clipboardText(), noteOnClipboard);
    }
    MriView *recording = window.activeView();
    recording->viewStatusBar()->showMessage(QStringLiteral("marker text"));
    command(window, "&Copy Image")->trigger();
    const QImage copied = QGuiApplication::clipboard()->image();
    // The same as the view shows, status bar included.
    QCOMPARE(copied.size(), recording->size());
    QCOMPARE(copied, recording->grab().toImage().convertToFormat(copied.format()));


    // The maps report the times they hold: -1 where a time does not apply, which the
    // half added before truncation turns into 0. No row is lost beyond a thousand windows.
    newRecording(window, QStringLiteral("20"), QStringLiteral("2000"));
    command(window, "T&1")->trigger();
    command(window, "&Hydrogen density")->trigger();
    for (int i = 0; i < 999; ++i)
        command(window, "T&2")->trigger();
    QCOMPARE(window.mdiViews().size(), 1003);
    // Pixel (2, 1), 0-based, is matrix element [3][2].
    recording->imageData()[3][2] = 603.5;
    window.mdiViews().at(1)->imageData()[3][2] = 455.49;
    window.session().selectedPixel = QPoint(2, 1);
    command(window, "Copy &Values")->trigger();
    const QStringList rows = clipboardText().split(QLatin1Char('\n'));
    QCOMPARE(rows.mid(0, 3), (QStringList{"Te\tTr\tStrength", "0\t0\t900", "0\t2000\t90"}));
    QCOMPARE(rows.mid(1001), (QStringList{"20\t0\t700", "20\t2000\t455", "30\t2000\t604", ""}));

    // A drag over the picture draws the region; each recording measures it in its own image.
    window.session().acquisition.noise = true;
    window.session().acquisition.averages = 4;
    newRecording(window, QStringLiteral("30"), QStringLiteral("2000"));
    MriView *view = window.activeView();
    command(window, "&Measure Region")->trigger();
    const auto send = [view](QEvent::Type type, int x, int y, Qt::MouseButtons buttons) {
        const ScreenPoint at = pixelToScreen(view->pictureRect(), view->rows(), view->cols(), x, y);
        QMouseEvent event(type, QPointF(at.x + 0.5, at.y + 0.5), QPointF(), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(view, &event);
    };
    send(QEvent::MouseButtonPress, 0, 0, Qt::LeftButton);
    send(QEvent::MouseMove, 1, 1, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, 1, 1, Qt::NoButton);
    QCOMPARE(window.session().region.width, 2);

    command(window, "Copy &Region Values")->trigger();
    const QStringList lines = clipboardText().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 5);
    const QStringList noiseless = lines.at(2).split(QLatin1Char('\t'));
    const QStringList noisy = lines.at(3).split(QLatin1Char('\t'));
    // Te, Tr, no Tp, NEX, BW, d, ETL, then 2000 ms x 4 lines x NEX.
    QCOMPARE(noiseless.mid(0, 8), QStringList({"20", "2000", "", "1", "130", "5", "1", "8"}));
    QCOMPARE(noisy.mid(0, 8), QStringList({"30", "2000", "", "4", "130", "5", "1", "32"}));
    // A uniform tissue: no spread without noise; with it the SD is about
    // sigma = 1 % of the full scale over two.
    QCOMPARE(noiseless.at(9), QStringLiteral("0"));
    const double sigma = window.session().caseData.fullScale / 200;
    QVERIFY(std::abs(noisy.at(9).toDouble() - sigma) < 0.6 * sigma);
}

RELAXON_TEST_CLASS(MainWindowTest)
#include "test_mainwindow.moc"
