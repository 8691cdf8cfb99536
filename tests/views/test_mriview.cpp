#include "views/mriview.h"

#include "../dialogs/modaldriver.h"
#include "../dialogs/timinganswer.h"
#include "testimage.h"
#include "app/mainwindow.h"
#include "dialogs/tetr.h"
#include "numerics/matrixmemory.h"
#include "simulation/noise.h"
#include "testrunner.h"

#include <QLabel>
#include <QStatusBar>
#include <QTest>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>

namespace {

// Signal values are products of a few exponentials of order-one arguments.
constexpr double kSignalTolerance = 1e-9;
constexpr int kStatusBarHeight = 20;

// A PD/T1/T2 case of rows x cols pixels, every pixel the same tissue.
void makeMriCase(MainWindow &main, int rows, int cols, double pd, double t1, double t2)
{
    CaseData &data = main.session().caseData;
    data.rows = rows;
    data.cols = cols;
    data.isMri = true;
    data.fullScale = 2000;
    data.pd = dmatrix(1, rows, 1, cols);
    data.t1 = dmatrix(1, rows, 1, cols);
    data.t2 = dmatrix(1, rows, 1, cols);
    for (int x = 1; x <= rows; ++x)
        for (int y = 1; y <= cols; ++y) {
            data.pd[x][y] = pd;
            data.t1[x][y] = t1;
            data.t2[x][y] = t2;
        }
}

// Adds a tensor of diffusion along the horizontal axis with normalised norm n.
void addHorizontalTensors(MainWindow &main, double n)
{
    CaseData &data = main.session().caseData;
    data.hasDti = true;
    data.tensor = d3tensor(1, data.rows, 1, data.cols, 1, 16);
    for (int x = 1; x <= data.rows; ++x)
        for (int y = 1; y <= data.cols; ++y) {
            for (int k = 1; k <= 16; ++k)
                data.tensor[x][y][k] = 0;
            data.tensor[x][y][1] = n;
            data.tensor[x][y][10] = n;
        }
}

// A hidden widget gets its resize event only when shown.
void place(MriView &view, int width, int height)
{
    view.resize(width, height);
    view.show();
}

QRgb pixelAt(MriView &view, int x, int y)
{
    return view.grab().toImage().pixel(x, y);
}

QRgb grey(int g)
{
    return qRgb(g, g, g);
}

} // namespace

class MriViewTest : public QObject
{
    Q_OBJECT

private slots:
    void newRecordingComputesTheAcceptedTiming();
    void prepulseRecordingIsTitledAndWeighted();
    void cancelledTimingLeavesNoImage();
    void noisyRecordingsKeepTheirOwnPattern();
    void mapViewsShowTheirMapWithoutAsking_data();
    void mapViewsShowTheirMapWithoutAsking();
    void animationViewStartsFromStandardTiming();
    void mapViewsAreBoundedByTheirOwnRange();
    void centralViewTakesGivenImage();
    void automaticWindowComesFromTwoAndNinetyEightPercent();
    void equalBinsFallBackToWholeRange();
    void valuesBetweenZeroAndOnePaintBlackUntilWindowIsSet();
    void setLevelWidthClampsAndRestoresAutomaticWindow();
    void levelToGreyRoundsAwayFromZeroAndInverts_data();
    void levelToGreyRoundsAwayFromZeroAndInverts();
    void brokenValuesPaintSafely();
    void pictureHasSquarePixelsInAWideWindow();
    void everyPixelLandsInItsPlace();
    void ownStatusBarSitsBelowThePicture();
    void crossMarkerContrastsWithPixel();
    void crossMarkerLeavesOnPixelsOutside();
    void significantPixelsAreColoured();
    void gradientArrowPointsRightAtNinetyDegrees();
    void tensorGlyphsAreDrawnOverBrightTissue();
};

void MriViewTest::newRecordingComputesTheAcceptedTiming()
{
    MainWindow main;
    makeMriCase(main, 8, 6, 1000, 500, 100);
    ModalDriver driver(answerTiming(QStringLiteral("40"), QStringLiteral("500")));
    std::unique_ptr<MriView> view(new MriView(main.session(), ViewNewRecording));
    QCOMPARE(driver.answered, 1);
    QVERIFY(view->hasImage());
    QCOMPARE(view->rows(), 8);
    QCOMPARE(view->cols(), 6);
    QCOMPARE(view->windowTitle(), QStringLiteral(" Te=40 / Tr=500"));
    const double expected = 1000 * std::exp(-0.4) * (1 - std::exp(-1.0));
    QVERIFY(std::abs(view->imageData()[8][6] - expected) < kSignalTolerance * expected);
    QCOMPARE(main.session().recording.te, 40);
    QCOMPARE(main.session().recording.tr, 500);
    QVERIFY(view->testAttribute(Qt::WA_DeleteOnClose));
    QVERIFY(view->hasMouseTracking());
    QCOMPARE(view->minimumSize(), QSize(200, 200));
}

void MriViewTest::prepulseRecordingIsTitledAndWeighted()
{
    MainWindow main;
    makeMriCase(main, 4, 4, 1000, 500, 100);
    main.session().allowPrepulse = true;
    ModalDriver driver(answerTiming(QStringLiteral("40"), QStringLiteral("500"), true, [](TeTr &dialog) {
        QTest::mouseClick(dialog.tpCheck, Qt::LeftButton, {}, QPoint(6, dialog.tpCheck->height() / 2));
        dialog.tpEdit->setText(QStringLiteral("500"));
        dialog.trEdit->setText(QStringLiteral("800"));
    }));
    std::unique_ptr<MriView> view(new MriView(main.session(), ViewNewRecording));
    QCOMPARE(view->windowTitle(), QStringLiteral(" Te=40 / Tr=800 / Tp=500"));
    const double expected = 1000 * std::exp(-0.4) * (1 - std::exp(-1.6)) * std::abs(2 * std::exp(-1.0) - 1);
    QVERIFY(std::abs(view->imageData()[1][1] - expected) < kSignalTolerance * expected);
    QVERIFY(main.session().recording.prepulse);
    QCOMPARE(main.session().recording.tp, 500);
}

void MriViewTest::cancelledTimingLeavesNoImage()
{
    MainWindow main;
    makeMriCase(main, 4, 4, 1000, 500, 100);
    ModalDriver driver(answerTiming(QStringLiteral("90"), QStringLiteral("900"), false));
    std::unique_ptr<MriView> view(new MriView(main.session(), ViewNewRecording));
    QVERIFY(!view->hasImage());
    QCOMPARE(main.session().recording.te, 40);
    place(*view, 200, 220);
    QCOMPARE(pixelAt(*view, 100, 100), grey(0));
}

void MriViewTest::noisyRecordingsKeepTheirOwnPattern()
{
    MainWindow main;
    makeMriCase(main, 8, 6, 1000, 500, 100);
    main.session().acquisition.noise = true;
    main.session().acquisition.averages = 4;
    ModalDriver driver(answerTiming(QStringLiteral("40"), QStringLiteral("500")));
    std::unique_ptr<MriView> first(new MriView(main.session(), ViewNewRecording));
    std::unique_ptr<MriView> second(new MriView(main.session(), ViewNewRecording));
    // 500 ms x 8 lines x 4 averages.
    QCOMPARE(first->windowTitle(), QStringLiteral(" Te=40 / Tr=500 \u00B7 0:16"));
    QVERIFY(first->acquisitionSettings().seed != second->acquisitionSettings().seed);

    // The image is the noiseless signal with the noise its own seed draws: sigma is
    // 1 % of the full scale halved by four averages.
    double **expected = dmatrix(1, 8, 1, 6);
    const double signal = 1000 * std::exp(-0.4) * (1 - std::exp(-1.0));
    for (int x = 1; x <= 8; ++x)
        for (int y = 1; y <= 6; ++y)
            expected[x][y] = signal;
    addRicianNoise(expected, 8, 6, 10.0, first->acquisitionSettings().seed);
    place(*first, 200, 220);
    first->repaint();
    bool differ = false;
    for (int x = 1; x <= 8; ++x)
        for (int y = 1; y <= 6; ++y) {
            QVERIFY(std::abs(first->imageData()[x][y] - expected[x][y]) < 1e-9 * signal);
            differ = differ || first->imageData()[x][y] != second->imageData()[x][y];
        }
    free_dmatrix(expected, 1, 8, 1);
    QVERIFY(differ);
}

void MriViewTest::mapViewsShowTheirMapWithoutAsking_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("title");
    QTest::addColumn<double>("value");
    QTest::newRow("hydrogen density") << int(ViewHydrogenDensity) << " Hydrogen density" << 900.0;
    QTest::newRow("t1") << int(ViewT1) << " T1" << 600.0;
    QTest::newRow("t2") << int(ViewT2) << " T2" << 80.0;
}

void MriViewTest::mapViewsShowTheirMapWithoutAsking()
{
    QFETCH(int, kind);
    MainWindow main;
    makeMriCase(main, 5, 3, 900, 600, 80);
    ModalDriver driver;
    MriView view(main.session(), kind);
    QCOMPARE(driver.answered, 0);
    QTEST(view.windowTitle(), "title");
    QTEST(view.imageData()[5][3], "value");
    QVERIFY(view.viewStatusBar() != main.statusBar());
}

void MriViewTest::animationViewStartsFromStandardTiming()
{
    MainWindow main;
    makeMriCase(main, 4, 4, 1000, 500, 100);
    main.session().recording.te = 90;
    main.session().recording.tr = 2000;
    MriView view(main.session(), ViewAnimation);
    QCOMPARE(view.windowTitle(), QStringLiteral(" animation"));
    QCOMPARE(view.minimumSize(), QSize(290, 290));
    // The value range comes from the Te 40 / Tr 500 signal, 1000 e^-0.4 (1 - e^-1) =
    // 423.7, rounded up to 500; the sweep itself starts from te 0, the PD map.
    QCOMPARE(view.rangeHigh(), 500.0);
    QCOMPARE(view.imageData()[1][1], 1000.0);
    QCOMPARE(view.echoTimeSweep().tr(), 2000.0);
}

void MriViewTest::mapViewsAreBoundedByTheirOwnRange()
{
    // T1 far beyond twice the full scale of 2000, as fluid is in a case of low PD:
    // the map's range, 5000 (4500 rounded up), bounds it, so its automatic window
    // stays reachable.
    MainWindow main;
    makeMriCase(main, 4, 4, 100, 4500, 100);
    main.session().caseData.t1[1][1] = 0;
    MriView t1(main.session(), ViewT1);
    QCOMPARE(t1.levelMin(), -5000.0);
    QCOMPARE(t1.levelMax(), 10000.0);
    QCOMPARE(t1.widthMin(), 1.0);
    QCOMPARE(t1.widthMax(), 50000.0);
    QCOMPARE(t1.displayLevel(), (t1.autoLow() + t1.autoHigh()) / 2);
    QVERIFY(t1.crossMarker()->isVisibleTo(&t1));
    MriView pd(main.session(), ViewHydrogenDensity);
    QCOMPARE(pd.levelMax(), 200.0);
    // A recording keeps the case's full scale.
    ModalDriver driver(answerTiming(QStringLiteral("10"), QStringLiteral("5000")));
    MriView recording(main.session(), ViewNewRecording);
    QCOMPARE(recording.levelMax(), 4000.0);
}

void MriViewTest::centralViewTakesGivenImage()
{
    MainWindow main;
    double **image = makeImage(3, 2, [](int x, int y) { return 100.0 * x + y; });
    MriView view(main.session(), ViewNewRecording, image, 3, 2);
    QCOMPARE(view.imageData(), image);
    QVERIFY(view.windowTitle().isEmpty());
    QCOMPARE(view.viewStatusBar(), main.statusBar());
    QCOMPARE(view.levelReadout(), main.session().levelLabel);
    QVERIFY(!view.crossMarker()->isVisibleTo(&view));
    QCOMPARE(view.rangeLow(), 1.0);    // the smallest value counted is 0
    QCOMPARE(view.rangeHigh(), 500.0); // 302 rounded up on the 1, 1.5, 2, 3, 5, 8 series
}

void MriViewTest::automaticWindowComesFromTwoAndNinetyEightPercent()
{
    // 10 x 10 pixels over the range -100..100 (bins two units wide): one pixel in
    // bin 0, 50 at 20 (bin 60), 48 at 40 (bin 70), one at 100 (bin 99). Bin 0 is left
    // out, so the 2 % point (1.98 pixels) lies in bin 59 and the 98 % point (97.02)
    // is passed in bin 70.
    MainWindow main;
    int n = 0;
    double **image = makeImage(10, 10, [&n](int, int) {
        const int i = n++;
        if (i == 0)
            return -100.0;
        if (i == 1)
            return 100.0;
        return i < 52 ? 20.0 : 40.0;
    });
    MriView view(main.session(), ViewNewRecording, image, 10, 10);
    QCOMPARE(view.rangeLow(), -100.0);
    QCOMPARE(view.rangeHigh(), 100.0);
    QCOMPARE(view.histogram()[60].count, 50.0);
    QCOMPARE(view.histogram()[70].count, 48.0);
    QCOMPARE(view.histogram()[0].count, 1.0);
    QCOMPARE(view.histogram()[99].count, 1.0);
    QCOMPARE(view.histogram()[60].upperEdge, 22.0);
    QCOMPARE(view.histogramPeak(), 50.0);
    QCOMPARE(view.autoLow(), 18.0);
    QCOMPARE(view.autoHigh(), 38.0);
    QCOMPARE(view.displayLevel(), 28.0);
    QCOMPARE(view.displayWidth(), 20.0);
    QCOMPARE(view.levelReadout()->text(), QStringLiteral(" wl:   28 "));
    QCOMPARE(view.widthReadout()->text(), QStringLiteral(" ww:   20 "));
    // Not an MRI case: bounds from the range.
    QCOMPARE(view.levelMin(), -200.0);
    QCOMPARE(view.levelMax(), 200.0);
    QCOMPARE(view.widthMax(), 1000.0);
}

void MriViewTest::equalBinsFallBackToWholeRange()
{
    // All but two pixels in bin 50: the 2 % and 98 % points meet in bin 49, and the
    // window falls back to the whole range.
    MainWindow main;
    int n = 0;
    double **image = makeImage(10, 10, [&n](int, int) {
        const int i = n++;
        return i == 0 ? -100.0 : i == 1 ? 100.0 : 0.0;
    });
    MriView view(main.session(), ViewNewRecording, image, 10, 10);
    QCOMPARE(view.autoLow(), -100.0);
    QCOMPARE(view.autoHigh(), 98.0);
}

void MriViewTest::valuesBetweenZeroAndOnePaintBlackUntilWindowIsSet()
{
    MainWindow main;
    double **image = makeImage(4, 4, [](int x, int y) { return (x + y) / 10.0; });
    MriView view(main.session(), ViewNewRecording, image, 4, 4);
    QCOMPARE(view.rangeLow(), 1.0);
    QCOMPARE(view.rangeHigh(), 1.0);
    QCOMPARE(view.histogram()[0].count, 16.0);
    QCOMPARE(view.displayLevel(), 1.0);
    QCOMPARE(view.displayWidth(), 0.0);
    place(view, 200, 200);
    QCOMPARE(pixelAt(view, 100, 100), grey(0));

    view.setLevelWidth(5000, 0);
    QCOMPARE(view.displayWidth(), 1.0);
    QCOMPARE(view.displayLevel(), 1.0);
    // Level 1, width 1: value 0.8 gives round(0.8 * 255 + 128 - 255) = 77.
    QCOMPARE(pixelAt(view, 175, 175), grey(77));
}

void MriViewTest::setLevelWidthClampsAndRestoresAutomaticWindow()
{
    MainWindow main;
    makeMriCase(main, 4, 4, 1000, 500, 100);
    MriView view(main.session(), ViewHydrogenDensity);
    const double autoLevel = view.displayLevel();
    const double autoWidth = view.displayWidth();
    view.setLevelWidth(-5000, 30000);
    QCOMPARE(view.displayLevel(), -1000.0);
    QCOMPARE(view.displayWidth(), 10000.0);
    QCOMPARE(view.levelReadout()->text(), QStringLiteral(" wl: -1000 "));
    QCOMPARE(view.widthReadout()->text(), QStringLiteral(" ww: 10000 "));
    view.setLevelWidth(5000, 0);
    QCOMPARE(view.displayLevel(), autoLevel);
    QCOMPARE(view.displayWidth(), autoWidth);
    view.setLevelWidth(std::numeric_limits<double>::quiet_NaN(), 0.5);
    QCOMPARE(view.displayWidth(), 1.0);
    QCOMPARE(view.displayLevel(), -1000.0);
}

void MriViewTest::levelToGreyRoundsAwayFromZeroAndInverts_data()
{
    QTest::addColumn<bool>("invert");
    QTest::addColumn<int>("black");
    QTest::addColumn<int>("middle");
    QTest::addColumn<int>("white");
    QTest::newRow("plain") << false << 1 << 128 << 255;
    QTest::newRow("inverted") << true << 254 << 127 << 0;
}

void MriViewTest::levelToGreyRoundsAwayFromZeroAndInverts()
{
    // Level 500, width 1000: 0 gives 0.5 (rounded to 1), 500 gives 128 and 1000
    // gives 255.5, clamped to 255. x runs along the screen's horizontal axis.
    QFETCH(bool, invert);
    MainWindow main;
    double **image = makeImage(2, 2, [](int x, int y) {
        return y == 1 ? (x == 1 ? 0.0 : 500.0) : 1000.0;
    });
    MriView view(main.session(), ViewNewRecording, image, 2, 2);
    view.setInvert(invert);
    view.setLevelWidth(500, 1000);
    place(view, 200, 200);
    QTEST(int(qRed(pixelAt(view, 50, 50))), "black");
    QTEST(int(qRed(pixelAt(view, 150, 50))), "middle");
    QTEST(int(qRed(pixelAt(view, 50, 150))), "white");
}

void MriViewTest::brokenValuesPaintSafely()
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double values[] = {nan, inf, -inf, 1e308, -1e308, 0, 5, 7};
    MainWindow main;
    double **image = makeImage(2, 4, [&](int x, int y) { return values[(x - 1) * 4 + (y - 1)]; });
    MriView view(main.session(), ViewNewRecording, image, 2, 4);
    double counted = 0;
    for (const HistogramBin &bin : view.histogram())
        counted += bin.count;
    QCOMPARE(counted, 8.0);
    QVERIFY(view.histogram()[0].count >= 3); // NaN and the infinities
    QVERIFY(std::isfinite(view.displayLevel()));
    QVERIFY(std::isfinite(view.displayWidth()));
    QVERIFY(!view.levelReadout() || !view.levelReadout()->text().contains(QStringLiteral("nan")));
    view.setLevelWidth(100, 200);
    place(view, 200, 400);
    QCOMPARE(pixelAt(view, 50, 50), grey(0)); // NaN paints black
    QCOMPARE(pixelAt(view, 50, 150), grey(255));
    QCOMPARE(pixelAt(view, 50, 250), grey(0));
}

void MriViewTest::pictureHasSquarePixelsInAWideWindow()
{
    MainWindow main;
    double **image = makeImage(128, 128, [](int, int) { return 1000.0; });
    MriView view(main.session(), ViewNewRecording, image, 128, 128);
    view.setLevelWidth(500, 100);
    place(view, 400, 300);
    const ImageRect rect = view.pictureRect();
    QCOMPARE(rect.x0, 50);
    QCOMPARE(rect.y0, 0);
    QCOMPARE(rect.width, 300);
    QCOMPARE(rect.height, 300);
    QCOMPARE(pixelAt(view, 25, 150), grey(0));
    QCOMPARE(pixelAt(view, 51, 150), grey(255));
    QCOMPARE(pixelAt(view, 349, 150), grey(255));
    QCOMPARE(pixelAt(view, 375, 150), grey(0));
}

// Rows run across the picture, columns down it; sizes that fill neither whole
// bands nor whole blocks of the painter.
void MriViewTest::everyPixelLandsInItsPlace()
{
    MainWindow main;
    const int rows = 37;
    const int cols = 29;
    const auto value = [](int x, int y) { return double((x * 7 + y * 3) % 256); };
    MriView view(main.session(), ViewNewRecording, makeImage(rows, cols, value), rows, cols);
    view.setLevelWidth(128, 255); // grey = value
    place(view, 6 * rows, 6 * cols);
    const ImageRect rect = view.pictureRect();
    QCOMPARE(rect.width, 6 * rows);
    QCOMPARE(rect.height, 6 * cols);
    const QImage shot = view.grab().toImage();
    for (int x = 1; x <= rows; ++x)
        for (int y = 1; y <= cols; ++y)
            QCOMPARE(shot.pixel(rect.x0 + 6 * x - 3, rect.y0 + 6 * y - 3), grey(int(value(x, y))));
}

void MriViewTest::ownStatusBarSitsBelowThePicture()
{
    MainWindow main;
    makeMriCase(main, 64, 64, 1000, 500, 100);
    MriView view(main.session(), ViewHydrogenDensity);
    place(view, 400, 300 + kStatusBarHeight);
    QCOMPARE(view.viewStatusBar()->geometry(), QRect(0, 300, 400, kStatusBarHeight));
    QCOMPARE(view.areaWidth(), 400);
    QCOMPARE(view.areaHeight(), 300);
    QCOMPARE(view.pictureRect().x0, 50);
    QCOMPARE(view.pictureRect().height, 300);
}

void MriViewTest::crossMarkerContrastsWithPixel()
{
    MainWindow main;
    makeMriCase(main, 64, 64, 1000, 500, 100);
    main.session().caseData.pd[11][21] = 0;
    MriView view(main.session(), ViewHydrogenDensity);
    place(view, 256, 256 + kStatusBarHeight);
    view.setLevelWidth(500, 1000);

    view.setCursorPixel(10, 20); // value 0: dark, marker yellow
    QCOMPARE(view.crossMarker()->pos(), QPoint(10 * 4 - 1, 20 * 4 - 1));
    QCOMPARE(view.crossMarker()->pixmap().toImage().pixel(1, 1), qRgb(255, 255, 0));

    view.setCursorPixel(30, 40); // value 1000: bright, marker dark green
    QCOMPARE(view.crossMarker()->pos(), QPoint(30 * 4 - 1, 40 * 4 - 1));
    QCOMPARE(view.crossMarker()->pixmap().toImage().pixel(1, 1), qRgb(0, 128, 0));
    // The corners of the plus are transparent.
    QCOMPARE(qAlpha(view.crossMarker()->pixmap().toImage().pixel(0, 0)), 0);
}

void MriViewTest::crossMarkerLeavesOnPixelsOutside()
{
    MainWindow main;
    makeMriCase(main, 8, 8, 1000, 500, 100);
    MriView view(main.session(), ViewHydrogenDensity);
    place(view, 256, 256);
    for (const QPoint &outside : {QPoint(-1, 0), QPoint(8, 0), QPoint(0, 8), QPoint(0, -1)}) {
        view.setCursorPixel(2, 2);
        view.setCursorPixel(outside.x(), outside.y());
        QCOMPARE(view.crossMarker()->pos(), QPoint(-2, -2));
    }
}

void MriViewTest::significantPixelsAreColoured()
{
    MainWindow main;
    CaseData &data = main.session().caseData;
    data.rows = 2;
    data.cols = 2;
    data.frames = 1;
    data.isMri = false;
    data.pValue = makeImage(2, 2, [](int x, int y) { return x == 1 ? (y == 1 ? 0.02 : 0.05) : 0.08; });
    double **image = makeImage(2, 2, [](int x, int y) { return x == 2 && y == 2 ? 300.0 : -300.0; });
    MriView view(main.session(), ViewNewRecording, image, 2, 2);
    view.setLevelWidth(300, 2);
    place(view, 200, 200);
    const QImage shot = view.grab().toImage();
    QCOMPARE(shot.pixel(50, 50), qRgb(255, 255, 0));
    QCOMPARE(shot.pixel(50, 150), qRgb(255, 165, 0));
    QCOMPARE(shot.pixel(150, 50), qRgb(255, 69, 0));
    QCOMPARE(shot.pixel(120, 120), grey(128));
    // The frame time is written in white around (183, 183).
    bool white = false;
    for (int x = 160; x < 200 && !white; ++x)
        for (int y = 175; y < 192 && !white; ++y)
            white = shot.pixel(x, y) == qRgb(255, 255, 255);
    QVERIFY(white);
}

void MriViewTest::gradientArrowPointsRightAtNinetyDegrees()
{
    MainWindow main;
    makeMriCase(main, 64, 64, 0, 0, 0); // black picture
    addHorizontalTensors(main, 0);
    main.session().allowDti = true;
    main.session().recording.technique = TechniqueSingleDirection;
    main.session().recording.gradientAngle = 90;
    bool dialShown = false;
    ModalDriver driver(answerTiming(QStringLiteral("40"), QStringLiteral("500"), true, [&](TeTr &dialog) {
        dialShown = dialog.dtiDial->isVisible();
    }));
    std::unique_ptr<MriView> view(new MriView(main.session(), ViewNewRecording));
    QVERIFY(dialShown);
    QCOMPARE(view->technique(), int(TechniqueSingleDirection));
    QCOMPARE(view->recordingParams().gradientAngle, 90.0);
    place(*view, 256, 256 + kStatusBarHeight);
    const QImage shot = view->grab().toImage();
    QCOMPARE(shot.pixel(35, 25), qRgb(255, 255, 0)); // right half of the shaft
    QCOMPARE(shot.pixel(25, 12), grey(0));           // nothing above the centre

    // A map made after it carries no diffusion weighting, and no arrow.
    std::unique_ptr<MriView> map(new MriView(main.session(), ViewHydrogenDensity));
    place(*map, 256, 256 + kStatusBarHeight);
    QCOMPARE(map->grab().toImage().pixel(35, 25), grey(0));
}

void MriViewTest::tensorGlyphsAreDrawnOverBrightTissue()
{
    MainWindow main;
    makeMriCase(main, 32, 32, 1000, 500, 100);
    addHorizontalTensors(main, 1); // technique 4 shows 100 n = 100 everywhere
    main.session().allowDti = true;
    main.session().recording.technique = TechniqueDti;
    ModalDriver driver(answerTiming(QStringLiteral("40"), QStringLiteral("500")));
    std::unique_ptr<MriView> view(new MriView(main.session(), ViewNewRecording));
    QCOMPARE(view->technique(), int(TechniqueDti));
    QCOMPARE(view->imageData()[1][1], 100.0);
    place(*view, 256, 256 + kStatusBarHeight);
    const QImage shot = view->grab().toImage();
    // Glyph step 2 image pixels: the first centre is pixel (1, 1) at (8, 8), a
    // horizontal stroke of 12 pixels in dark green over the white picture.
    const QRgb onGlyph = shot.pixel(11, 8);
    QVERIFY(qRed(onGlyph) < 100 && qGreen(onGlyph) > 100);
    QCOMPARE(shot.pixel(8, 12), grey(255));
}

RELAXON_TEST_CLASS(MriViewTest)
#include "test_mriview.moc"
