#include "app/mainwindow.h"
#include "menutexts.h"
#include "app/relaxon.h"
#include "modalcloser.h"
#include "numerics/matrixfile.h"
#include "numerics/matrixmemory.h"
#include "testrunner.h"

#include <QFileOpenEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QWidgetAction>
#include <QtTest>

#include <cmath>

namespace {

QAction *actionTexted(MainWindow &window, const QString &text)
{
    for (QAction *action : window.findChildren<QAction *>()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

QSettings store()
{
    return QSettings(QStringLiteral("Relaxon"), QStringLiteral("relaxon"));
}

// The built-in cases the File menu should list: what the resources hold, by name.
QStringList builtInCaseNames()
{
    QStringList names = QDir(QStringLiteral(":files")).entryList(QDir::Files, QDir::Name);
    return names.mid(0, MainWindow::builtInCaseSlots);
}

// A 2 x 3 matrix file without a tail: a plain image case.
bool writePlainCase(const QString &path)
{
    double **m = dmatrix(1, 2, 1, 3);
    for (int i = 1; i <= 2; ++i)
        for (int j = 1; j <= 3; ++j)
            m[i][j] = 10 * i + j;
    const int ok = putmatrix(QFile::encodeName(path).constData(), m, 2, 3, 0, nullptr, nullptr, nullptr);
    free_dmatrix(m, 1, 2, 1);
    return ok == 1;
}

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void menusOfTheNoCasePhase();
    void toolBarOfTheNoCasePhase();
    void openButtonMenuListsCasesAndOpen();
    void actionTable_data();
    void actionTable();
    void statusBarStartsReadyWithHiddenReadouts();
    void titleIsApplicationNameWithoutCase();
    void titleNamesLoadedFile();
    void unreadableFileIsReportedAndChangesNothing();
    void failedLoadKeepsThePreviousCase();
    void secondLoadRestoresTheNoCaseBars();
    void emptyStoreGivesComputedDefault();
    void positionWithoutSizeTakesDefaultSize();
    void unusableStoredGeometryFallsBackToDefault_data();
    void unusableStoredGeometryFallsBackToDefault();
    void closingStoresGeometryForNextStart();
    void unwritableSettingsStoreIsSurvived();
    void exitClosesTheWindow();
    void fileOpenEventLoadsExistingFile();
    void fileOpenEventForMissingFileIsDropped();

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
}

void MainWindowTest::menusOfTheNoCasePhase()
{
    MainWindow window;
    QCOMPARE(visibleTexts(window.menuBar()->actions()),
             (QStringList{"&File", "&Edit", "&View", "|", "&Help"}));
    QCOMPARE(visibleTexts(menuTitled(window, "&File")->actions()),
             (builtInCaseNames() + QStringList{"|", "&Open from disk...", QString::fromUtf8("&Import NIfTI\u2026"), "&Close", "E&xit"}));
    QCOMPARE(visibleTexts(menuTitled(window, "&Edit")->actions()), QStringList{"&Copy Image"});
    QCOMPARE(visibleTexts(menuTitled(window, "&View")->actions()), QStringList{"&Level and Width"});
    QCOMPARE(visibleTexts(menuTitled(window, "&Help")->actions()), QStringList{"&About..."});
}

void MainWindowTest::toolBarOfTheNoCasePhase()
{
    MainWindow window;
    const QList<QToolBar *> bars = window.findChildren<QToolBar *>();
    QCOMPARE(bars.size(), 1);
    QToolBar *bar = bars.first();
    QCOMPARE(bar->windowTitle(), QStringLiteral("Relaxon"));
    QCOMPARE(bar->iconSize(), QSize(16, 16));
    QVERIFY(!bar->isMovable());

    const QList<QAction *> items = bar->actions();
    QCOMPARE(items.size(), 2);
    auto *openItem = qobject_cast<QWidgetAction *>(items.at(0));
    QVERIFY(openItem);
    auto *openButton = qobject_cast<QToolButton *>(openItem->defaultWidget());
    QVERIFY(openButton);
    QCOMPARE(openButton->defaultAction()->text(), QStringLiteral("&Open from disk..."));
    QCOMPARE(openButton->popupMode(), QToolButton::InstantPopup);
    QCOMPARE(items.at(1)->text(), QStringLiteral("&Level and Width"));
}

void MainWindowTest::openButtonMenuListsCasesAndOpen()
{
    MainWindow window;
    auto *openItem = qobject_cast<QWidgetAction *>(window.findChild<QToolBar *>()->actions().at(0));
    auto *openButton = qobject_cast<QToolButton *>(openItem->defaultWidget());
    QMenu *menu = openButton->menu();
    QVERIFY(menu);
    QCOMPARE(visibleTexts(menu->actions()), (builtInCaseNames() + QStringList{"|", "&Open from disk..."}));
    // All ten slots exist; the ones without a case stay hidden.
    QCOMPARE(menu->actions().size(), MainWindow::builtInCaseSlots + 2);
}

void MainWindowTest::actionTable_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shortcut");
    QTest::addColumn<QString>("statusTip");
    QTest::addColumn<bool>("hasIcon");
    QTest::addColumn<bool>("checkable");

    QTest::newRow("open") << "&Open from disk..." << "Ctrl+O" << "Open an existing file" << true << false;
    QTest::newRow("close") << "&Close" << "Ctrl+W" << "Close current MRI data set" << false << false;
    QTest::newRow("exit") << "E&xit" << "Ctrl+Q" << "Exit Relaxon" << false << false;
    QTest::newRow("level") << "&Level and Width" << "Ctrl+L" << "Set window level and width" << true << false;
    QTest::newRow("follow") << "&Follow Active View" << "Ctrl+F"
                            << "All views take level and width from active view" << true << true;
    QTest::newRow("copy image") << "&Copy Image" << "Ctrl+C" << "Copy the current image to the clipboard"
                                << true << false;
    QTest::newRow("copy values") << "Copy &Values" << "Shift+Ctrl+C"
                                 << "Copy the signal strenght values to the clipboard" << true << false;
    QTest::newRow("about") << "&About..." << "" << "Show the About box" << true << false;
}

void MainWindowTest::actionTable()
{
    QFETCH(QString, text);
    QFETCH(QString, shortcut);
    QFETCH(QString, statusTip);
    QFETCH(bool, hasIcon);
    QFETCH(bool, checkable);

    MainWindow window;
    QAction *action = actionTexted(window, text);
    QVERIFY(action);
    QCOMPARE(action->shortcut(), QKeySequence(shortcut));
    QCOMPARE(action->statusTip(), statusTip);
    QCOMPARE(!action->icon().isNull(), hasIcon);
    if (hasIcon)
        QVERIFY2(!action->icon().pixmap(16, 16).isNull(), "icon resource missing");
    QCOMPARE(action->isCheckable(), checkable);
    QVERIFY(action->isEnabled());
}

void MainWindowTest::statusBarStartsReadyWithHiddenReadouts()
{
    MainWindow window;
    window.show();
    QCOMPARE(window.statusBar()->currentMessage(), QStringLiteral("Ready"));
    QVERIFY(window.session().levelLabel && window.session().widthLabel);
    QCOMPARE(window.session().levelLabel->parentWidget(), window.statusBar());
    QCOMPARE(window.session().widthLabel->parentWidget(), window.statusBar());
    QVERIFY(!window.session().levelLabel->isVisible());
    QVERIFY(!window.session().widthLabel->isVisible());
}

void MainWindowTest::titleIsApplicationNameWithoutCase()
{
    MainWindow window;
    QCOMPARE(window.windowTitle(), QCoreApplication::applicationName());
    QCOMPARE(window.windowTitle(), QStringLiteral("test_mainwindow"));
}

void MainWindowTest::titleNamesLoadedFile()
{
    const QString path = dataDir.filePath(QStringLiteral("plain.mri"));
    QVERIFY(writePlainCase(path));
    MainWindow window;
    window.loadFile(path);
    QCOMPARE(window.windowTitle(), QStringLiteral("plain.mri[*] - test_mainwindow"));
    QVERIFY(!window.isWindowModified());
    QVERIFY(window.session().caseLoaded);
    QCOMPARE(window.statusBar()->currentMessage(), QStringLiteral("File loaded"));
}

void MainWindowTest::unreadableFileIsReportedAndChangesNothing()
{
    MainWindow window;
    window.session().unitsLabel = QStringLiteral("mV");
    window.session().invertScale = true;
    const QString missing = dataDir.filePath(QStringLiteral("missing.mri"));
    QString title;
    QString text;
    ModalCloser closer([&](QDialog *dialog) {
        title = dialog->windowTitle();
        if (auto *box = qobject_cast<QMessageBox *>(dialog))
            text = box->text();
    });
    window.loadFile(missing);
    QVERIFY(closer.seen);
    QCOMPARE(title, QStringLiteral("Relaxon"));
    QCOMPARE(text, QStringLiteral("Cannot read file %1.").arg(missing));
    QCOMPARE(window.windowTitle(), QStringLiteral("test_mainwindow"));
    QVERIFY(!window.session().caseLoaded);
    // The load resets these before it reads, even when the read fails.
    QCOMPARE(window.session().unitsLabel, QStringLiteral("Signal strength"));
    QVERIFY(!window.session().invertScale);
}

void MainWindowTest::failedLoadKeepsThePreviousCase()
{
    const QString path = dataDir.filePath(QStringLiteral("kept.mri"));
    QVERIFY(writePlainCase(path));
    MainWindow window;
    window.loadFile(path);
    QWidget *view = window.centralWidget();
    QVERIFY(view);
    ModalCloser closer([](QDialog *) {});
    window.loadFile(dataDir.filePath(QStringLiteral("absent.mri")));
    QVERIFY(closer.seen);
    QCOMPARE(window.centralWidget(), view);
    QCOMPARE(window.windowTitle(), QStringLiteral("kept.mri[*] - test_mainwindow"));
}

void MainWindowTest::secondLoadRestoresTheNoCaseBars()
{
    const QString path = dataDir.filePath(QStringLiteral("twice.mri"));
    QVERIFY(writePlainCase(path));
    MainWindow window;
    window.loadFile(path);
    window.loadFile(path);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    QCOMPARE(visibleTexts(window.menuBar()->actions()),
             (QStringList{"&File", "&Edit", "&View", "|", "&Help"}));
    const QList<QToolBar *> bars = window.findChildren<QToolBar *>();
    QCOMPARE(bars.size(), 1);
    QCOMPARE(bars.first()->actions().size(), 2);
    QCOMPARE(window.findChildren<QMenu *>(QString(), Qt::FindDirectChildrenOnly).size(), 0);
    QCOMPARE(window.menuBar()->findChildren<QMenu *>(QString(), Qt::FindDirectChildrenOnly).size(), 4);
}

void MainWindowTest::emptyStoreGivesComputedDefault()
{
    const QRect available = QGuiApplication::screenAt(QPoint(0, 0))->availableGeometry();
    MainWindow window;
    QCOMPARE(window.pos(), available.topLeft() + QPoint(50, 50));
    QCOMPARE(window.size(), QSize(int(std::lround(0.75 * available.width())),
                                  int(std::lround(0.75 * available.height()))));
}

void MainWindowTest::positionWithoutSizeTakesDefaultSize()
{
    store().setValue(QStringLiteral("pos"), QPoint(100, 120));
    MainWindow window;
    QCOMPARE(window.pos(), QPoint(100, 120));
    QCOMPARE(window.size(), QSize(700, 700));
}

void MainWindowTest::unusableStoredGeometryFallsBackToDefault_data()
{
    const QSize screen = QGuiApplication::screenAt(QPoint(0, 0))->availableGeometry().size();
    QTest::addColumn<QVariant>("pos");
    QTest::addColumn<QVariant>("size");
    QTest::newRow("position on no screen") << QVariant(QPoint(-30000, 40000)) << QVariant(QSize(300, 200));
    QTest::newRow("unreadable text") << QVariant(QStringLiteral("garbage")) << QVariant(QStringLiteral("also"));
    QTest::newRow("below the minimum") << QVariant(QPoint(100, 120)) << QVariant(QSize(40, 30));
    QTest::newRow("negative height") << QVariant(QPoint(100, 120)) << QVariant(QSize(300, -20));
    QTest::newRow("wider than the screen")
        << QVariant(QPoint(100, 120)) << QVariant(QSize(screen.width() + 1, 300));
}

void MainWindowTest::unusableStoredGeometryFallsBackToDefault()
{
    QFETCH(QVariant, pos);
    QFETCH(QVariant, size);
    const QRect available = QGuiApplication::screenAt(QPoint(0, 0))->availableGeometry();
    {
        QSettings settings = store();
        settings.setValue(QStringLiteral("pos"), pos);
        settings.setValue(QStringLiteral("size"), size);
    }
    MainWindow window;
    QCOMPARE(window.pos(), available.topLeft() + QPoint(50, 50));
    QCOMPARE(window.size(), QSize(int(std::lround(0.75 * available.width())),
                                  int(std::lround(0.75 * available.height()))));
}

void MainWindowTest::closingStoresGeometryForNextStart()
{
    QPoint closedAt;
    QSize closedSize;
    {
        MainWindow first;
        first.show();
        first.resize(420, 310);
        first.move(60, 70);
        QVERIFY(first.close());
        closedAt = first.pos();
        closedSize = first.size();
    }
    QCOMPARE(store().value(QStringLiteral("pos")).toPoint(), closedAt);
    QCOMPARE(store().value(QStringLiteral("size")).toSize(), closedSize);
    MainWindow second;
    QCOMPARE(second.pos(), closedAt);
    QCOMPARE(second.size(), closedSize);
}

void MainWindowTest::unwritableSettingsStoreIsSurvived()
{
    // Nobody, not even the superuser, can create a folder below /proc.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QStringLiteral("/proc/relaxon-settings"));
    {
        MainWindow window;
        window.show();
        window.resize(420, 310);
        QVERIFY(window.close());
        QVERIFY(!window.isVisible());
    }
    MainWindow again;
    QVERIFY(again.size().isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
}

void MainWindowTest::exitClosesTheWindow()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    actionTexted(window, QStringLiteral("E&xit"))->trigger();
    QVERIFY(!window.isVisible());
    QVERIFY(store().contains(QStringLiteral("pos")));
}

void MainWindowTest::fileOpenEventLoadsExistingFile()
{
    const QString path = dataDir.filePath(QStringLiteral("opened.mri"));
    QVERIFY(writePlainCase(path));
    MainWindow window;
    auto *app = qobject_cast<Relaxon *>(qApp);
    QVERIFY(app);
    app->mainWindow = &window;
    QFileOpenEvent event(path);
    QVERIFY(QCoreApplication::sendEvent(app, &event));
    app->mainWindow = nullptr;
    QCOMPARE(window.windowTitle(), QStringLiteral("opened.mri[*] - test_mainwindow"));
    QVERIFY(window.session().caseLoaded);
}

void MainWindowTest::fileOpenEventForMissingFileIsDropped()
{
    MainWindow window;
    auto *app = qobject_cast<Relaxon *>(qApp);
    app->mainWindow = &window;
    ModalCloser closer([](QDialog *) {});
    QFileOpenEvent event(dataDir.filePath(QStringLiteral("gone.mri")));
    QVERIFY(QCoreApplication::sendEvent(app, &event));
    app->mainWindow = nullptr;
    QVERIFY2(!closer.seen, "a vanished file must not reach the loader and its warning");
    QCOMPARE(window.windowTitle(), QStringLiteral("test_mainwindow"));
    QVERIFY(!window.session().caseLoaded);
}

RELAXON_TEST_CLASS(MainWindowTest)

#include "test_mainwindow.moc"
