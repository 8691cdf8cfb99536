#include "numerics/matrixmemory.h"
#include "simulation/acquisition.h"
#include "simulation/noise.h"
#include "simulation/regionstatistics.h"
#include "simulation/regionvaluestable.h"
#include "testrunner.h"

#include <QTest>

#include <cmath>
#include <vector>

Q_DECLARE_METATYPE(AcquisitionField)
Q_DECLARE_METATYPE(AcquisitionSettings)
Q_DECLARE_METATYPE(ImageRegion)

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
    int32 rows;
    int32 cols;
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
    // Over 10^4 pixels the estimates lie within about 1 % (one standard error)
    // of their expectations; 3 % leaves room without hiding a wrong sigma.
    void noiseHasRicianStatistics()
    {
        const double sigma = 30;
        Image image(200, 100);
        for (int32 x = 1; x <= 200; ++x)
            for (int32 y = 1; y <= 100; ++y)
                image.values[x][y] = x <= 100 ? 0 : 1000;
        addRicianNoise(image.values, 200, 100, sigma, std::uint64_t(7));
        const RegionStatistics background = regionStatistics(image.values, 200, 100, {0, 0, 100, 100});
        const RegionStatistics bright = regionStatistics(image.values, 200, 100, {100, 0, 100, 100});
        // The magnitude of pure noise is Rayleigh distributed: mean sigma sqrt(pi / 2).
        QVERIFY(std::fabs(background.mean / (sigma * std::sqrt(M_PI / 2)) - 1) < 0.03);
        // Far above the noise the magnitude is nearly normal with the channel's sigma.
        QVERIFY(std::fabs(bright.standardDeviation / sigma - 1) < 0.03);
        QVERIFY(std::fabs(bright.mean / 1000 - 1) < 0.003);
    }

    // Independent values: the same generator written in Python, with the C
    // library's logarithm; equal once rounded to single precision.
    void noiseFieldFollowsItsGenerator()
    {
        const double normals[6] = {1.1476571554367572, -0.09099245934293711, 1.5631988959655787,
                                   -1.076342579008631, 0.8700549671447018,   0.6755174717537334};
        const NoiseField field = drawNoiseField(1, 3, 2026);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(field.real[i], float(normals[2 * i]));
            QCOMPARE(field.imaginary[i], float(normals[2 * i + 1]));
        }
    }

    // Each pixel's field entry, the seed's, goes into the magnitude |S + sigma n|.
    void noiseIsTheMagnitudeOfSignalPlusItsFieldEntry()
    {
        for (double sigma : {5.0, 0.0}) {
            Image image(3, 4);
            addRicianNoise(image.values, 3, 4, sigma, std::uint64_t(11));
            const NoiseField field = drawNoiseField(3, 4, 11);
            for (int32 x = 1; x <= 3; ++x)
                for (int32 y = 1; y <= 4; ++y) {
                    const std::size_t i = std::size_t(4 * (x - 1) + y - 1);
                    QVERIFY(closeTo(image.values[x][y],
                                    std::hypot(10 * x + y + sigma * field.real[i], sigma * field.imaginary[i])));
                }
        }
    }

    void noiseAndScanTimeFollowTheSettings_data()
    {
        QTest::addColumn<AcquisitionSettings>("acquisition");
        QTest::addColumn<double>("tr");
        QTest::addColumn<double>("sigma");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("shown");
        // A full scale of 3000 and 256 lines.
        QTest::newRow("reference: 1 %, TR 3000") << settings(1, 130, 5, 1) << 3000.0 << 30.0 << 768.0 << "12:48";
        QTest::newRow("4 averages halve it") << settings(4, 130, 5, 1) << 3000.0 << 15.0 << 3072.0 << "51:12";
        QTest::newRow("4 times the bandwidth doubles it") << settings(1, 520, 5, 1) << 3000.0 << 60.0 << 768.0
                                                          << "12:48";
        QTest::newRow("half the slice doubles it") << settings(1, 130, 2.5, 1) << 501.0 << 60.0 << 128.256
                                                   << "2:08";
        QTest::newRow("the echo train shortens only the scan") << settings(1, 130, 5, 16) << 3000.0 << 30.0
                                                               << 48.0 << "0:48";
        QTest::newRow("over an hour") << settings(16, 32.5, 10, 1) << 3750.0 << 30.0 / 4 / 2 / 2 << 15360.0
                                      << "256:00";
    }

    void noiseAndScanTimeFollowTheSettings()
    {
        QFETCH(AcquisitionSettings, acquisition);
        QFETCH(double, tr);
        QFETCH(double, sigma);
        QFETCH(double, seconds);
        QFETCH(QString, shown);
        QVERIFY(closeTo(noiseSigma(3000, acquisition), sigma));
        QVERIFY(closeTo(scanTimeSeconds(tr, 256, acquisition), seconds));
        QCOMPARE(QString::fromStdString(formatScanTime(seconds)), shown);
    }

    void settingsOutsideTheirRangeAreNamed_data()
    {
        QTest::addColumn<AcquisitionSettings>("acquisition");
        QTest::addColumn<AcquisitionField>("field");
        QTest::newRow("lower bounds") << settings(1, 50, 1, 1) << AcquisitionField::None;
        QTest::newRow("upper bounds") << settings(16, 1000, 10, 32) << AcquisitionField::None;
        QTest::newRow("17 averages") << settings(17, 130, 5, 1) << AcquisitionField::Averages;
        QTest::newRow("bandwidth 49.9") << settings(1, 49.9, 5, 1) << AcquisitionField::Bandwidth;
        QTest::newRow("bandwidth NaN") << settings(1, qQNaN(), 5, 1) << AcquisitionField::Bandwidth;
        QTest::newRow("slice 0.5 mm") << settings(1, 130, 0.5, 1) << AcquisitionField::SliceThickness;
        QTest::newRow("train 33") << settings(1, 130, 5, 33) << AcquisitionField::EchoTrainLength;
        QTest::newRow("first of two") << settings(0, 130, 5, 0) << AcquisitionField::Averages;
    }

    void settingsOutsideTheirRangeAreNamed()
    {
        QFETCH(AcquisitionSettings, acquisition);
        QFETCH(AcquisitionField, field);
        QCOMPARE(firstFieldOutOfRange(acquisition), field);
    }

    void regionStatisticsOfClippedRectangles_data()
    {
        QTest::addColumn<ImageRegion>("region");
        QTest::addColumn<qint64>("count");
        QTest::addColumn<double>("mean");
        QTest::addColumn<double>("sd");
        // Pixels 22, 23, 32, 33: squared deviations 30.25 + 20.25 + 20.25 + 30.25 over 3.
        QTest::newRow("inside") << ImageRegion{1, 1, 2, 2} << qint64(4) << 27.5 << std::sqrt(101.0 / 3);
        QTest::newRow("clipped to 31, 32") << ImageRegion{2, -5, 10, 7} << qint64(2) << 31.5 << std::sqrt(0.5);
        QTest::newRow("one pixel") << ImageRegion{0, 3, 1, 1} << qint64(1) << 14.0 << qQNaN();
        QTest::newRow("beyond the image") << ImageRegion{3, 0, 2, 2} << qint64(0) << qQNaN() << qQNaN();
        QTest::newRow("no width") << ImageRegion{0, 0, 0, 4} << qint64(0) << qQNaN() << qQNaN();
        // Squared deviations 4 (100 + 0 + 100) + 3 (2.25 + 0.25 + 0.25 + 2.25) over 11.
        QTest::newRow("far edge past int32") << ImageRegion{0, 0, INT32_MAX, INT32_MAX} << qint64(12)
                                             << 22.5 << std::sqrt(815.0 / 11);
    }

    void regionStatisticsOfClippedRectangles()
    {
        QFETCH(ImageRegion, region);
        QFETCH(qint64, count);
        QFETCH(double, mean);
        QFETCH(double, sd);
        const Image image(3, 4);
        const RegionStatistics statistics = regionStatistics(image.values, 3, 4, region);
        QCOMPARE(statistics.count, count);
        QVERIFY(closeTo(statistics.mean, mean));
        QVERIFY(closeTo(statistics.standardDeviation, sd));
    }

    void regionValuesTableHasOneLinePerRecording()
    {
        RegionValuesRow noiseless;
        noiseless.params = {15, 3000, 100, false, TechniqueNone, 0};
        noiseless.imageRows = 256;
        noiseless.fullScale = 3000;
        noiseless.statistics = {100, 1502.5, 30.25};
        RegionValuesRow averaged = noiseless;
        averaged.params.prepulse = true;
        averaged.acquisition = {16, 520, 2.5, 8, true, 99};
        averaged.statistics = {100, 1500, 15.5};
        // sigma = 30 sqrt(520 / 130) / sqrt 16 (5 / 2.5) = 30.
        QCOMPARE(regionValuesTable({noiseless, averaged}),
                 "TE (ms)\tTR (ms)\tTP (ms)\tNEX\tBW (Hz)\td (mm)\tETL\tscan time (s)\tmean\tSD\tSNR\n"
                 "15\t3000\t\t1\t130\t5\t1\t768\t1502.5\t30.25\t\n"
                 "15\t3000\t100\t16\t520\t2.5\t8\t1536\t1500\t15.5\t50\n");
    }
};

RELAXON_TEST_CLASS(TestAcquisition)

#include "test_acquisition.moc"
