#include "cases/casedata.h"
#include "numerics/matrixmemory.h"
#include "simulation/fmristatistics.h"
#include "testrunner.h"

#include <QTest>

#include <cmath>
#include <functional>
#include <limits>

namespace {

constexpr double epsilon = std::numeric_limits<double>::epsilon();
// Sums over a 99-frame series of values near 300 round to at most this.
constexpr double seriesRounding = 99 * 302 * epsilon;
// Published figures of the worked pixel carry six significant digits.
constexpr double sixDigits = 5e-6;
constexpr double pValueDigits = 1e-7;

// Frame value of pixel (row, column) in frame f (from 1).
using Pixel = std::function<double(int32 row, int32 column, int32 frame)>;

bool isTask(int32 frame)
{
    return frame >= 3 && ((frame - 3) / 10) % 2 == 1;
}

// ±1 alternating with the frame number: each full block has variance 1.
double wobble(int32 frame)
{
    return frame % 2 == 0 ? 1.0 : -1.0;
}

double restTask(int32 frame, double rest, double task)
{
    if (frame < 3)
        return 0;
    return (isTask(frame) ? task : rest) + wobble(frame);
}

// A functional case whose series is generated per pixel and frame.
class Series
{
public:
    Series(int32 rows, int32 width, int32 frames, const Pixel &pixel)
    {
        data.rows = rows;
        data.cols = width * frames;
        data.frames = frames;
        data.pd = dmatrix(1, rows, 1, data.cols);
        for (int32 i = 1; i <= rows; ++i)
            for (int32 f = 1; f <= frames; ++f)
                for (int32 j = 1; j <= width; ++j)
                    data.pd[i][(f - 1) * width + j] = pixel(i, j, f);
        computeFmriStatistics(data);
    }
    ~Series() { data.release(); }
    Series(const Series &) = delete;
    Series &operator=(const Series &) = delete;

    CaseData data;
};

void verifyNeutral(const CaseData &data, int32 i, int32 j)
{
    QCOMPARE(data.tValue[i][j], 0.0);
    QCOMPARE(data.pValue[i][j], 0.5);
    QCOMPARE(data.activation[i][j], 0.0);
}

} // namespace

class TestFmriStatistics : public QObject
{
    Q_OBJECT

private slots:
    void workedPixelMatchesHandComputedStatistics()
    {
        Series series(1, 1, 99, [](int32, int32, int32 f) { return restTask(f, 300, 302); });
        const CaseData &d = series.data;
        QVERIFY(d.tValue && d.pValue && d.activation && d.variance && d.difference);
        // Five pairs; the last task block has 7 frames and mean 302 − 1/7.
        const double difference = 2 - 1.0 / 35;
        const double variance = 1 - 1.0 / 490;
        QVERIFY(std::fabs(d.difference[1][1] - difference) <= seriesRounding);
        QVERIFY(std::fabs(d.variance[1][1] - variance) <= seriesRounding);
        QVERIFY(std::fabs(d.tValue[1][1] - difference / std::sqrt(variance)) <= seriesRounding);
        QVERIFY(std::fabs(d.tValue[1][1] - 1.97344) <= sixDigits);
        QVERIFY(std::fabs(d.pValue[1][1] - 0.0256307) <= pValueDigits);
        QCOMPARE(d.activation[1][1], 1000 * d.tValue[1][1]);
    }

    void eachPixelIsReadFromItsOwnColumns()
    {
        auto shift = [](int32 i, int32 j) { return 0.5 * i + 0.25 * j; };
        Series series(2, 3, 99, [&](int32 i, int32 j, int32 f) {
            return restTask(f, 300 + 10 * j, 300 + 10 * j + shift(i, j));
        });
        const CaseData &d = series.data;
        for (int32 i = 1; i <= 2; ++i) {
            for (int32 j = 1; j <= 3; ++j) {
                QVERIFY(std::fabs(d.difference[i][j] - (shift(i, j) - 1.0 / 35)) <= seriesRounding);
                QVERIFY(std::fabs(d.variance[i][j] - (1 - 1.0 / 490)) <= seriesRounding);
            }
        }
    }

    void onlyRestMeansAbove250GetStatistics_data()
    {
        QTest::addColumn<double>("restLevel");
        QTest::addColumn<bool>("tested");
        QTest::newRow("rest mean 250 is below") << 250.0 << false;
        QTest::newRow("rest mean 250.5 is above") << 250.5 << true;
        QTest::newRow("dark background") << 10.0 << false;
    }

    void onlyRestMeansAbove250GetStatistics()
    {
        QFETCH(double, restLevel);
        QFETCH(bool, tested);
        Series series(1, 1, 99, [&](int32, int32, int32 f) { return restTask(f, restLevel, restLevel + 2); });
        const CaseData &d = series.data;
        QVERIFY(std::fabs(d.difference[1][1] - (2 - 1.0 / 35)) <= seriesRounding);
        QVERIFY(std::fabs(d.variance[1][1] - (1 - 1.0 / 490)) <= seriesRounding);
        if (tested)
            QVERIFY(d.tValue[1][1] > 1.9 && d.activation[1][1] > 1900 && d.pValue[1][1] < 0.05);
        else
            verifyNeutral(d, 1, 1);
    }

    void firstTwoFramesNeverMatter()
    {
        Series quiet(1, 1, 99, [](int32, int32, int32 f) { return restTask(f, 300, 302); });
        for (double early : {1e6, -5.0, std::nan("")}) {
            Series loud(1, 1, 99, [&](int32, int32, int32 f) {
                return f < 3 ? early : restTask(f, 300, 302);
            });
            QCOMPARE(loud.data.difference[1][1], quiet.data.difference[1][1]);
            QCOMPARE(loud.data.variance[1][1], quiet.data.variance[1][1]);
            QCOMPARE(loud.data.tValue[1][1], quiet.data.tValue[1][1]);
            QCOMPARE(loud.data.pValue[1][1], quiet.data.pValue[1][1]);
        }
    }

    // 92 frames end with an unfinished rest block: four full pairs, t = ±2.
    void oppositeDifferencesGiveComplementaryTails()
    {
        Series series(1, 2, 92, [](int32, int32 j, int32 f) {
            return j == 1 ? restTask(f, 300, 302) : restTask(f, 302, 300);
        });
        const CaseData &d = series.data;
        QCOMPARE(d.difference[1][1], 2.0);
        QCOMPARE(d.difference[1][2], -2.0);
        QCOMPARE(d.tValue[1][1], 2.0);
        QCOMPARE(d.tValue[1][2], -2.0);
        QVERIFY(d.pValue[1][1] < 0.05);
        QVERIFY(std::fabs(d.pValue[1][1] + d.pValue[1][2] - 1) <= epsilon);
        QCOMPARE(d.activation[1][1], 2000.0);
        QCOMPARE(d.activation[1][2], 0.0);
    }

    void thresholdUsesTheLastPairNotATrailingRestBlock_data()
    {
        QTest::addColumn<double>("pairedRest");
        QTest::addColumn<double>("trailingRest");
        QTest::addColumn<bool>("tested");
        QTest::newRow("dark pair, bright trailing rest") << 200.0 << 400.0 << false;
        QTest::newRow("bright pair, dark trailing rest") << 300.0 << 10.0 << true;
    }

    void thresholdUsesTheLastPairNotATrailingRestBlock()
    {
        QFETCH(double, pairedRest);
        QFETCH(double, trailingRest);
        QFETCH(bool, tested);
        Series series(1, 1, 30, [&](int32, int32, int32 f) {
            return f > 22 ? trailingRest : restTask(f, pairedRest, pairedRest + 10);
        });
        QCOMPARE(series.data.difference[1][1], 10.0);
        if (tested)
            QVERIFY(series.data.tValue[1][1] > 0);
        else
            verifyNeutral(series.data, 1, 1);
    }

    void seriesWithoutCompletePairIsNeutral_data()
    {
        QTest::addColumn<int>("frames");
        QTest::newRow("one frame") << 1;
        QTest::newRow("two frames") << 2;
        QTest::newRow("three frames") << 3;
        QTest::newRow("rest block only") << 12;
    }

    void seriesWithoutCompletePairIsNeutral()
    {
        QFETCH(int, frames);
        Series series(2, 2, frames, [](int32, int32, int32 f) { return restTask(f, 300, 302); });
        const CaseData &d = series.data;
        QVERIFY(d.tValue && d.pValue && d.activation && d.variance && d.difference);
        for (int32 i = 1; i <= 2; ++i) {
            for (int32 j = 1; j <= 2; ++j) {
                verifyNeutral(d, i, j);
                QCOMPARE(d.difference[i][j], 0.0);
                QCOMPARE(d.variance[i][j], 0.0);
            }
        }
    }

    void oneTaskFrameCompletesThePair()
    {
        // Rest 3..12 has mean 300 and variance 1; the lone task frame 13 is 301.
        Series series(1, 1, 13, [](int32, int32, int32 f) { return restTask(f, 300, 302); });
        QCOMPARE(series.data.difference[1][1], 1.0);
        QCOMPARE(series.data.variance[1][1], 0.5);
        QVERIFY(std::fabs(series.data.tValue[1][1] - std::sqrt(2.0)) <= 4 * epsilon);
    }

    void constantBlocksHaveZeroVarianceAndNoT_data()
    {
        QTest::addColumn<double>("rest");
        QTest::addColumn<double>("task");
        QTest::newRow("exact binary values") << 300.0 << 302.0;
        QTest::newRow("values with rounding") << 300.1 << 302.3;
        QTest::newRow("no difference") << 812.7 << 812.7;
    }

    void constantBlocksHaveZeroVarianceAndNoT()
    {
        QFETCH(double, rest);
        QFETCH(double, task);
        Series series(1, 1, 99, [&](int32, int32, int32 f) { return isTask(f) ? task : rest; });
        QCOMPARE(series.data.variance[1][1], 0.0);
        QVERIFY(std::fabs(series.data.difference[1][1] - (task - rest)) <= seriesRounding);
        verifyNeutral(series.data, 1, 1);
    }

    // Pixels go through the sums in vectors of several, the last of a row one by
    // one: every pixel must get exactly what it gets alone.
    void aPixelsStatisticsDoNotDependOnItsPlaceInTheRow()
    {
        const auto value = [](int32 j, int32 f) {
            return restTask(f, 280 + 3.7 * j, 283 + 3.7 * j) + std::sin(0.37 * f * j) * 2.3;
        };
        const int32 width = 21;
        Series row(1, width, 99, [&](int32, int32 j, int32 f) { return value(j, f); });
        for (int32 j = 1; j <= width; ++j) {
            Series alone(1, 1, 99, [&](int32, int32, int32 f) { return value(j, f); });
            QCOMPARE(row.data.difference[1][j], alone.data.difference[1][1]);
            QCOMPARE(row.data.variance[1][j], alone.data.variance[1][1]);
            QCOMPARE(row.data.pValue[1][j], alone.data.pValue[1][1]);
        }
    }

    void nonFiniteValuesMakeOnlyTheirPixelNeutral()
    {
        const double infinity = std::numeric_limits<double>::infinity();
        Series series(1, 4, 99, [&](int32, int32 j, int32 f) {
            if (j == 1 && f == 40)
                return std::nan("");
            if (j == 2 && f == 15)
                return infinity;
            if (j == 3 && f == 5)
                return -infinity;
            return restTask(f, 300, 302);
        });
        const CaseData &d = series.data;
        for (int32 j = 1; j <= 3; ++j) {
            verifyNeutral(d, 1, j);
            QCOMPARE(d.difference[1][j], 0.0);
            QCOMPARE(d.variance[1][j], 0.0);
        }
        QVERIFY(std::fabs(d.pValue[1][4] - 0.0256307) <= pValueDigits);
    }

    void unusableLayoutAllocatesNothing_data()
    {
        QTest::addColumn<int>("frames");
        QTest::addColumn<int>("cols");
        QTest::addColumn<bool>("withSeries");
        QTest::newRow("no frames") << 0 << 10 << true;
        QTest::newRow("negative frames") << -3 << 10 << true;
        QTest::newRow("more frames than columns") << 11 << 10 << true;
        QTest::newRow("no series") << 5 << 10 << false;
    }

    void unusableLayoutAllocatesNothing()
    {
        QFETCH(int, frames);
        QFETCH(int, cols);
        QFETCH(bool, withSeries);
        CaseData data;
        data.rows = 2;
        data.cols = cols;
        data.frames = frames;
        data.pd = withSeries ? dmatrix(1, 2, 1, cols) : nullptr;
        computeFmriStatistics(data);
        QVERIFY(!data.activation && !data.variance && !data.difference && !data.tValue
                && !data.pValue);
        data.release();
    }

    void longSeriesGivesTheNormalTail()
    {
        // 20001 frames: ν = 20000, where Student's tail is the normal one to
        // about 1e-5 (φ(t)(t³ + t) / (4ν)).
        constexpr double normalApproximationError = 1e-5;
        Series series(1, 1, 20001, [](int32, int32, int32 f) { return restTask(f, 300, 300.05); });
        const double t = series.data.tValue[1][1];
        QVERIFY(t > 0 && std::isfinite(t));
        const double normalTail = 0.5 * std::erfc(t / std::sqrt(2.0));
        QVERIFY(std::fabs(series.data.pValue[1][1] - normalTail) <= normalApproximationError);
    }
};

RELAXON_TEST_CLASS(TestFmriStatistics)
#include "test_fmristatistics.moc"
