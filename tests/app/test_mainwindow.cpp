#include "app/aboutbox.h"
#include "app/relaxon.h"
#include "menutexts.h"
#include "modalcloser.h"
#include "numerics/matrixfile.h"
#include "numerics/matrixmemory.h"
#include "testrunner.h"

#include "../dialogs/modaldriver.h"

#include <QFileOpenEvent>
#include <QLabel>
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

// Three quarters of the screen, 50 pixels in from its corner.
QRect defaultGeometry()
{
    const QRect available = QGuiApplication::screenAt(QPoint(0, 0))->availableGeometry();
    return QRect(available.topLeft() + QPoint(50, 50),
                 QSize(int(std::lround(0.75 * available.width())), int(std::lround(0.75 * available.height()))));
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
    void exitStoresGeometryForNextStart();
    void unwritableSettingsStoreIsSurvived();
    void fileOpenEventLoadsOnlyAnExistingFile();
    void aboutBoxShowsVersionLogoAndLinks();
    void aboutCommandShowsBoxWithoutHelpButton();

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

void MainWindowTest::noCaseBarsAlsoAfterASecondLoad()
{
    const QString path = dataDir.filePath(QStringLiteral("twice.mri"));
    QVERIFY(writePlainCase(path));
    QStringList cases = QDir(QStringLiteral(":files")).entryList(QDir::Files, QDir::Name);
    cases = cases.mid(0, MainWindow::builtInCaseSlots);
    MainWindow window;
    window.show();
    QCOMPARE(window.statusBar()->currentMessage(), QStringLiteral("Ready"));
    QCOMPARE(window.session().levelLabel->parentWidget(), window.statusBar());
    QVERIFY(!window.session().levelLabel->isVisible());
    QVERIFY(!window.session().widthLabel->isVisible());
    for (int load = 0; load < 3; ++load) {
        QCOMPARE(visibleTexts(window.menuBar()->actions()), (QStringList{"&File", "&Edit", "&View", "|", "&Help"}));
        QCOMPARE(visibleTexts(menuTitled(window, "&File")->actions()),
                 (cases + QStringList{"|", "&Open from disk...", QString::fromUtf8("&Import NIfTI\u2026"), "&Close",
                                      "E&xit"}));
        QCOMPARE(visibleTexts(menuTitled(window, "&Edit")->actions()), QStringList{"&Copy Image"});
        QCOMPARE(visibleTexts(menuTitled(window, "&View")->actions()), QStringList{"&Level and Width"});
        QCOMPARE(visibleTexts(menuTitled(window, "&Help")->actions()), QStringList{"&About..."});

        const QList<QToolBar *> bars = window.findChildren<QToolBar *>();
        QCOMPARE(bars.size(), 1);
        const QList<QAction *> items = bars.first()->actions();
        QCOMPARE(items.size(), 2);
        QCOMPARE(items.at(1)->text(), QStringLiteral("&Level and Width"));
        auto *openButton = qobject_cast<QToolButton *>(qobject_cast<QWidgetAction *>(items.at(0))->defaultWidget());
        QCOMPARE(openButton->defaultAction()->text(), QStringLiteral("&Open from disk..."));
        QCOMPARE(openButton->popupMode(), QToolButton::InstantPopup);
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
    QVERIFY(!window.isWindowModified());
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

void MainWindowTest::exitStoresGeometryForNextStart()
{
    QPoint closedAt;
    QSize closedSize;
    {
        MainWindow first;
        first.show();
        QVERIFY(QTest::qWaitForWindowExposed(&first));
        first.resize(420, 310);
        first.move(60, 70);
        actionTexted(first, QStringLiteral("E&xit"))->trigger();
        QVERIFY(!first.isVisible());
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
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("/proc/relaxon-settings"));
    {
        MainWindow window;
        window.show();
        QVERIFY(window.close());
    }
    MainWindow again;
    QVERIFY(again.size().isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
}

void MainWindowTest::fileOpenEventLoadsOnlyAnExistingFile()
{
    const QString path = dataDir.filePath(QStringLiteral("opened.mri"));
    QVERIFY(writePlainCase(path));
    MainWindow window;
    auto *app = qobject_cast<Relaxon *>(qApp);
    QVERIFY(app);
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
    bool isAboutBox = false;
    bool hasHelpHint = true;
    QWidget *parent = nullptr;
    ModalCloser closer([&](QDialog *dialog) {
        isAboutBox = qobject_cast<AboutBox *>(dialog) != nullptr;
        hasHelpHint = dialog->windowFlags().testFlag(Qt::WindowContextHelpButtonHint);
        parent = dialog->parentWidget();
    });
    actionTexted(window, QStringLiteral("&About..."))->trigger();
    QVERIFY(closer.seen);
    QVERIFY(isAboutBox);
    QVERIFY(!hasHelpHint);
    QCOMPARE(parent, &window);
    // The box lived only while it was shown.
    QVERIFY(window.findChildren<AboutBox *>().isEmpty());
}

RELAXON_TEST_CLASS(MainWindowTest)

#include "test_mainwindow.moc"
