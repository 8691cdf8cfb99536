#include "cases/casedata.h"
#include "numerics/matrixmemory.h"
#include "simulation/fmristatistics.h"
#include "testrunner.h"

#include <QTest>

#include <cmath>
#include <functional>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// Sums over a 99-frame series of values near 300 round to at most this.
constexpr double kSeriesRounding = 99 * 302 * std::numeric_limits<double>::epsilon();
// The tails below are Student's from a statistics library, to 16 digits; the
// program's continued fraction stops once a step changes it by less than 3e-7.
constexpr double kTailTolerance = 2e-7;

// Frame value of pixel (row, column) in frame f (from 1).
using Pixel = std::function<double(int32 row, int32 column, int32 frame)>;

// Blocks of 10 frames from frame 3 on, rest first; when wobbling, ±1 alternating
// with the frame number, which gives each full block variance 1.
double restTask(int32 frame, double rest, double task, bool wobble = true)
{
    if (frame < 3)
        return 0;
    return ((frame - 3) / 10 % 2 == 1 ? task : rest) + (wobble ? (frame % 2 == 0 ? 1.0 : -1.0) : 0.0);
}

// A functional case whose series is generated per pixel and frame.
struct Series
{
    CaseData data;

    Series(int32 rows, int32 width, int32 frames, const Pixel &pixel)
    {
        data.rows = rows, data.frames = frames;
        data.pd = dmatrix(1, rows, 1, data.cols = width * frames);
        for (int32 i = 1; i <= rows; ++i)
            for (int32 f = 1; f <= frames; ++f)
                for (int32 j = 1; j <= width; ++j)
                    data.pd[i][(f - 1) * width + j] = pixel(i, j, f);
        computeFmriStatistics(data);
    }
    ~Series() { data.release(); }
};

// A series of one pixel, rest and task from frame 3 on, and its expected statistics.
struct BlockSeries
{
    int frames = 99;
    double rest = 300, task = 302;
    bool wobble = true;
    double trailingRest = kNaN; // the frames after 22 at this level, unless NaN
    double difference = 0, variance = 0;
    double t = 0, p = 0.5; // t 0: neutral, with p 0.5 and no activation
};

} // namespace

Q_DECLARE_METATYPE(BlockSeries)

class TestFmriStatistics : public QObject
{
    Q_OBJECT

private slots:
    void statisticsOfBlockSeries_data()
    {
        QTest::addColumn<BlockSeries>("series");
        // 99 frames: five pairs, the last task block of 7 frames with mean task − 1/7.
        const double d = 2 - 1.0 / 35, v = 1 - 1.0 / 490, t = d / std::sqrt(v), p = 0.02563065318801203;
        QTest::newRow("worked pixel: t 1.97344") << BlockSeries{.difference = d, .variance = v, .t = t, .p = p};
        QTest::newRow("rest mean 250.5 is above 250")
            << BlockSeries{.rest = 250.5, .task = 252.5, .difference = d, .variance = v, .t = t, .p = p};
        QTest::newRow("rest mean 250 is not") << BlockSeries{.rest = 250, .task = 252, .difference = d, .variance = v};
        QTest::newRow("dark background") << BlockSeries{.rest = 10, .task = 12, .difference = d, .variance = v};
        // 92 frames end with a rest block left without its task: four pairs.
        QTest::newRow("four pairs, task brighter")
            << BlockSeries{.frames = 92, .difference = 2, .variance = 1, .t = 2, .p = 0.024240840368251682};
        QTest::newRow("four pairs, task dark") << BlockSeries{.frames = 92, .rest = 302, .task = 300, .difference = -2,
                                                                .variance = 1, .t = -2, .p = 1 - 0.024240840368251682};
        // Rest 3..12 has mean 300 and variance 1; the lone task frame 13 is 301.
        QTest::newRow("one task frame completes a pair") << BlockSeries{
            .frames = 13, .difference = 1, .variance = 0.5, .t = std::sqrt(2.0), .p = 0.09135838135242497};
        QTest::newRow("dark pair, bright trailing rest") << BlockSeries{
            .frames = 30, .rest = 200, .task = 210, .trailingRest = 400, .difference = 10, .variance = 1};
        QTest::newRow("bright pair, dark trailing rest") << BlockSeries{
            .frames = 30, .task = 310, .trailingRest = 10, .difference = 10, .variance = 1, .t = 10, .p = 3.29993e-11};
        for (int frames : {1, 2, 3, 12})
            QTest::addRow("%d frames: no pair", frames) << BlockSeries{.frames = frames};
        QTest::newRow("constant, exact binary values") << BlockSeries{.wobble = false, .difference = 2};
        QTest::newRow("constant, values with rounding")
            << BlockSeries{.rest = 300.1, .task = 302.3, .wobble = false, .difference = 302.3 - 300.1};
        QTest::newRow("constant, no difference") << BlockSeries{.rest = 812.7, .task = 812.7, .wobble = false};
    }

    void statisticsOfBlockSeries()
    {
        QFETCH(BlockSeries, series);
        const BlockSeries &e = series;
        Series computed(1, 1, e.frames, [&](int32, int32, int32 f) {
            return f > 22 && !std::isnan(e.trailingRest) ? e.trailingRest : restTask(f, e.rest, e.task, e.wobble);
        });
        const CaseData &data = computed.data;
        QVERIFY(std::fabs(data.difference[1][1] - e.difference) <= kSeriesRounding);
        QVERIFY(std::fabs(data.variance[1][1] - e.variance) <= kSeriesRounding);
        QVERIFY(std::fabs(data.tValue[1][1] - e.t) <= kSeriesRounding);
        QVERIFY(std::fabs(data.pValue[1][1] - e.p) <= kTailTolerance);
        QCOMPARE(data.activation[1][1], e.t > 0 ? 1000 * data.tValue[1][1] : 0.0);
    }

    // Pixels go through the sums in vectors of several, the last of a row one by
    // one: every pixel must get exactly what it gets alone. A value that is not
    // finite makes its pixel (11, 12 and 23) neutral, and only its pixel.
    void aPixelsStatisticsDependOnlyOnItsOwnSeries()
    {
        const auto value = [](int32 i, int32 j, int32 f) {
            const int32 pixel = 10 * i + j;
            if ((pixel == 11 && f == 40) || (pixel == 12 && f == 15) || (pixel == 23 && f == 5))
                return pixel == 11 ? kNaN : (pixel == 12 ? 1 : -1) * std::numeric_limits<double>::infinity();
            return restTask(f, 280 + 3.7 * j + 5 * i, 283 + 3.7 * j) + std::sin(0.37 * f * j) * 2.3;
        };
        Series image(2, 21, 99, value);
        for (int32 i = 1; i <= 2; ++i)
            for (int32 j = 1; j <= 21; ++j) {
                Series alone(1, 1, 99, [&](int32, int32, int32 f) { return value(i, j, f); });
                QCOMPARE(image.data.difference[i][j], alone.data.difference[1][1]);
                QCOMPARE(image.data.variance[i][j], alone.data.variance[1][1]);
                QCOMPARE(image.data.pValue[i][j], alone.data.pValue[1][1]);
                QCOMPARE(image.data.activation[i][j], alone.data.activation[1][1]);
                const int32 pixel = 10 * i + j;
                if (pixel == 11 || pixel == 12 || pixel == 23)
                    QVERIFY(image.data.difference[i][j] == 0 && image.data.pValue[i][j] == 0.5);
            }
    }

    void unusableLayoutAllocatesNothing()
    {
        // No frames, negative frames, more frames than columns, no series.
        for (const auto &[frames, withSeries] : {std::pair{0, true}, {-3, true}, {11, true}, {5, false}}) {
            CaseData data;
            data.rows = 2, data.cols = 10, data.frames = frames;
            data.pd = withSeries ? dmatrix(1, 2, 1, 10) : nullptr;
            computeFmriStatistics(data);
            QVERIFY(!data.activation && !data.variance && !data.difference && !data.tValue && !data.pValue);
            data.release();
        }
    }
};

RELAXON_TEST_CLASS(TestFmriStatistics)
#include "test_fmristatistics.moc"
