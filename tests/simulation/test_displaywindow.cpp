#include "numerics/matrixmemory.h"
#include "simulation/displaywindow.h"
#include "testrunner.h"

#include <QTest>

#include <cmath>
#include <limits>

namespace {

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
    void imageWithinZeroAndOneHasEmptyRangeAndZeroWidth()
    {
        Image image(4, 4, [](int32 x, int32 y) { return (x + y) / 10.0; });
        const AutoDisplayWindow window = autoLevelWidth(image.m, image.rows, image.cols);
        QCOMPARE(window.rangeLow, 1.0);
        QCOMPARE(window.rangeHigh, 1.0);
        QCOMPARE(window.histogram[0].count, 16.0);
        QCOMPARE(window.histogramPeak, 1.0);
        QCOMPARE(window.level, 1.0);
        QCOMPARE(window.width, 0.0);
    }

    void uniformRampGivesTwoAndNinetyEightPercentBins()
    {
        // 100 x 100 pixels with values 0..9999 over a range rounded to 1 .. 10000:
        // a hundred pixels per bin from bin 1 on.
        Image image(100, 100, [](int32 x, int32 y) { return double((x - 1) * 100 + (y - 1)); });
        const AutoDisplayWindow window = autoLevelWidth(image.m, image.rows, image.cols);
        QCOMPARE(window.rangeLow, 1.0);
        QCOMPARE(window.rangeHigh, 10000.0);
        QCOMPARE(window.histogram[99].upperEdge, 10000.0);
        QCOMPARE(window.histogram[0].upperEdge, 1.0 + 9999.0 / 100);

        // Walk the bins independently of the implementation's loop.
        double total = 0;
        for (int i = 0; i < kHistogramBins; ++i)
            total += window.histogram[i].count;
        QCOMPARE(total, 10000.0);
        const double counted = total - window.histogram[0].count;
        double cumulative = 0;
        int low = 0, high = 99;
        for (int i = 1; i < kHistogramBins; ++i) {
            cumulative += window.histogram[i].count;
            if (cumulative < 0.02 * counted)
                low = i;
            if (cumulative > 0.98 * counted) {
                high = i - 1;
                break;
            }
        }
        const double step = 9999.0 / 100;
        QCOMPARE(window.autoLow, 1 + low * step);
        QCOMPARE(window.autoHigh, 1 + high * step);
        QVERIFY(low >= 1 && low <= 3);
        QVERIFY(high >= 96 && high <= 98);
        QCOMPARE(window.width, window.autoHigh - window.autoLow);
        QCOMPARE(window.level, (window.autoHigh + window.autoLow) / 2);
    }

    void negativeValuesWidenRangeDownwards()
    {
        Image image(2, 2, [](int32 x, int32 y) { return x == 1 && y == 1 ? -4.0 : 620.0; });
        const AutoDisplayWindow window = autoLevelWidth(image.m, image.rows, image.cols);
        QCOMPARE(window.rangeLow, -5.0);
        QCOMPARE(window.rangeHigh, 800.0);
        QCOMPARE(window.histogram[0].count, 1.0);
    }

    void nonFiniteValuesDoNotWidenRange()
    {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        Image image(2, 2, [&](int32 x, int32 y) {
            return x == 1 ? (y == 1 ? nan : inf) : 300.0;
        });
        const AutoDisplayWindow window = autoLevelWidth(image.m, image.rows, image.cols);
        QCOMPARE(window.rangeHigh, 300.0);
        QVERIFY(std::isfinite(window.level));
        QVERIFY(std::isfinite(window.width));
    }

    void greyLevelsFollowLevelAndWidth_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("invert");
        QTest::addColumn<int>("grey");
        // Level 500, width 1000: 0 maps to 0.5, rounded away from zero.
        QTest::newRow("0") << 0.0 << false << 1;
        QTest::newRow("level") << 500.0 << false << 128;
        QTest::newRow("above white: clamped") << 1000.0 << false << 255;
        QTest::newRow("far below black: clamped") << -5000.0 << false << 0;
        QTest::newRow("0 inverted") << 0.0 << true << 254;
        QTest::newRow("level inverted") << 500.0 << true << 127;
        QTest::newRow("white inverted") << 1000.0 << true << 0;
        QTest::newRow("NaN: black") << std::numeric_limits<double>::quiet_NaN() << false << 0;
    }

    void greyLevelsFollowLevelAndWidth()
    {
        QFETCH(double, value);
        QFETCH(bool, invert);
        QFETCH(int, grey);
        QCOMPARE(levelToGrey(value, 500, 1000, invert), grey);
    }

    void unclampedGreyKeepsValuesBeyondWhite()
    {
        QCOMPARE(levelToGrey(1000, 500, 1000, false, GreyRange::Unclamped), 256);
        QCOMPARE(levelToGrey(1000, 500, 1000, true, GreyRange::Unclamped), -1);
        QCOMPARE(levelToGrey(1e300, 500, 1000, false, GreyRange::Unclamped) > 255, true);
    }

    void zeroWidthPaintsBlack()
    {
        QCOMPARE(levelToGrey(5, 1, 0, false), 0);
        QCOMPARE(levelToGrey(5, 1, 0, true), 0);
    }
};

RELAXON_TEST_CLASS(TestDisplayWindow)

#include "test_displaywindow.moc"
