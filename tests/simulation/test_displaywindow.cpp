#include "numerics/matrixmemory.h"
#include "simulation/displaywindow.h"
#include "simulation/greypixels.h"
#include "simulation/widthslider.h"
#include "testrunner.h"

#include <QTest>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// An image of rows x cols whose pixels are filled by value(x, y); released on exit.
struct Image
{
    double **m;
    int32 rows;
    int32 cols;

    template <typename Fill>
    Image(int32 r, int32 c, Fill value) : m(dmatrix(1, r, 1, c)), rows(r), cols(c)
    {
        for (int32 x = 1; x <= rows; ++x)
            for (int32 y = 1; y <= cols; ++y)
                m[x][y] = value(x, y);
    }
    ~Image() { free_dmatrix(m, 1, rows, 1); }
};

} // namespace

class TestDisplayWindow : public QObject
{
    Q_OBJECT

private slots:
    void niceCeilingRoundsAwayFromZero_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("expected");
        const double rows[][2] = {{0, 1},       {0.3, 1},       {1, 1},         {1.5, 1.5},  {1.6, 2},
                                  {3, 3},       {4, 5},         {8, 8},         {10, 10},    {620, 800},
                                  {2761, 3000}, {-4, -5},       {-0.3, -1},     {-1500, -1500},
                                  {kNaN, kNaN}, {kInf, kInf},   {-kInf, -kInf}, {1.7e308, 1.7e308}};
        for (const auto &row : rows)
            QTest::addRow("%g", row[0]) << row[0] << row[1];
    }

    void niceCeilingRoundsAwayFromZero()
    {
        QFETCH(double, x);
        QFETCH(double, expected);
        QCOMPARE(niceCeiling(x), expected);
    }

    void autoWindowOfSmallImages_data()
    {
        QTest::addColumn<QList<double>>("pixels");
        QTest::addColumn<double>("rangeLow");
        QTest::addColumn<double>("rangeHigh");
        QTest::addColumn<double>("inBinZero");
        QTest::addColumn<double>("peak");
        QTest::addColumn<double>("autoHigh");
        // No bin from 1 on is between 2 % and 98 %: the window spans bins 0..99.
        QTest::newRow("within 0 and 1: empty range") << QList<double>{0.2, 0.3, 0.3, 0.4} << 1.0 << 1.0 << 4.0 << 1.0 << 1.0;
        QTest::newRow("negative value widens it down") << QList<double>{-4, 620, 620, 620} << -5.0 << 800.0 << 1.0
                                                       << 3.0 << -5 + 99 * 805.0 / 100;
        QTest::newRow("non-finite values do not widen it") << QList<double>{kNaN, kInf, 300, 300} << 1.0 << 300.0
                                                           << 2.0 << 2.0 << 1 + 99 * 299.0 / 100;
    }

    void autoWindowOfSmallImages()
    {
        QFETCH(QList<double>, pixels);
        QFETCH(double, rangeLow);
        QFETCH(double, rangeHigh);
        QFETCH(double, inBinZero);
        QFETCH(double, peak);
        QFETCH(double, autoHigh);
        Image image(2, 2, [&](int32 x, int32 y) { return pixels[2 * (x - 1) + y - 1]; });
        const AutoDisplayWindow window = autoLevelWidth(image.m, 2, 2);
        QCOMPARE(window.rangeLow, rangeLow);
        QCOMPARE(window.rangeHigh, rangeHigh);
        QCOMPARE(window.histogram[0].count, inBinZero);
        QCOMPARE(window.histogramPeak, peak);
        QCOMPARE(window.width, autoHigh - rangeLow);
        QCOMPARE(window.level, (autoHigh + rangeLow) / 2);
    }

    void uniformRampGivesTwoAndNinetyEightPercentBins()
    {
        // 100 x 100 pixels with values 0..9999 over a range rounded to 1 .. 10000,
        // bins of 99.99: bin 0 takes 0..50, bin 99 9851..9999, the others 100 each.
        // Of the 9949 counted, 2 % (199) lies in bin 1; 98 % (9750) is passed in bin 98.
        Image image(100, 100, [](int32 x, int32 y) { return double((x - 1) * 100 + (y - 1)); });
        const AutoDisplayWindow window = autoLevelWidth(image.m, image.rows, image.cols);
        QCOMPARE(window.rangeHigh, 10000.0);
        QCOMPARE(window.histogram[0].count, 51.0);
        QCOMPARE(window.histogram[1].count, 100.0);
        QCOMPARE(window.histogram[99].count, 149.0);
        QCOMPARE(window.histogram[0].upperEdge, 1.0 + 9999.0 / 100);
        QCOMPARE(window.histogram[99].upperEdge, 10000.0);
        QCOMPARE(window.histogramPeak, 149.0);
        QCOMPARE(window.autoLow, 1 + 9999.0 / 100);
        QCOMPARE(window.autoHigh, 1 + 97 * 9999.0 / 100);
        QCOMPARE(window.width, window.autoHigh - window.autoLow);
        QCOMPARE(window.level, (window.autoHigh + window.autoLow) / 2);
    }

    void greyLevelsFollowLevelAndWidth_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("width");
        QTest::addColumn<bool>("invert");
        QTest::addColumn<bool>("clamped");
        QTest::addColumn<int>("grey");
        // Level 500: with width 1000 the value 0 maps to 0.5, rounded away from zero.
        QTest::newRow("0") << 0.0 << 1000.0 << false << true << 1;
        QTest::newRow("level") << 500.0 << 1000.0 << false << true << 128;
        QTest::newRow("above white: clamped") << 1000.0 << 1000.0 << false << true << 255;
        QTest::newRow("far below black: clamped") << -5000.0 << 1000.0 << false << true << 0;
        QTest::newRow("0 inverted") << 0.0 << 1000.0 << true << true << 254;
        QTest::newRow("level inverted") << 500.0 << 1000.0 << true << true << 127;
        QTest::newRow("white inverted") << 1000.0 << 1000.0 << true << true << 0;
        QTest::newRow("NaN: black") << kNaN << 1000.0 << false << true << 0;
        QTest::newRow("unclamped beyond white") << 1000.0 << 1000.0 << false << false << 256;
        QTest::newRow("unclamped inverted") << 1000.0 << 1000.0 << true << false << -1;
        QTest::newRow("unclamped saturates") << 1e300 << 1000.0 << false << false << 1000000;
        QTest::newRow("width 0: black") << 5.0 << 0.0 << false << true << 0;
        QTest::newRow("width 0 inverted: black") << 5.0 << 0.0 << true << true << 0;
    }

    void greyLevelsFollowLevelAndWidth()
    {
        QFETCH(double, value);
        QFETCH(double, width);
        QFETCH(bool, invert);
        QFETCH(bool, clamped);
        QFETCH(int, grey);
        QCOMPARE(levelToGrey(value, 500, width, invert, clamped ? GreyRange::Clamped : GreyRange::Unclamped), grey);
    }

    void greyPixelsMatchLevelToGrey_data()
    {
        QTest::addColumn<double>("level");
        QTest::addColumn<double>("width");
        QTest::addColumn<bool>("invert");
        QTest::newRow("500 / 1000") << 500.0 << 1000.0 << false;
        QTest::newRow("500 / 1000 inverted") << 500.0 << 1000.0 << true;
        QTest::newRow("width 255: ties at every half") << 127.5 << 255.0 << false;
        QTest::newRow("width 255 inverted") << 127.5 << 255.0 << true;
        QTest::newRow("odd window") << -37.25 << 3.7 << false;
        QTest::newRow("width 0: black") << 100.0 << 0.0 << true;
        QTest::newRow("NaN width") << 100.0 << kNaN << false;
    }

    // Painting turns values into grey pixels many at a time; each must be the grey
    // of levelToGrey.
    void greyPixelsMatchLevelToGrey()
    {
        QFETCH(double, level);
        QFETCH(double, width);
        QFETCH(bool, invert);
        std::vector<double> values = {kNaN, kInf, -kInf, 0, -0.0, 1e300, -1e300, 0.49999999999999994,
                                      0.5, 254.5, 255.5, -0.5};
        for (int i = -300; i <= 1300; ++i)
            values.push_back(i * 0.5);
        std::mt19937_64 random(7);
        std::uniform_real_distribution<double> spread(-2000, 3000);
        for (int i = 0; i < 2000; ++i)
            values.push_back(spread(random));
        std::vector<std::uint32_t> pixels(values.size());
        greyPixels(values.data(), pixels.data(), int(values.size()), level, width, invert);
        for (std::size_t i = 0; i < values.size(); ++i) {
            const std::uint32_t g = std::uint32_t(levelToGrey(values[i], level, width, invert));
            QCOMPARE(pixels[i], 0xff000000u | (g << 16) | (g << 8) | g);
        }
    }
};

class TestWidthSlider : public QObject
{
    Q_OBJECT

private slots:
    void positionsOfWidths_data()
    {
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("widthMax");
        QTest::addColumn<int>("position");
        QTest::newRow("width 1 is position 0") << 1.0 << 1000.0 << 0;
        QTest::newRow("91 of 1000 is one decade: 1 + 9 * 1000 / 100") << 91.0 << 1000.0 << 1000;
        QTest::newRow("991 of 1000 is the end: 1 + 99 * 1000 / 100") << 991.0 << 1000.0 << 2000;
        // 10^0.5 = 3.16227766016838
        QTest::newRow("half a decade of a 20000 scale") << 1 + 2.16227766016838 * 200 << 20000.0 << 500;
        QTest::newRow("the end of a 20000 scale") << 19801.0 << 20000.0 << 2000;
        // log10(1399 * 100 / 15000 + 1) = log10(10.32667) = 1.01396
        QTest::newRow("1400 of 15000") << 1400.0 << 15000.0 << 1014;
        // log10(2 * 100 / 2000 + 1) = log10(1.1) = 0.0413927
        QTest::newRow("3 of 2000") << 3.0 << 2000.0 << 41;
        QTest::newRow("width 0 of an empty value range") << 0.0 << 10.0 << 0;
        QTest::newRow("width 0 far below 1 on a small scale") << 0.0 << 50.0 << 0;
        QTest::newRow("negative width") << -5.0 << 1000.0 << 0;
        QTest::newRow("width above the scale") << 1e6 << 1000.0 << 2000;
        QTest::newRow("endless width") << kInf << 1000.0 << 2000;
        QTest::newRow("width not a number") << kNaN << 1000.0 << 0;
        QTest::newRow("widthMax 0") << 100.0 << 0.0 << 0;
        QTest::newRow("widthMax not a number") << 100.0 << kNaN << 0;
    }

    void positionsOfWidths()
    {
        QFETCH(double, width);
        QFETCH(double, widthMax);
        QFETCH(int, position);
        QCOMPARE(widthToSlider(width, widthMax), position);
    }

    // Every position comes back from its width, so the hand positions above hold
    // for sliderToWidth too.
    void everyPositionSurvivesTheRoundTrip()
    {
        for (double widthMax : {10.0, 1000.0, 30000.0, 1e300})
            for (int p = 0; p <= kWidthSliderMaximum; ++p)
                QVERIFY2(widthToSlider(sliderToWidth(p, widthMax), widthMax) == p,
                         qPrintable(QStringLiteral("%1 of %2").arg(p).arg(widthMax)));
    }

    void sliderValuesRoundHalvesAwayFromZero()
    {
        QCOMPARE(sliderValue(2.5), 3);
        QCOMPARE(sliderValue(-2.5), -3);
        QCOMPARE(sliderValue(1234.4999), 1234);
        QCOMPARE(sliderValue(kNaN), 0);
        QCOMPARE(sliderValue(1e300), 1000000000);
        QCOMPARE(sliderValue(-kInf), -1000000000);
    }
};

RELAXON_TEST_CLASS(TestDisplayWindow)
RELAXON_TEST_CLASS(TestWidthSlider)

#include "test_displaywindow.moc"
