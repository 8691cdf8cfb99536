#include "numerics/matrixmemory.h"
#include "simulation/displaywindow.h"
#include "simulation/greypixels.h"
#include "simulation/widthslider.h"
#include "testrunner.h"

#include <QTest>

#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>
#include <random>
#include <vector>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// An automatic window expected of a square image.
struct Window
{
    QList<double> pixels;
    double rangeLow, rangeHigh, inBinZero, peak, autoLow, autoHigh;
};

} // namespace

Q_DECLARE_METATYPE(Window)

class TestDisplayWindow : public QObject
{
    Q_OBJECT

private slots:
    void niceCeilingRoundsAwayFromZero()
    {
        const double rows[][2] = {{0, 1},       {0.3, 1},       {1, 1},         {1.5, 1.5},  {1.6, 2},
                                  {3, 3},       {4, 5},         {8, 8},         {10, 10},    {620, 800},
                                  {2761, 3000}, {-4, -5},       {-0.3, -1},     {-1500, -1500},
                                  {kNaN, kNaN}, {kInf, kInf},   {-kInf, -kInf}, {1.7e308, 1.7e308}};
        for (const auto &[x, expected] : rows)
            QCOMPARE(niceCeiling(x), expected);
    }

    void autoWindowSpansTwoToNinetyEightPercent_data()
    {
        QTest::addColumn<Window>("window");
        // No bin from 1 on lies between 2 % and 98 %: the window spans bins 0..99.
        QTest::newRow("within 0 and 1: empty range") << Window{{0.2, 0.3, 0.3, 0.4}, 1, 1, 4, 1, 1, 1};
        QTest::newRow("negative value widens it down")
            << Window{{-4, 620, 620, 620}, -5, 800, 1, 3, -5, -5 + 99 * 805.0 / 100};
        QTest::newRow("non-finite values do not widen it")
            << Window{{kNaN, kInf, 300, 300}, 1, 300, 2, 2, 1, 1 + 99 * 299.0 / 100};
        // Values 0..9999 over 1 .. 10000, bins of 99.99: bin 0 takes 0..50, bin 99
        // 9851..9999, the others 100 each. Of the 9949 counted, 2 % (199) lies in
        // bin 1; 98 % (9750) is passed in bin 98.
        QList<double> ramp(10000);
        std::iota(ramp.begin(), ramp.end(), 0.0);
        QTest::newRow("ramp") << Window{ramp, 1, 10000, 51, 149, 1 + 9999.0 / 100, 1 + 97 * 9999.0 / 100};
    }

    void autoWindowSpansTwoToNinetyEightPercent()
    {
        QFETCH(Window, window);
        const int32 side = int32(std::lround(std::sqrt(window.pixels.size())));
        double **image = dmatrix(1, side, 1, side);
        for (int32 x = 1; x <= side; ++x)
            for (int32 y = 1; y <= side; ++y)
                image[x][y] = window.pixels[(x - 1) * side + y - 1];
        const AutoDisplayWindow computed = autoLevelWidth(image, side, side);
        free_dmatrix(image, 1, side, 1);
        QCOMPARE(computed.rangeLow, window.rangeLow);
        QCOMPARE(computed.rangeHigh, window.rangeHigh);
        QCOMPARE(computed.histogram[0].count, window.inBinZero);
        QCOMPARE(computed.histogram[0].upperEdge, window.rangeLow + (window.rangeHigh - window.rangeLow) / 100);
        QCOMPARE(computed.histogram[99].upperEdge, window.rangeHigh);
        QCOMPARE(computed.histogramPeak, window.peak);
        QCOMPARE(computed.autoLow, window.autoLow);
        QCOMPARE(computed.autoHigh, window.autoHigh);
        QCOMPARE(computed.width, window.autoHigh - window.autoLow);
        QCOMPARE(computed.level, (window.autoHigh + window.autoLow) / 2);
    }

    void greyLevelsFollowLevelAndWidth()
    {
        // Level 500: with width 1000 the value 0 maps to 0.5, rounded away from zero;
        // unclamped greys saturate at a million.
        const struct { double value, width; bool invert, clamped; int grey; } rows[] = {
            {0, 1000, false, true, 1},         {500, 1000, false, true, 128},   {1000, 1000, false, true, 255},
            {-5000, 1000, false, true, 0},     {0, 1000, true, true, 254},      {500, 1000, true, true, 127},
            {1000, 1000, true, true, 0},       {kNaN, 1000, false, true, 0},    {1000, 1000, false, false, 256},
            {1000, 1000, true, false, -1},     {1e300, 1000, false, false, 1000000},
            {5, 0, false, true, 0},            {5, 0, true, true, 0}};
        for (const auto &r : rows)
            QVERIFY2(levelToGrey(r.value, 500, r.width, r.invert, r.clamped ? GreyRange::Clamped : GreyRange::Unclamped)
                         == r.grey, qPrintable(QString::number(r.value)));
    }

    // Painting turns values into grey pixels many at a time; each must be the grey
    // of levelToGrey, for windows with ties at every half (width 255), odd ones,
    // width 0 and a NaN width.
    void greyPixelsMatchLevelToGrey()
    {
        std::vector<double> values = {kNaN, kInf, -kInf, 0, -0.0, 1e300, -1e300, 0.49999999999999994,
                                      0.5, 254.5, 255.5, -0.5};
        for (int i = -300; i <= 1300; ++i)
            values.push_back(i * 0.5);
        std::mt19937_64 random(7);
        std::uniform_real_distribution<double> spread(-2000, 3000);
        for (int i = 0; i < 2000; ++i)
            values.push_back(spread(random));
        std::vector<std::uint32_t> pixels(values.size());
        const double windows[][2] = {{500, 1000}, {127.5, 255}, {-37.25, 3.7}, {100, 0}, {100, kNaN}};
        for (const auto &[level, width] : windows)
            for (bool invert : {false, true}) {
                greyPixels(values.data(), pixels.data(), int(values.size()), level, width, invert);
                for (std::size_t i = 0; i < values.size(); ++i) {
                    const std::uint32_t g = std::uint32_t(levelToGrey(values[i], level, width, invert));
                    QCOMPARE(pixels[i], 0xff000000u | (g << 16) | (g << 8) | g);
                }
            }
    }
};

class TestWidthSlider : public QObject
{
    Q_OBJECT

private slots:
    void positionsOfWidths()
    {
        // 10^0.5 = 3.16227766016838; log10(1399 * 100 / 15000 + 1) = log10(10.32667)
        // = 1.01396; log10(2 * 100 / 2000 + 1) = log10(1.1) = 0.0413927.
        const struct { double width, widthMax; int position; } rows[] = {
            {1, 1000, 0},       {91, 1000, 1000}, {991, 1000, 2000}, {1 + 2.16227766016838 * 200, 20000, 500},
            {19801, 20000, 2000}, {1400, 15000, 1014}, {3, 2000, 41},
            // Off the scale: widths 0, below 1, negative, too large, endless or NaN;
            // a scale of 0 or NaN.
            {0, 10, 0}, {0, 50, 0}, {-5, 1000, 0}, {1e6, 1000, 2000}, {kInf, 1000, 2000},
            {kNaN, 1000, 0}, {100, 0, 0}, {100, kNaN, 0}};
        for (const auto &r : rows)
            QVERIFY2(widthToSlider(r.width, r.widthMax) == r.position, qPrintable(QString::number(r.width)));
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
        // NaN gives 0; values beyond a slider's reach stop at a billion.
        for (const auto &[value, position] : {std::pair{2.5, 3}, {-2.5, -3}, {1234.4999, 1234}, {kNaN, 0},
                                              {1e300, 1000000000}, {-kInf, -1000000000}})
            QCOMPARE(sliderValue(value), position);
    }
};

RELAXON_TEST_CLASS(TestDisplayWindow)
RELAXON_TEST_CLASS(TestWidthSlider)

#include "test_displaywindow.moc"
