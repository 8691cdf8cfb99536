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
#include <limits>
#include <memory>

namespace {

// Signal values are products of a few exponentials of order-one arguments.
constexpr double kSignalTolerance = 1e-9;
constexpr int kStatusBarHeight = 20;

// Shown at the given size (a hidden widget gets its resize event only when shown)
// and grabbed.
QImage shot(MriView &view, int width, int height)
{
    view.resize(width, height);
    view.show();
    return view.grab().toImage();
}

QRgb grey(int g)
{
    return qRgb(g, g, g);
}

std::unique_ptr<MriView> newRecording(MainWindow &main)
{
    return std::make_unique<MriView>(main.session(), ViewNewRecording);
}

} // namespace

class MriViewTest : public QObject
{
    Q_OBJECT

private slots:
    void newRecordingComputesTheAcceptedTiming_data()
    {
        QTest::addColumn<bool>("prepulse");
        QTest::addColumn<QString>("title");
        QTest::addColumn<double>("signal");
        QTest::newRow("spin echo") << false << " Te=40 / Tr=500" << 1000 * std::exp(-0.4) * (1 - std::exp(-1.0));
        QTest::newRow("inversion prepulse Tp 500, Tr 800") << true << " Te=40 / Tr=800 / Tp=500"
            << 1000 * std::exp(-0.4) * (1 - std::exp(-1.6)) * std::abs(2 * std::exp(-1.0) - 1);
    }
    void newRecordingComputesTheAcceptedTiming()
    {
        QFETCH(bool, prepulse);
        QFETCH(double, signal);
        MainWindow main;
        makeMriCase(main.session(), 8, 1000, 500, 100, -1, 6);
        main.session().allowPrepulse = true;
        ModalDriver driver(answerTiming("40", "500", true, [prepulse](TeTr &dialog) {
            if (!prepulse)
                return;
            QTest::mouseClick(dialog.tpCheck, Qt::LeftButton, {}, QPoint(6, dialog.tpCheck->height() / 2));
            dialog.tpEdit->setText(QStringLiteral("500"));
            dialog.trEdit->setText(QStringLiteral("800"));
        }));
        std::unique_ptr<MriView> view = newRecording(main);
        QCOMPARE(driver.answered, 1);
        QCOMPARE(QSize(view->rows(), view->cols()), QSize(8, 6));
        QTEST(view->windowTitle(), "title");
        QVERIFY(std::abs(view->imageData()[8][6] - signal) < kSignalTolerance * signal);
        const RecordingParams &kept = main.session().recording;
        QCOMPARE(QList<int>({kept.te, kept.prepulse, kept.tp}), QList<int>({40, prepulse, prepulse ? 500 : 100}));
        QCOMPARE(view->minimumSize(), QSize(256, 200));

        // Cancelled, the timing stays and the view paints black.
        ModalDriver cancel(answerTiming("90", "900", false));
        std::unique_ptr<MriView> cancelled = newRecording(main);
        QVERIFY(!cancelled->hasImage());
        QCOMPARE(main.session().recording.te, 40);
        QCOMPARE(shot(*cancelled, 200, 220).pixel(100, 100), grey(0));
    }

    void noisyRecordingsKeepTheirOwnPattern()
    {
        MainWindow main;
        makeMriCase(main.session(), 8, 1000, 500, 100);
        main.session().acquisition.noise = true;
        main.session().acquisition.averages = 4;
        ModalDriver driver(answerTiming("40", "500"));
        std::unique_ptr<MriView> first = newRecording(main);
        std::unique_ptr<MriView> second = newRecording(main);
        // 500 ms x 8 lines x 4 averages.
        QCOMPARE(first->windowTitle(), QStringLiteral(" Te=40 / Tr=500 \u00B7 0:16"));
        QVERIFY(first->acquisitionSettings().seed != second->acquisitionSettings().seed);

        // The image is the noiseless signal with the noise its own seed draws: sigma is
        // 1 % of the full scale halved by four averages.
        const double signal = 1000 * std::exp(-0.4) * (1 - std::exp(-1.0));
        double **expected = makeImage(8, 8, [signal](int, int) { return signal; });
        addRicianNoise(expected, 8, 8, 10.0, first->acquisitionSettings().seed);
        shot(*first, 200, 220);
        QVERIFY(std::abs(first->imageData()[8][5] - expected[8][5]) < kSignalTolerance * signal);
        QVERIFY(first->imageData()[1][1] != second->imageData()[1][1]);
        free_dmatrix(expected, 1, 8, 1);
    }

    void mapViewsShowTheirMapWithoutAsking_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("title");
        QTest::addColumn<double>("value");
        QTest::newRow("hydrogen density") << int(ViewHydrogenDensity) << " Hydrogen density" << 900.0;
        QTest::newRow("t1") << int(ViewT1) << " T1" << 600.0;
        QTest::newRow("t2") << int(ViewT2) << " T2" << 80.0;
    }
    void mapViewsShowTheirMapWithoutAsking()
    {
        QFETCH(int, kind);
        MainWindow main;
        makeMriCase(main.session(), 64, 900, 600, 80);
        main.session().recording.te = 90;
        main.session().recording.tr = 2000;
        ModalDriver driver;
        MriView view(main.session(), kind);
        QCOMPARE(driver.answered, 0);
        QTEST(view.windowTitle(), "title");
        QTEST(view.imageData()[64][64], "value");
        // Its own status bar sits below the picture, which keeps square pixels.
        const QImage picture = shot(view, 400, 300 + kStatusBarHeight);
        QCOMPARE(view.viewStatusBar()->geometry(), QRect(0, 300, 400, kStatusBarHeight));
        const ImageRect rect = view.pictureRect();
        QCOMPARE(QRect(rect.x0, rect.y0, rect.width, rect.height), QRect(50, 0, 300, 300));
        QCOMPARE(picture.pixel(25, 150), grey(0));
        QVERIFY(picture.pixel(51, 150) != grey(0));
    }

    void viewsAreBoundedByTheirOwnRange()
    {
        // T1 far beyond twice the full scale of 2000, as fluid is in a case of low PD:
        // the map's range, 5000 (4500 rounded up), bounds it, so its automatic window
        // stays reachable.
        MainWindow main;
        makeMriCase(main.session(), 4, 100, 4500, 100);
        main.session().caseData.t1[1][1] = 0;
        MriView t1(main.session(), ViewT1);
        QCOMPARE(QList<double>({t1.levelMin(), t1.levelMax(), t1.widthMin(), t1.widthMax()}),
                 QList<double>({-5000, 10000, 1, 50000}));
        QCOMPARE(t1.displayLevel(), (t1.autoLow() + t1.autoHigh()) / 2);
        QVERIFY(t1.crossMarker()->isVisibleTo(&t1));
        MriView pd(main.session(), ViewHydrogenDensity);
        QCOMPARE(pd.levelMax(), 200.0);
        // A recording keeps the case's full scale.
        ModalDriver driver(answerTiming("10", "5000"));
        QCOMPARE(newRecording(main)->levelMax(), 4000.0);

        // Setting the window clamps it; a width of 0 restores the automatic window.
        const double autoLevel = pd.displayLevel();
        const double autoWidth = pd.displayWidth();
        pd.setLevelWidth(-5000, 30000);
        QCOMPARE(QPointF(pd.displayLevel(), pd.displayWidth()), QPointF(-100, 1000));
        QCOMPARE(pd.widthReadout()->text(), QStringLiteral(" ww: 1000 "));
        pd.setLevelWidth(5000, 0);
        QCOMPARE(QPointF(pd.displayLevel(), pd.displayWidth()), QPointF(autoLevel, autoWidth));
    }

    void automaticWindowComesFromTwoAndNinetyEightPercent()
    {
        // 10 x 10 pixels over the range -100..100 (bins two units wide): one pixel in
        // bin 0, 50 at 20 (bin 60), 48 at 40 (bin 70), one at 100 (bin 99). Bin 0 is left
        // out, so the 2 % point (1.98 pixels) lies in bin 59 and the 98 % point (97.02)
        // is passed in bin 70.
        MainWindow main;
        // Pixel i counted row by row.
        const auto image = [](double (*value)(int)) {
            return makeImage(10, 10, [value](int x, int y) { return value((x - 1) * 10 + y - 1); });
        };
        MriView view(main.session(), ViewNewRecording,
                     image([](int i) { return i == 0 ? -100.0 : i == 1 ? 100.0 : i < 52 ? 20.0 : 40.0; }), 10, 10);
        QVERIFY(!view.crossMarker()->isVisibleTo(&view));
        QCOMPARE(QPointF(view.rangeLow(), view.rangeHigh()), QPointF(-100, 100));
        QCOMPARE(QList<double>({view.histogram()[0].count, view.histogram()[60].count, view.histogram()[70].count,
                                view.histogram()[99].count}),
                 QList<double>({1, 50, 48, 1}));
        QCOMPARE(view.histogram()[60].upperEdge, 22.0);
        QCOMPARE(view.histogramPeak(), 50.0);
        QCOMPARE(QPointF(view.autoLow(), view.autoHigh()), QPointF(18, 38));
        QCOMPARE(QPointF(view.displayLevel(), view.displayWidth()), QPointF(28, 20));
        QCOMPARE(view.levelReadout()->text(), QStringLiteral(" wl:   28 "));
        // Not an MRI case: bounds from the range.
        QCOMPARE(QList<double>({view.levelMin(), view.levelMax(), view.widthMax()}), QList<double>({-200, 200, 1000}));

        // All but two pixels in bin 50: the 2 % and 98 % points meet in bin 49, and the
        // window falls back to the whole range.
        MriView equal(main.session(), ViewNewRecording,
                      image([](int i) { return i == 0 ? -100.0 : i == 1 ? 100.0 : 0.0; }), 10, 10);
        QCOMPARE(QPointF(equal.autoLow(), equal.autoHigh()), QPointF(-100, 98));

        // 302 rounded up on the 1, 1.5, 2, 3, 5, 8 series; the smallest value counted is 0.
        double **small = makeImage(3, 2, [](int x, int y) { return 100.0 * x + y; });
        MriView given(main.session(), ViewNewRecording, small, 3, 2);
        QCOMPARE(QPointF(given.rangeLow(), given.rangeHigh()), QPointF(1, 500));
    }

    void valuesBetweenZeroAndOnePaintBlackUntilWindowIsSet()
    {
        MainWindow main;
        double **image = makeImage(4, 4, [](int x, int y) { return (x + y) / 10.0; });
        MriView view(main.session(), ViewNewRecording, image, 4, 4);
        QCOMPARE(QPointF(view.rangeLow(), view.rangeHigh()), QPointF(1, 1));
        QCOMPARE(view.histogram()[0].count, 16.0);
        QCOMPARE(QPointF(view.displayLevel(), view.displayWidth()), QPointF(1, 0));
        QCOMPARE(shot(view, 200, 200).pixel(100, 100), grey(0));

        view.setLevelWidth(5000, 0);
        QCOMPARE(QPointF(view.displayLevel(), view.displayWidth()), QPointF(1, 1));
        // Level 1, width 1: value 0.8 gives round(0.8 * 255 + 128 - 255) = 77.
        QCOMPARE(view.grab().toImage().pixel(175, 175), grey(77));
    }

    void brokenValuesPaintSafely()
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
        QVERIFY(std::isfinite(view.displayLevel()) && std::isfinite(view.displayWidth()));
        view.setLevelWidth(100, 200);
        const QImage picture = shot(view, 200, 400);
        QCOMPARE(picture.pixel(50, 50), grey(0)); // NaN paints black
        QCOMPARE(picture.pixel(50, 150), grey(255));
        QCOMPARE(picture.pixel(50, 250), grey(0));
        // Value 0 gives 0.5 and rounds away from zero, value 5 gives 6.875.
        QCOMPARE(picture.pixel(150, 150), grey(1));
        QCOMPARE(picture.pixel(150, 250), grey(7));
    }

    // Rows run across the picture, columns down it; sizes that fill neither whole
    // bands nor whole blocks of the painter.
    void everyPixelLandsInItsPlace()
    {
        MainWindow main;
        const int rows = 37;
        const int cols = 29;
        const auto value = [](int x, int y) { return double((x * 7 + y * 3) % 256); };
        MriView view(main.session(), ViewNewRecording, makeImage(rows, cols, value), rows, cols);
        view.setLevelWidth(128, 255); // grey = value
        const QImage picture = shot(view, 6 * rows, 6 * cols);
        const ImageRect rect = view.pictureRect();
        for (int x = 1; x <= rows; ++x)
            for (int y = 1; y <= cols; ++y)
                QCOMPARE(picture.pixel(rect.x0 + 6 * x - 3, rect.y0 + 6 * y - 3), grey(int(value(x, y))));
        // Inverted, the grey scale runs the other way.
        view.setInvert(true);
        QCOMPARE(view.grab().toImage().pixel(rect.x0 + 3, rect.y0 + 3), grey(255 - int(value(1, 1))));
    }

    void crossMarkerContrastsWithPixel()
    {
        MainWindow main;
        makeMriCase(main.session(), 64, 1000, 500, 100);
        main.session().caseData.pd[11][21] = 0;
        MriView view(main.session(), ViewHydrogenDensity);
        shot(view, 256, 256 + kStatusBarHeight);
        view.setLevelWidth(500, 1000);

        view.setCursorPixel(10, 20); // value 0: dark, marker yellow
        QCOMPARE(view.crossMarker()->pos(), QPoint(10 * 4 - 1, 20 * 4 - 1));
        QCOMPARE(view.crossMarker()->pixmap().toImage().pixel(1, 1), qRgb(255, 255, 0));
        view.setCursorPixel(30, 40); // value 1000: bright, marker dark green
        QCOMPARE(view.crossMarker()->pos(), QPoint(30 * 4 - 1, 40 * 4 - 1));
        QCOMPARE(view.crossMarker()->pixmap().toImage().pixel(1, 1), qRgb(0, 128, 0));
        // The corners of the plus are transparent.
        QCOMPARE(qAlpha(view.crossMarker()->pixmap().toImage().pixel(0, 0)), 0);

        for (const QPoint &outside : {QPoint(-1, 0), QPoint(64, 0), QPoint(0, 64), QPoint(0, -1)}) {
            view.setCursorPixel(2, 2);
            view.setCursorPixel(outside.x(), outside.y());
            QCOMPARE(view.crossMarker()->pos(), QPoint(-2, -2));
        }
    }

    void significantPixelsAreColoured()
    {
        MainWindow main;
        CaseData &data = main.session().caseData;
        data.rows = data.cols = 2;
        data.frames = 1;
        // The last p-value lies on the boundary of the weakest colour.
        data.pValue = makeImage(2, 2, [](int x, int y) { return x == 1 ? (y == 1 ? 0.02 : 0.05) : 0.2 / 3; });
        double **image = makeImage(2, 2, [](int x, int y) { return x == 2 && y == 2 ? 300.0 : -300.0; });
        MriView view(main.session(), ViewNewRecording, image, 2, 2);
        view.setLevelWidth(300, 2);
        const QImage picture = shot(view, 200, 200);
        QCOMPARE(picture.pixel(50, 50), qRgb(255, 255, 0));
        QCOMPARE(picture.pixel(50, 150), qRgb(255, 165, 0));
        QCOMPARE(picture.pixel(150, 50), qRgb(255, 69, 0));
        QCOMPARE(picture.pixel(120, 120), grey(128));
        // The frame time is written in white around (183, 183).
        bool white = false;
        for (int i = 0; i < 40 * 17; ++i)
            white = white || picture.pixel(160 + i % 40, 175 + i / 40) == qRgb(255, 255, 255);
        QVERIFY(white);
    }

    void diffusionOverlaysAreDrawn()
    {
        // A black picture: the gradient arrow of a single direction at 90 degrees points right.
        MainWindow main;
        makeMriCase(main.session(), 64, 0, 0, 0, 0);
        main.session().recording.technique = TechniqueSingleDirection;
        main.session().recording.gradientAngle = 90;
        bool dialShown = false;
        ModalDriver driver(
            answerTiming("40", "500", true, [&](TeTr &dialog) { dialShown = dialog.dtiDial->isVisible(); }));
        std::unique_ptr<MriView> arrow = newRecording(main);
        QVERIFY(dialShown);
        QImage picture = shot(*arrow, 256, 256 + kStatusBarHeight);
        QCOMPARE(picture.pixel(35, 25), qRgb(255, 255, 0)); // right half of the shaft
        QCOMPARE(picture.pixel(25, 12), grey(0));           // nothing above the centre
        // A map made after it carries no diffusion weighting, and no arrow.
        MriView map(main.session(), ViewHydrogenDensity);
        QCOMPARE(shot(map, 256, 256 + kStatusBarHeight).pixel(35, 25), grey(0));

        // Tensors of norm 1 shown by technique 4 as 100 n = 100 everywhere, the glyphs
        // 2 image pixels apart: the first centre is pixel (1, 1) at (8, 8), a horizontal
        // stroke of 12 pixels in dark green over the white picture.
        MainWindow dti;
        makeMriCase(dti.session(), 32, 1000, 500, 100, 1);
        dti.session().recording.technique = TechniqueDti;
        std::unique_ptr<MriView> glyphs = newRecording(dti);
        QCOMPARE(glyphs->imageData()[1][1], 100.0);
        picture = shot(*glyphs, 256, 256 + kStatusBarHeight);
        QVERIFY(qRed(picture.pixel(11, 8)) < 100 && qGreen(picture.pixel(11, 8)) > 100);
        QCOMPARE(picture.pixel(8, 12), grey(255));
    }
};

RELAXON_TEST_CLASS(MriViewTest)
#include "test_mriview.moc"
