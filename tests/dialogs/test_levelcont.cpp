#include "dialogs/levelcont.h"

#include "../views/testimage.h"
#include "../cases/casefilewriter.h"
#include "modaldriver.h"
#include "app/mainwindow.h"
#include "simulation/widthslider.h"
#include "views/levwidview.h"
#include "views/mriview.h"
#include "testrunner.h"

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>

namespace {

// Values running evenly from -500 to 1479 over 40 x 50 pixels: value range
// -500..1500, level bounds -1500..3000, width bounds 1..15000.
double ramp(int x, int y)
{
    return -500.0 + (x - 1) * 50 + (y - 1);
}

// A central view of a plain image with its level dialog.
struct Picture
{
    explicit Picture(std::function<double(int, int)> value = ramp, int rows = 40, int cols = 50)
        : view(new MriView(main.session(), ViewNewRecording, makeImage(rows, cols, value), rows, cols))
    {
    }
    MainWindow main;
    std::unique_ptr<MriView> view;
    LevelCont *dialog = new LevelCont(view.get());
};

QString readout(const char *kind, int value)
{
    return QStringLiteral(" %1: %2 ").arg(QLatin1String(kind)).arg(value, 4);
}

} // namespace

class TestLevelCont : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(settingsDir.isValid() && dataDir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    }

    void openingMakesTheWindowWhole()
    {
        Picture first;
        const double firstLevel = first.view->displayLevel();
        Picture second;
        second.view->setLevelWidth(123.7, 456.4);
        auto *dialog = new LevelCont(second.view.get());
        QCOMPARE(std::pair(second.view->displayLevel(), second.view->displayWidth()), std::pair(124.0, 456.0));
        QCOMPARE(dialog->levelEdit->text() + dialog->widthEdit->text(), QStringLiteral("124456"));
        QCOMPARE(std::pair(dialog->levelSlider->value(), dialog->widthSlider->value()),
                 std::pair(124, widthToSlider(456, 15000)));
        QCOMPARE(std::pair(dialog->levelSlider->minimum(), dialog->levelSlider->maximum()), std::pair(-1500, 3000));

        // Another dialog took a position over last: the same position in the first
        // dialog changes no view.
        dialog->levelSlider->setValue(-300);
        first.dialog->levelSlider->setValue(-300);
        QCOMPARE(first.view->displayLevel(), firstLevel);
        QCOMPARE(second.view->displayLevel(), -300.0);
    }

    void slidersAndTypedNumbers_data()
    {
        QTest::addColumn<bool>("level");
        QTest::addColumn<QString>("typed"); // null: the slider is moved to the position
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("position");
        // The level starts at 100, the width at slider position 1000: 1 + 9 * 150.
        QTest::newRow("level slider") << true << QString() << 700 << 700;
        QTest::newRow("width slider at 0 is width 1") << false << QString() << 1 << 0;
        // 1 + (10^1.5 - 1) * 150 = 4594.42 (10^1.5 = 31.6227766)
        QTest::newRow("width slider at 1500") << false << QString() << 4594 << 1500;
        QTest::newRow("width slider at the end") << false << QString() << 14851 << 2000; // 1 + 99 * 150
        QTest::newRow("level with blanks") << true << QStringLiteral("  250 ") << 250 << 250;
        QTest::newRow("level at the lower bound") << true << QStringLiteral("-1500") << -1500 << -1500;
        QTest::newRow("level below the bounds") << true << QStringLiteral("-1501") << 100 << 100;
        QTest::newRow("level above the bounds") << true << QStringLiteral("3001") << 100 << 100;
        QTest::newRow("level empty") << true << QStringLiteral("") << 100 << 100;
        // log10(1399 * 100 / 15000 + 1) = 1.01396
        QTest::newRow("width 1400") << false << QStringLiteral("1400") << 1400 << 1014;
        QTest::newRow("width below the bounds") << false << QStringLiteral("0") << 1351 << 1000;
        QTest::newRow("width above the bounds") << false << QStringLiteral("15001") << 1351 << 1000;
    }

    void slidersAndTypedNumbers()
    {
        QFETCH(bool, level);
        QFETCH(QString, typed);
        QFETCH(int, value);
        QFETCH(int, position);
        Picture picture;
        LevelCont *dialog = picture.dialog;
        dialog->levelSlider->setValue(100);
        dialog->widthSlider->setValue(1000);
        QLabel *readoutLabel = level ? picture.view->levelReadout() : picture.view->widthReadout();
        readoutLabel->clear();
        QLineEdit *edit = level ? dialog->levelEdit : dialog->widthEdit;
        QSlider *slider = level ? dialog->levelSlider : dialog->widthSlider;
        typed.isNull() ? slider->setValue(position) : edit->setText(typed);
        QCOMPARE(level ? picture.view->displayLevel() : picture.view->displayWidth(), double(value));
        QCOMPARE(slider->value(), position);
        QCOMPARE(level ? LevelCont::lastLevelPosition : LevelCont::lastWidthPosition, position);
        const bool taken = value != (level ? 100 : 1351);
        QCOMPARE(readoutLabel->text(), taken ? readout(level ? "wl" : "ww", value) : QString());
        // The slider's echo keeps typed text; a moved slider writes its number.
        QCOMPARE(edit->text(), typed.isNull() ? QStringLiteral("%1").arg(value, 5) : typed);
    }

    void boxesAndAuto()
    {
        Picture picture;
        LevelCont *dialog = picture.dialog;
        MriView *view = picture.view.get();
        for (const bool on : {true, false}) {
            QTest::mouseClick(dialog->invertBox, Qt::LeftButton);
            QCOMPARE(view->invert(), on);
            QTest::mouseClick(dialog->histoBox, Qt::LeftButton);
            QCOMPARE(dialog->histogramView()->showHistogram(), !on);
        }

        const double autoLevel = (view->autoLow() + view->autoHigh()) / 2;
        const double autoWidth = view->autoHigh() - view->autoLow();
        dialog->levelSlider->setValue(2500);
        dialog->widthSlider->setValue(100);
        QTest::mouseClick(dialog->autoButton, Qt::LeftButton);
        // The sliders hand the automatic window back as whole numbers; one step of the
        // width slider changes the width by at most 10^(1/1000) - 1.
        QVERIFY(std::fabs(view->displayLevel() - autoLevel) <= 0.5);
        QVERIFY(std::fabs(view->displayWidth() - autoWidth) <= 0.0024 * autoWidth + 0.5);
        QCOMPARE(dialog->levelSlider->value(), sliderValue(autoLevel));
        QCOMPARE(dialog->widthSlider->value(), widthToSlider(autoWidth, view->widthMax()));
        QCOMPARE(dialog->widthEdit->text().trimmed().toDouble(), view->displayWidth());
    }

    void autoOnAUnitRangeImageShowsAtOnce()
    {
        // Values 0..1 have an empty range: the view starts black with width 0, and Auto
        // gives the smallest width, 1, at level 1.
        Picture picture([](int x, int y) { return ((x - 1) * 64 + y - 1) / 4096.0; }, 64, 64);
        MriView *view = picture.view.get();
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view));
        QTest::mouseClick(picture.dialog->autoButton, Qt::LeftButton);
        QCOMPARE(picture.dialog->levelEdit->text() + picture.dialog->widthEdit->text(), QStringLiteral("11"));
        QCOMPARE(view->widthReadout()->text(), readout("ww", 1));
        // Repainted at once: the brightest pixel, 0.9998, is mid grey now.
        const ImageRect shown = view->pictureRect();
        QTRY_COMPARE(qGray(view->grab().toImage().pixel(shown.x0 + shown.width - 1, shown.y0 + shown.height - 1)), 128);
    }

    void dialogsArePlacedByTheirView()
    {
        {
            // A central view's dialog sits at the main window's top, right-aligned with the view.
            Picture picture;
            delete picture.dialog;
            picture.main.move(100, 80);
            picture.view->resize(500, 400);
            picture.view->setWindowTitle(QStringLiteral(" ramp"));
            picture.view->showLevelDialog(true);
            LevelCont *dialog = LevelCont::of(picture.view.get());
            // Opened through the view, the dialog takes the view's title.
            QCOMPARE(dialog->windowTitle(), QStringLiteral(" ramp"));
            QCOMPARE(dialog->pos(), QPoint(picture.main.x() + 500 - dialog->width(), picture.main.y()));
        }
        // Sub-windows' dialogs are centred on the main window with the form's size,
        // 341 x 403, and cascade by their place in the document area.
        MainWindow main;
        main.move(100, 80);
        main.resize(900, 700);
        const QList<MriView *> views = openMapViews(main, {ViewHydrogenDensity, ViewT1, ViewT2});
        QCOMPARE(views.size(), 3);
        // Centred on the main window as it is when the dialog opens.
        const auto centred = [&main] {
            return QPoint(main.x() + main.width() / 2 - 341 / 2, main.y() + main.height() / 2 - 403 / 2);
        };
        QPoint expected = centred() + QPoint(32, 32);
        views[2]->showLevelDialog(true);
        QCOMPARE(LevelCont::of(views[2])->pos(), expected);
        expected = centred();
        views[0]->showLevelDialog(true);
        QCOMPARE(LevelCont::of(views[0])->pos(), expected);
    }

    void followersShowTheActiveWindowAndDoNotEdit()
    {
        MainWindow main;
        const QList<MriView *> views = openMapViews(main, {ViewHydrogenDensity, ViewT1});
        QCOMPARE(views.size(), 2);
        auto [active, follower] = std::pair(views[0], views[1]);
        active->showLevelDialog(true);
        follower->showLevelDialog(true);
        LevelCont *followerDialog = LevelCont::of(follower);
        follower->setLevelWidth(300, 200);
        main.show();
        main.documentArea()->setActiveSubWindow(main.documentArea()->subWindowList().first());
        main.session().followActive = true;
        follower->showPaintingWindow();
        QCOMPARE(followerDialog->currentView(), active);

        LevelCont::of(active)->levelSlider->setValue(222);
        LevelCont::of(active)->widthEdit->setText(QStringLiteral("333"));
        QCOMPARE(followerDialog->widthSlider->value(), widthToSlider(333, active->widthMax()));
        QCOMPARE(followerDialog->levelEdit->text() + followerDialog->widthEdit->text(), QStringLiteral("222333"));

        // The follower's dialog only displays; the follower keeps its own window until it paints.
        followerDialog->levelSlider->setValue(-400);
        followerDialog->widthEdit->setText(QStringLiteral("17"));
        QCOMPARE(std::pair(follower->displayLevel(), follower->displayWidth()), std::pair(300.0, 200.0));
        QCOMPARE(std::pair(active->displayLevel(), active->displayWidth()), std::pair(222.0, 333.0));

        // A closed followed view leaves the dialog with its own, which it edits again.
        main.session().followActive = false;
        delete main.documentArea()->subWindowList().first();
        QCOMPARE(followerDialog->currentView(), follower);
        followerDialog->levelSlider->setValue(77);
        QCOMPARE(follower->displayLevel(), 77.0);
    }

    void degenerateImagesOpenAndPaint_data()
    {
        QTest::addColumn<double>("first");
        QTest::addColumn<double>("rest");
        const double inf = std::numeric_limits<double>::infinity();
        const double max = std::numeric_limits<double>::max();
        QTest::newRow("all values between 0 and 1: an empty range") << 0.5 << 0.5;
        QTest::newRow("all zero") << 0.0 << 0.0;
        QTest::newRow("not a number among zeros") << std::numeric_limits<double>::quiet_NaN() << 0.0;
        QTest::newRow("endless values") << inf << -inf;
        QTest::newRow("the largest doubles") << max << -max;
    }

    void degenerateImagesOpenAndPaint()
    {
        QFETCH(double, first);
        QFETCH(double, rest);
        Picture picture([=](int x, int y) { return x == 1 && y == 1 ? first : rest; }, 8, 8);
        LevWidView *histogram = picture.dialog->histogramView();
        histogram->resize(300, 250);
        // Whatever the handles, pressing and dragging over the whole plot keeps the
        // window within the view's bounds.
        for (int x = 0; x < 300; x += 7) {
            const int y = int(histogram->handlePoints()[HandleLevel].y);
            QTest::mousePress(histogram, Qt::LeftButton, {}, QPoint(x, y));
            QTest::mouseMove(histogram, QPoint(299 - x, y));
            QTest::mouseRelease(histogram, Qt::LeftButton, {}, QPoint(299 - x, y));
            QVERIFY(!histogram->grab().isNull());
        }
        const MriView &view = *picture.view;
        QVERIFY(view.displayLevel() >= view.levelMin() - 0.5 && view.displayLevel() <= view.levelMax() + 0.5);
        QVERIFY(view.displayWidth() == 0 || (view.displayWidth() >= view.widthMin() && view.displayWidth() <= view.widthMax()));
    }

private:
    // Loads a 4 x 4 PD/T1/T2 case and opens views of the given kinds in its document area.
    QList<MriView *> openMapViews(MainWindow &main, const QList<int> &kinds)
    {
        const QString path = dataDir.filePath(QStringLiteral("maps.mri"));
        const auto maps = [](int32 i, int32 j) { return i <= 4 ? 100.0 * i + 10.0 * j : i <= 8 ? 700.0 + j : 90.0 + i; };
        QList<MriView *> views;
        if (!writeCaseMatrix(path, 12, 4, maps, QByteArray("MRI PD,T1,T2 DATA\n")))
            return views;
        {
            // The case's first recording is cancelled: the test decides which views open.
            ModalDriver driver([](QWidget *modal) { static_cast<QDialog *>(modal)->reject(); });
            main.loadFile(path);
        }
        if (!main.documentArea())
            return views;
        qDeleteAll(main.documentArea()->subWindowList());
        for (int kind : kinds) {
            views.append(new MriView(main.session(), kind));
            main.documentArea()->addSubWindow(views.last())->show();
        }
        return views;
    }

    QTemporaryDir settingsDir;
    QTemporaryDir dataDir;
};

RELAXON_TEST_CLASS(TestLevelCont)
#include "test_levelcont.moc"
