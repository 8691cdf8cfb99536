#include "numerics/matrixmemory.h"
#include "simulation/acquisition.h"
#include "simulation/noise.h"
#include "simulation/regionstatistics.h"
#include "simulation/regionvaluestable.h"
#include "testrunner.h"

#include <QTest>

#include <cmath>
#include <vector>


namespace {

// A noise level and a scan time are a few products and a square root.
constexpr double kRelativeTolerance = 1e-14;

bool closeTo(double actual, double expected)
{
    if (std::isnan(expected))
        return std::isnan(actual);
    return std::fabs(actual - expected) <= kRelativeTolerance * std::max(1.0, std::fabs(expected));
}

// An image of rows x cols, value 10 x + y at [x][y], freed with the object.
struct Image
{
    int32 rows, cols;
    double **values;
    Image(int32 rows, int32 cols) : rows(rows), cols(cols), values(dmatrix(1, rows, 1, cols))
    {
        for (int32 x = 1; x <= rows; ++x)
            for (int32 y = 1; y <= cols; ++y)
                values[x][y] = 10 * x + y;
    }
    ~Image() { free_dmatrix(values, 1, rows, 1); }
};

AcquisitionSettings settings(int32 averages, double bandwidth, double slice, int32 train)
{
    return {averages, bandwidth, slice, train, true, 0};
}

} // namespace

// Noise, scan time and region values of recordings.
class TestAcquisition : public QObject
{
    Q_OBJECT

private slots:
    // Independent values: the seed's first normals from the same generator written
    // in Python, with the C library's logarithm; equal once rounded to single
    // precision. Each pixel S becomes |S + sigma (real + i imaginary)| of its own pair.
    void noiseIsTheMagnitudeOfSignalPlusTheSeedsNormals()
    {
        const double normals[6] = {1.1476571554367572, -0.09099245934293711, 1.5631988959655787,
                                   -1.076342579008631, 0.8700549671447018,   0.6755174717537334};
        const NoiseField field = drawNoiseField(2, 3, 2026);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(field.real[i], float(normals[2 * i]));
            QCOMPARE(field.imaginary[i], float(normals[2 * i + 1]));
        }
        Image image(2, 3);
        addRicianNoise(image.values, 2, 3, 30, std::uint64_t(2026));
        for (int32 x = 1; x <= 2; ++x)
            for (int32 y = 1; y <= 3; ++y) {
                const std::size_t i = std::size_t(3 * (x - 1) + y - 1);
                const double real = 30.0 * field.real[i], imaginary = 30.0 * field.imaginary[i];
                QVERIFY(closeTo(image.values[x][y], std::hypot(10 * x + y + real, imaginary)));
            }
    }

    void noiseAndScanTimeFollowTheSettings()
    {
        // A full scale of 3000 and 256 lines: sigma 1 % of 3000 at the reference
        // protocol, halved by 4 averages, doubled by 4 times the bandwidth or half the
        // slice; the echo train shortens the scan only.
        const struct { AcquisitionSettings acquisition; double tr, sigma, seconds; const char *shown; } rows[] = {
            {settings(1, 130, 5, 1), 3000, 30, 768, "12:48"},    {settings(4, 130, 5, 1), 3000, 15, 3072, "51:12"},
            {settings(1, 520, 5, 1), 3000, 60, 768, "12:48"},    {settings(1, 130, 2.5, 1), 501, 60, 128.256, "2:08"},
            {settings(1, 130, 5, 16), 3000, 30, 48, "0:48"},
            {settings(16, 32.5, 10, 1), 3750, 30.0 / 4 / 2 / 2, 15360, "256:00"}};
        for (const auto &r : rows) {
            QVERIFY(closeTo(noiseSigma(3000, r.acquisition), r.sigma));
            QVERIFY(closeTo(scanTimeSeconds(r.tr, 256, r.acquisition), r.seconds));
            QCOMPARE(formatScanTime(r.seconds), r.shown);
        }
    }

    void settingsOutsideTheirRangeAreNamed()
    {
        using F = AcquisitionField;
        const std::pair<AcquisitionSettings, AcquisitionField> rows[] = {
            {settings(1, 50, 1, 1), F::None},  {settings(16, 1000, 10, 32), F::None}, // the bounds
            {settings(17, 130, 5, 1), F::Averages},          {settings(1, 49.9, 5, 1), F::Bandwidth},
            {settings(1, qQNaN(), 5, 1), F::Bandwidth},      {settings(1, 130, 0.5, 1), F::SliceThickness},
            {settings(1, 130, 5, 33), F::EchoTrainLength},   {settings(0, 130, 5, 0), F::Averages}};
        for (const auto &[acquisition, field] : rows)
            QCOMPARE(firstFieldOutOfRange(acquisition), field);
    }

    // Count, mean and sample SD of the 3 x 4 image 10 x + y under rectangles.
    void regionStatisticsOfClippedRectangles()
    {
        const Image image(3, 4);
        const struct { ImageRegion region; qint64 count; double mean, sd; } rows[] = {
            // Pixels 22, 23, 32, 33: squared deviations 30.25 + 20.25 + 20.25 + 30.25 over 3.
            {{1, 1, 2, 2}, 4, 27.5, std::sqrt(101.0 / 3)},
            {{2, -5, 10, 7}, 2, 31.5, std::sqrt(0.5)}, // clipped to 31, 32
            {{0, 3, 1, 1}, 1, 14, qQNaN()},
            {{3, 0, 2, 2}, 0, qQNaN(), qQNaN()}, // beyond the image
            {{0, 0, 0, 4}, 0, qQNaN(), qQNaN()}, // no width
            // The far edge past int32: squared deviations 4 (100 + 0 + 100) + 3 (2.25 +
            // 0.25 + 0.25 + 2.25) over 11.
            {{0, 0, INT32_MAX, INT32_MAX}, 12, 22.5, std::sqrt(815.0 / 11)}};
        for (const auto &r : rows) {
            const RegionStatistics statistics = regionStatistics(image.values, 3, 4, r.region);
            QCOMPARE(statistics.count, r.count);
            QVERIFY(closeTo(statistics.mean, r.mean));
            QVERIFY(closeTo(statistics.standardDeviation, r.sd));
        }
    }

    void regionValuesTableHasOneLinePerRecording()
    {
        const RegionValuesRow noiseless{{15, 3000, 100, false, TechniqueNone, 0}, {}, 256, 3000, {100, 1502.5, 30.25}};
        const RegionValuesRow averaged{
            {15, 3000, 100, true, TechniqueNone, 0}, {16, 520, 2.5, 8, true, 99}, 256, 3000, {100, 1500, 15.5}};
        // sigma = 30 sqrt(520 / 130) / sqrt 16 (5 / 2.5) = 30.
        QCOMPARE(regionValuesTable({noiseless, averaged}),
                 "TE (ms)\tTR (ms)\tTP (ms)\tNEX\tBW (Hz)\td (mm)\tETL\tscan time (s)\tmean\tSD\tSNR\n"
                 "15\t3000\t\t1\t130\t5\t1\t768\t1502.5\t30.25\t\n"
                 "15\t3000\t100\t16\t520\t2.5\t8\t1536\t1500\t15.5\t50\n");
    }
};

RELAXON_TEST_CLASS(TestAcquisition)

#include "test_acquisition.moc"
