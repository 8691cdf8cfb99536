#include "app/mainwindow.h"
#include "app/valuetable.h"

#include "../cases/casefilewriter.h"
#include "../dialogs/modaldriver.h"
#include "../dialogs/timinganswer.h"
#include "dialogs/tetr.h"
#include "views/mriview.h"
#include "views/session.h"
#include "testrunner.h"

#include <QClipboard>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <limits>

namespace {

const QString noteOnClipboard = QStringLiteral("left alone");

QAction *commandIn(MainWindow &window, const QString &menuTitle, const QString &text)
{
    for (QAction *bar : window.menuBar()->actions()) {
        if (bar->text() != menuTitle || !bar->menu())
            continue;
        for (QAction *action : bar->menu()->actions()) {
            if (action->text() == text)
                return action;
        }
    }
    return nullptr;
}

QAction *copyValuesCommand(MainWindow &window)
{
    return commandIn(window, QStringLiteral("&Edit"), QStringLiteral("Copy &Values"));
}

QAction *copyRegionValuesCommand(MainWindow &window)
{
    return commandIn(window, QStringLiteral("&Edit"), QStringLiteral("Copy &Region Values"));
}

QAction *copyImageCommand(MainWindow &window)
{
    return commandIn(window, QStringLiteral("&Edit"), QStringLiteral("&Copy Image"));
}

void newRecording(MainWindow &window, const QString &te, const QString &tr)
{
    ModalDriver driver(answerTiming(te, tr));
    commandIn(window, QStringLiteral("&Simulation"), QStringLiteral("&New recording"))->trigger();
}

// A small PD/T1/T2 case that loads with its first recording at the given times.
void loadSmallCase(MainWindow &window, const QString &path, const QString &te, const QString &tr)
{
    QVERIFY(writeCaseMatrix(path, 12, 4, [](int32 i, int32) { return i <= 4 ? 900.0 : i <= 8 ? 700.0 : 90.0; },
                            QByteArray("MRI PD,T1,T2 DATA\n")));
    ModalDriver driver(answerTiming(te, tr));
    window.loadFile(path);
    QCOMPARE(window.mdiViews().size(), 1);
}

void setClipboardMarker()
{
    QGuiApplication::clipboard()->setText(noteOnClipboard);
}

} // namespace

class MainWindowClipboardTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void roundingTruncatesAfterAddingAHalf_data();
    void roundingTruncatesAfterAddingAHalf();
    void tableIsSortedByTeThenTr();
    void threeRecordingsGiveTheSortedTable();
    void regionValuesOfTwoRecordings();
    void everySubWindowCounts();
    void moreThanAThousandWindowsLoseNoRow();
    void noPixelShowsTheHint();
    void functionalCaseCopiesNoValues();
    void emptyAreaLeavesTheClipboard();
    void copyImageTakesTheActiveSubWindow();
    void copyImageTakesTheCentralView();
    void copyImageWithoutViewDoesNothing();

private:
    QTemporaryDir settingsDir;
    QTemporaryDir dataDir;
};

void MainWindowClipboardTest::initTestCase()
{
    QVERIFY(settingsDir.isValid());
    QVERIFY(dataDir.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
}

void MainWindowClipboardTest::init()
{
    QSettings(QStringLiteral("Relaxon"), QStringLiteral("relaxon")).clear();
    setClipboardMarker();
}

void MainWindowClipboardTest::roundingTruncatesAfterAddingAHalf_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("expected");
    QTest::newRow("negative") << -3.7 << -3;
    QTest::newRow("half") << 0.5 << 1;
    QTest::newRow("just below half up") << 455.49 << 455;
    QTest::newRow("half up") << 603.5 << 604;
    QTest::newRow("negative half") << -0.5 << 0;
    QTest::newRow("minus one and a half") << -1.5 << -1;
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << 0;
    QTest::newRow("too large") << 1e300 << std::numeric_limits<int>::max();
    QTest::newRow("too small") << -std::numeric_limits<double>::infinity() << std::numeric_limits<int>::min();
}

void MainWindowClipboardTest::roundingTruncatesAfterAddingAHalf()
{
    QFETCH(double, value);
    QFETCH(int, expected);
    QCOMPARE(truncateAfterHalf(value), expected);
}

void MainWindowClipboardTest::tableIsSortedByTeThenTr()
{
    QCOMPARE(valueTableText({}), QStringLiteral("Te\tTr\tStrength\n"));
    const QList<ValueRow> rows{{80, 2000, 1}, {20, 2000, 2}, {-5, 7, -3}, {20, 500, 4}, {80, 100, 5}};
    QCOMPARE(valueTableText(rows), QStringLiteral("Te\tTr\tStrength\n"
                                                  "-5\t7\t-3\n"
                                                  "20\t500\t4\n"
                                                  "20\t2000\t2\n"
                                                  "80\t100\t5\n"
                                                  "80\t2000\t1\n"));
}

void MainWindowClipboardTest::threeRecordingsGiveTheSortedTable()
{
    MainWindow window;
    window.show();
    loadSmallCase(window, dataDir.filePath(QStringLiteral("three.mri")), QStringLiteral("80"),
                  QStringLiteral("2000"));
    newRecording(window, QStringLiteral("20"), QStringLiteral("500"));
    newRecording(window, QStringLiteral("20"), QStringLiteral("2000"));
    const QList<MriView *> views = window.mdiViews();
    QCOMPARE(views.size(), 3);

    // Pixel (2, 1), 0-based, is matrix element [3][2].
    views.at(0)->imageData()[3][2] = 812.4;
    views.at(1)->imageData()[3][2] = 603.5;
    views.at(2)->imageData()[3][2] = 455.49;
    window.session().selectedPixel = QPoint(2, 1);
    copyValuesCommand(window)->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QStringLiteral("Te\tTr\tStrength\n20\t500\t604\n20\t2000\t455\n80\t2000\t812\n"));
}

void MainWindowClipboardTest::regionValuesOfTwoRecordings()
{
    MainWindow window;
    window.show();
    loadSmallCase(window, dataDir.filePath(QStringLiteral("region.mri")), QStringLiteral("80"),
                  QStringLiteral("2000"));
    window.session().acquisition.noise = true;
    window.session().acquisition.averages = 4;
    newRecording(window, QStringLiteral("80"), QStringLiteral("2000"));
    const QList<MriView *> views = window.mdiViews();
    QCOMPARE(views.size(), 2);

    // A drag over the picture draws the region; each view measures it in its own image.
    MriView *view = views.at(1);
    commandIn(window, QStringLiteral("&View"), QStringLiteral("&Measure Region"))->trigger();
    const ImageRect rect = view->pictureRect();
    const auto send = [view](QEvent::Type type, ScreenPoint at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, QPointF(at.x + 0.5, at.y + 0.5), QPointF(), Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(view, &event);
    };
    send(QEvent::MouseButtonPress, pixelToScreen(rect, view->rows(), view->cols(), 0, 0), Qt::LeftButton);
    send(QEvent::MouseMove, pixelToScreen(rect, view->rows(), view->cols(), 1, 1), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, pixelToScreen(rect, view->rows(), view->cols(), 1, 1), Qt::NoButton);
    QCOMPARE(window.session().region.width, 2);
    QCOMPARE(window.session().region.height, 2);

    copyRegionValuesCommand(window)->trigger();
    const QStringList lines = QGuiApplication::clipboard()->text().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 4);
    const QStringList noiseless = lines.at(1).split(QLatin1Char('\t'));
    const QStringList noisy = lines.at(2).split(QLatin1Char('\t'));
    // Te, Tr, no Tp, NEX, BW, d, ETL, then 2000 ms x 4 lines x NEX.
    QCOMPARE(noiseless.mid(0, 8), QStringList({"80", "2000", "", "1", "130", "5", "1", "8"}));
    QCOMPARE(noisy.mid(0, 8), QStringList({"80", "2000", "", "4", "130", "5", "1", "32"}));
    // A uniform tissue: no spread and no ratio without noise; with it the SD is
    // about sigma = 1 % of the full scale over two, and SNR is the mean over sigma.
    QCOMPARE(noiseless.at(9), QStringLiteral("0"));
    QCOMPARE(noiseless.at(10), QString());
    const double sigma = window.session().caseData.fullScale / 200;
    QVERIFY(std::abs(noisy.at(9).toDouble() - sigma) < 0.6 * sigma);
    QVERIFY(std::abs(noisy.at(10).toDouble() - noisy.at(8).toDouble() / sigma) < 1e-9 * noisy.at(10).toDouble());
    QVERIFY(std::abs(noisy.at(8).toDouble() - noiseless.at(8).toDouble()) < 3 * sigma);

    // A click without a drag takes the region away.
    send(QEvent::MouseButtonPress, pixelToScreen(rect, view->rows(), view->cols(), 0, 1), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, pixelToScreen(rect, view->rows(), view->cols(), 0, 1), Qt::NoButton);
    QCOMPARE(window.session().region.width, 0);
}

void MainWindowClipboardTest::everySubWindowCounts()
{
    MainWindow window;
    window.session().allowMaps = true;
    window.show();
    loadSmallCase(window, dataDir.filePath(QStringLiteral("maps.mri")), QStringLiteral("30"),
                  QStringLiteral("600"));
    commandIn(window, "&Simulation", "T&1")->trigger();
    commandIn(window, "&Simulation", "&Hydrogen density")->trigger();
    const QList<MriView *> views = window.mdiViews();
    QCOMPARE(views.size(), 3);
    window.session().selectedPixel = QPoint(0, 0);
    copyValuesCommand(window)->trigger();

    // The maps report the times they hold: -1 where a time does not apply, which
    // the half added before truncation turns into 0.
    const auto row = [](MriView *view) {
        return QStringLiteral("%1\t%2\t%3\n")
            .arg(truncateAfterHalf(view->recordingParams().te))
            .arg(truncateAfterHalf(view->recordingParams().tr))
            .arg(truncateAfterHalf(view->imageData()[1][1]));
    };
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QStringLiteral("Te\tTr\tStrength\n") + row(views.at(2)) + row(views.at(1)) + row(views.at(0)));
    QCOMPARE(row(views.at(2)), QStringLiteral("0\t0\t900\n"));
    QCOMPARE(row(views.at(1)), QStringLiteral("30\t0\t700\n"));
}

void MainWindowClipboardTest::moreThanAThousandWindowsLoseNoRow()
{
    MainWindow window;
    window.session().allowMaps = true;
    window.show();
    loadSmallCase(window, dataDir.filePath(QStringLiteral("many.mri")), QStringLiteral("40"),
                  QStringLiteral("500"));
    QAction *t2 = commandIn(window, "&Simulation", "T&2");
    for (int i = 0; i < 1000; ++i)
        t2->trigger();
    QCOMPARE(window.mdiViews().size(), 1001);

    window.session().selectedPixel = QPoint(3, 3);
    copyValuesCommand(window)->trigger();
    const QStringList lines = QGuiApplication::clipboard()->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 1 + 1001);
    // T2 maps hold Te = -1 and sort first; the recording is last.
    QCOMPARE(lines.at(1), QStringLiteral("0\t500\t90"));
    QCOMPARE(lines.last(), QStringLiteral("40\t500\t%1").arg(truncateAfterHalf(window.mdiViews().first()->imageData()[4][4])));
}

void MainWindowClipboardTest::noPixelShowsTheHint()
{
    MainWindow window;
    window.show();
    loadSmallCase(window, dataDir.filePath(QStringLiteral("hint.mri")), QStringLiteral("40"),
                  QStringLiteral("500"));
    window.session().selectedPixel = QPoint(-1, -1);
    ModalDriver driver;
    copyValuesCommand(window)->trigger();
    QCOMPARE(driver.messages.size(), 1);
    QCOMPARE(driver.messages.first().title, QStringLiteral("Copying values"));
    QCOMPARE(driver.messages.first().text,
             QStringLiteral("To copy (Te,Tr,strength) values\nat location of interest in all windows:\n"
                            "Press Shift-Ctrl-C while pointing at location.\n\n"
                            "Subsequently, the values can be pasted\n in a spreadsheet program such as Excel."));
    QCOMPARE(driver.messages.first().icon, QMessageBox::Information);
    QCOMPARE(driver.messages.first().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(QGuiApplication::clipboard()->text(), noteOnClipboard);
}

void MainWindowClipboardTest::functionalCaseCopiesNoValues()
{
    MainWindow window;
    window.show();
    window.loadFile(QStringLiteral(":/files/fmri.mri"));
    QVERIFY(window.singleView());
    window.session().selectedPixel = QPoint(10, 10);
    ModalDriver driver;
    // Not in its menu, but the slot must still hold when reached otherwise.
    QVERIFY(QMetaObject::invokeMethod(&window, "copyValues"));
    QVERIFY(driver.messages.isEmpty());
    QCOMPARE(QGuiApplication::clipboard()->text(), noteOnClipboard);
}

void MainWindowClipboardTest::emptyAreaLeavesTheClipboard()
{
    MainWindow window;
    window.show();
    const QString path = dataDir.filePath(QStringLiteral("empty.mri"));
    QVERIFY(writeCaseMatrix(path, 3, 2, [](int32, int32) { return 100.0; }, QByteArray("MRI PD,T1,T2 DATA\n")));
    ModalDriver driver([](QWidget *modal) {
        if (auto *dialog = qobject_cast<TeTr *>(modal))
            QTest::mouseClick(dialog->cancelButton, Qt::LeftButton);
    });
    window.loadFile(path);
    QVERIFY(window.mdiViews().isEmpty());
    window.session().selectedPixel = QPoint(0, 0);
    copyValuesCommand(window)->trigger();
    copyImageCommand(window)->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), noteOnClipboard);
}

void MainWindowClipboardTest::copyImageTakesTheActiveSubWindow()
{
    MainWindow window;
    window.show();
    loadSmallCase(window, dataDir.filePath(QStringLiteral("image.mri")), QStringLiteral("40"),
                  QStringLiteral("500"));
    MriView *view = window.activeView();
    QVERIFY(view);
    view->viewStatusBar()->showMessage(QStringLiteral("marker text"));
    copyImageCommand(window)->trigger();
    const QImage copied = QGuiApplication::clipboard()->image();
    QCOMPARE(copied.size(), view->size());
    // The same as the view shows, status bar included.
    const QImage shown = view->grab().toImage().convertToFormat(copied.format());
    QCOMPARE(copied, shown);
}

void MainWindowClipboardTest::copyImageTakesTheCentralView()
{
    MainWindow window;
    window.show();
    window.loadFile(QStringLiteral(":/files/mrt1.mri"));
    MriView *view = window.singleView();
    QVERIFY(view);
    // The new central widget takes its place in the window's layout.
    QCoreApplication::processEvents();
    copyImageCommand(window)->trigger();
    const QImage copied = QGuiApplication::clipboard()->image();
    QCOMPARE(copied.size(), view->size());
    QCOMPARE(copied, view->grab().toImage().convertToFormat(copied.format()));
}

void MainWindowClipboardTest::copyImageWithoutViewDoesNothing()
{
    MainWindow window;
    window.show();
    copyImageCommand(window)->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), noteOnClipboard);
}

RELAXON_TEST_CLASS(MainWindowClipboardTest)
#include "test_mainwindowclipboard.moc"
