#include "cases/casedata.h"
#include "numerics/matrixmemory.h"
#include "simulation/acquisition.h"
#include "simulation/fmridisplaymode.h"
#include "simulation/noise.h"
#include "simulation/recordingparams.h"
#include "simulation/regionstatistics.h"
#include "simulation/regionvaluestable.h"
#include "simulation/signalmodel.h"
#include "testrunner.h"

#include <QTest>

#include <cfenv>
#include <cmath>
#include <cstring>

namespace {

// Values are computed with a handful of exponentials: a few ulps of the result.
constexpr double kRelativeTolerance = 1e-14;
const double kEmptyPixelFactor = 0.01831563888873418; // e^-4, written out

bool closeTo(double actual, double expected)
{
    return std::fabs(actual - expected) <= kRelativeTolerance * std::max(1.0, std::fabs(expected));
}

// A case of rows x cols pixels, every pixel with the same tissue, and an image of
// the same size; releases both.
struct TissueCase
{
    CaseData data;
    double **image = nullptr;

    TissueCase(int32 rows, int32 cols, double pd, double t1, double t2, bool withTensor = false)
    {
        data.rows = rows;
        data.cols = cols;
        data.isMri = true;
        data.pd = dmatrix(1, rows, 1, cols);
        data.t1 = dmatrix(1, rows, 1, cols);
        data.t2 = dmatrix(1, rows, 1, cols);
        for (int32 x = 1; x <= rows; ++x)
            for (int32 y = 1; y <= cols; ++y) {
                data.pd[x][y] = pd;
                data.t1[x][y] = t1;
                data.t2[x][y] = t2;
            }
        if (withTensor) {
            data.hasDti = true;
            data.tensor = d3tensor(1, rows, 1, cols, 1, 16);
        }
        image = dmatrix(1, rows, 1, cols);
    }
    ~TissueCase()
    {
        free_dmatrix(image, 1, data.rows, 1);
        data.release();
    }

    double signal(double te, double tr, double tp = 0, int32 technique = 0, int32 angle = 0)
    {
        computeSignal(data, image, data.rows, data.cols, te, tr, tp, technique, angle);
        return image[1][1];
    }
};

double plainSignal(double te, double tr, double pd, double t1, double t2)
{
    return pd * std::exp(-te / t2) * (1 - std::exp(-tr / t1));
}

} // namespace

class TestSignalModel : public QObject
{
    Q_OBJECT

private slots:
    void spinEchoSignalMatchesWorkedPixel()
    {
        TissueCase tissue(1, 1, 1000, 500, 100);
        const double s = tissue.signal(40, 500);
        QVERIFY(closeTo(s, 1000 * std::exp(-0.4) * (1 - std::exp(-1.0))));
        QCOMPARE(std::round(s * 10) / 10, 423.7);
    }

    void prepulseMultipliesByInversionRecovery()
    {
        TissueCase tissue(1, 1, 1000, 500, 100);
        const double plain = tissue.signal(40, 500);
        const double inverted = tissue.signal(40, 500, 500);
        QVERIFY(closeTo(inverted / plain, 1 - 2 * std::exp(-1.0)));
        QCOMPARE(std::round(inverted / plain * 1e4) / 1e4, 0.2642);
    }

    void prepulseAtT1TimesLn2NullsTheTissue()
    {
        TissueCase tissue(1, 1, 1000, 500, 100);
        const double nulled = tissue.signal(40, 500, 500 * std::log(2.0));
        QVERIFY(std::fabs(nulled) < 1e-12 * tissue.signal(40, 500));
    }

    void signsOfTeAndTrChooseMap_data()
    {
        QTest::addColumn<double>("te");
        QTest::addColumn<double>("tr");
        QTest::addColumn<double>("expected");
        // The maps hold 1000 (PD), 500 (T1) and 100 (T2).
        QTest::newRow("te -1, tr -1: hydrogen density") << -1.0 << -1.0 << 1000.0;
        QTest::newRow("te 40, tr -1: T1") << 40.0 << -1.0 << 500.0;
        QTest::newRow("te -1, tr 500: T2") << -1.0 << 500.0 << 100.0;
        QTest::newRow("te 0, tr 500: hydrogen density") << 0.0 << 500.0 << 1000.0;
        QTest::newRow("te 0, tr -1: hydrogen density") << 0.0 << -1.0 << 1000.0;
        QTest::newRow("te 40, tr 0: hydrogen density") << 40.0 << 0.0 << 1000.0;
        QTest::newRow("te -1, tr 0: hydrogen density") << -1.0 << 0.0 << 1000.0;
    }

    void signsOfTeAndTrChooseMap()
    {
        QFETCH(double, te);
        QFETCH(double, tr);
        QFETCH(double, expected);
        TissueCase tissue(2, 3, 1000, 500, 100, true);
        tissue.data.tensor[2][3][10] = 0.5;
        // Copying a map ignores the prepulse and the diffusion technique.
        computeSignal(tissue.data, tissue.image, 2, 3, te, tr, 300, TechniqueAdc, 45);
        for (int32 x = 1; x <= 2; ++x)
            for (int32 y = 1; y <= 3; ++y)
                QCOMPARE(tissue.image[x][y], expected);
    }

    void everyPixelUsesItsOwnTissue()
    {
        TissueCase tissue(2, 3, 0, 0, 0);
        for (int32 x = 1; x <= 2; ++x)
            for (int32 y = 1; y <= 3; ++y) {
                tissue.data.pd[x][y] = 100 * x + y;
                tissue.data.t1[x][y] = 300 + 10 * y;
                tissue.data.t2[x][y] = 50 + 20 * x;
            }
        computeSignal(tissue.data, tissue.image, 2, 3, 20, 800, 0, 0, 0);
        for (int32 x = 1; x <= 2; ++x)
            for (int32 y = 1; y <= 3; ++y)
                QVERIFY(closeTo(tissue.image[x][y],
                                plainSignal(20, 800, 100 * x + y, 300 + 10 * y, 50 + 20 * x)));
    }

    void dwiWeightsByNormalisedNorm_data()
    {
        QTest::addColumn<double>("norm");
        QTest::addColumn<double>("factor");
        QTest::newRow("no tensor data: e^-4") << 0.0 << kEmptyPixelFactor;
        QTest::newRow("most diffusive tissue: e^-4") << 1.0 << kEmptyPixelFactor;
        QTest::newRow("half: e^-2") << 0.5 << 0.1353352832366127;
    }

    void dwiWeightsByNormalisedNorm()
    {
        QFETCH(double, norm);
        QFETCH(double, factor);
        TissueCase tissue(1, 1, 1000, 500, 100, true);
        tissue.data.tensor[1][1][10] = norm;
        const double plain = tissue.signal(40, 500);
        QVERIFY(closeTo(tissue.signal(40, 500, 0, TechniqueDwi) / plain, factor));
    }

    void singleDirectionWeightsByTensorAlongGradient_data()
    {
        QTest::addColumn<int>("angle");
        QTest::addColumn<double>("factor");
        // Rows x (Dxx Dxy Dxz) = (0.6, 0, 0.8), y (Dyx Dyy Dyz) = (0.3, 0.4, 0):
        // |D g| is 0.5 along y and 1 along x.
        QTest::newRow("0 degrees: gradient along y") << 0 << std::exp(-2.0);
        QTest::newRow("90 degrees: gradient along x") << 90 << kEmptyPixelFactor;
        QTest::newRow("180 degrees: along -y, same magnitude") << 180 << std::exp(-2.0);
        // At 30 degrees, D g = (0.6/2 + 0.3 sqrt3/2, 0.4 sqrt3/2, 0.8/2).
        const double s = 0.5, c = std::sqrt(3.0) / 2;
        const double vx = 0.6 * s + 0.3 * c, vy = 0.4 * c, vz = 0.8 * s;
        QTest::newRow("30 degrees: mixed") << 30 << std::exp(-4 * std::sqrt(vx * vx + vy * vy + vz * vz));
    }

    void singleDirectionWeightsByTensorAlongGradient()
    {
        QFETCH(int, angle);
        QFETCH(double, factor);
        TissueCase tissue(1, 1, 1000, 500, 100, true);
        double *d = tissue.data.tensor[1][1];
        d[1] = 0.6, d[2] = 0.0, d[3] = 0.8;
        d[4] = 0.3, d[5] = 0.4, d[6] = 0.0;
        d[7] = 9.0, d[8] = 9.0, d[9] = 9.0; // the z row never matters
        d[10] = 0.7;
        const double plain = tissue.signal(40, 500);
        QVERIFY(std::fabs(tissue.signal(40, 500, 0, TechniqueSingleDirection, angle) / plain - factor)
                < 1e-12);
    }

    void singleDirectionWithoutTensorDataDarkensLikeMostDiffusiveTissue()
    {
        TissueCase tissue(1, 1, 1000, 500, 100, true);
        tissue.data.tensor[1][1][4] = 0.3; // ignored: the norm says there is no tensor
        const double plain = tissue.signal(40, 500);
        QVERIFY(closeTo(tissue.signal(40, 500, 0, TechniqueSingleDirection, 0) / plain,
                        kEmptyPixelFactor));
    }

    void adcAndDtiShowHundredTimesNorm_data()
    {
        QTest::addColumn<int>("technique");
        QTest::addColumn<double>("tp");
        QTest::newRow("ADC") << int(TechniqueAdc) << 0.0;
        QTest::newRow("DTI with prepulse") << int(TechniqueDti) << 300.0;
    }

    void adcAndDtiShowHundredTimesNorm()
    {
        QFETCH(int, technique);
        QFETCH(double, tp);
        TissueCase tissue(1, 1, 1000, 500, 100, true);
        tissue.data.tensor[1][1][10] = 0.37;
        QCOMPARE(tissue.signal(40, 500, tp, technique), 37.0);
        QCOMPARE(tissue.signal(80, 3000, tp, technique), 37.0);
    }

    void diffusionTechniquesNeedTensorData()
    {
        TissueCase tissue(1, 1, 1000, 500, 100);
        const double plain = tissue.signal(40, 500);
        for (int32 technique = TechniqueSingleDirection; technique <= TechniqueDti; ++technique)
            QCOMPARE(tissue.signal(40, 500, 0, technique, 30), plain);
    }

    void unknownTechniqueLeavesSignalUnweighted()
    {
        TissueCase tissue(1, 1, 1000, 500, 100, true);
        tissue.data.tensor[1][1][10] = 0.5;
        const double plain = tissue.signal(40, 500);
        QCOMPARE(tissue.signal(40, 500, 0, 7), plain);
    }

    void backgroundPixelIsZeroWithoutFloatingPointException()
    {
        TissueCase tissue(2, 2, 0, 0, 0, true);
        for (int32 technique = TechniqueNone; technique <= TechniqueDti; ++technique) {
            std::feclearexcept(FE_ALL_EXCEPT);
            computeSignal(tissue.data, tissue.image, 2, 2, 40, 500, 100, technique, 30);
            const int raised = std::fetestexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW);
            QCOMPARE(raised, 0);
            for (int32 x = 1; x <= 2; ++x)
                for (int32 y = 1; y <= 2; ++y)
                    QCOMPARE(tissue.image[x][y], 0.0);
        }
    }

    void zeroRelaxationTimesTakeTheirLimits()
    {
        // T1 = 0: full recovery and a prepulse factor of 1; T2 = 0: no echo.
        TissueCase fastT1(1, 1, 1000, 0, 100);
        QVERIFY(closeTo(fastT1.signal(40, 500, 200), 1000 * std::exp(-0.4)));
        TissueCase fastT2(1, 1, 1000, 500, 0);
        QCOMPARE(fastT2.signal(40, 500, 200), 0.0);
    }
};

// A functional case of 99 frames of 2 x 3 pixels, pixel (x, y) of frame f holding
// 100 f + 10 x + y, with given activation and p values.
struct FunctionalCase
{
    static constexpr int32 kFrames = 99;
    static constexpr int32 kRows = 2;
    static constexpr int32 kWidth = 3;
    CaseData data;
    double **image = nullptr;

    FunctionalCase()
    {
        data.rows = kRows;
        data.cols = kFrames * kWidth;
        data.frames = kFrames;
        data.pd = dmatrix(1, kRows, 1, data.cols);
        for (int32 f = 0; f < kFrames; ++f)
            for (int32 x = 1; x <= kRows; ++x)
                for (int32 y = 1; y <= kWidth; ++y)
                    data.pd[x][f * kWidth + y] = 100 * f + 10 * x + y;
        data.activation = dmatrix(1, kRows, 1, kWidth);
        data.pValue = dmatrix(1, kRows, 1, kWidth);
        image = dmatrix(1, kRows, 1, kWidth);
    }
    ~FunctionalCase()
    {
        free_dmatrix(image, 1, kRows, 1);
        data.release();
    }
};

class TestFmriFrame : public QObject
{
    Q_OBJECT

private slots:
    void frameIndexWrapsAround_data()
    {
        QTest::addColumn<int>("frame");
        QTest::addColumn<int>("shown");
        QTest::newRow("first") << 0 << 0;
        QTest::newRow("last") << 98 << 98;
        QTest::newRow("one past the last: first") << 99 << 0;
        QTest::newRow("-1: last") << -1 << 98;
        QTest::newRow("250: 52") << 250 << 52;
        QTest::newRow("-199: 98") << -199 << 98;
    }

    void frameIndexWrapsAround()
    {
        QFETCH(int, frame);
        QFETCH(int, shown);
        FunctionalCase series;
        QCOMPARE(fmriFrame(series.data, series.image, frame, FmriShowFrames, 0.1), shown);
        for (int32 x = 1; x <= FunctionalCase::kRows; ++x)
            for (int32 y = 1; y <= FunctionalCase::kWidth; ++y)
                QCOMPARE(series.image[x][y], double(100 * shown + 10 * x + y));
    }

    void statisticsModeShowsHalfTheActivation()
    {
        FunctionalCase series;
        series.data.activation[1][2] = 3000;
        series.data.activation[2][3] = 1;
        QCOMPARE(fmriFrame(series.data, series.image, 7, FmriShowStatistics, 0.1), 7);
        QCOMPARE(series.image[1][2], 1500.0);
        QCOMPARE(series.image[2][3], 0.5);
        QCOMPARE(series.image[1][1], 0.0);
    }

    void bothModeNegatesOnlyPixelsStrictlyBelowThreshold()
    {
        FunctionalCase series;
        for (int32 x = 1; x <= FunctionalCase::kRows; ++x)
            for (int32 y = 1; y <= FunctionalCase::kWidth; ++y)
                series.data.pValue[x][y] = 0.5;
        series.data.pValue[1][1] = 0.02;
        series.data.pValue[1][2] = 0.1; // equal to the threshold: not significant
        series.data.pValue[2][3] = 0.0999;
        fmriFrame(series.data, series.image, 4, FmriShowBoth, 0.1);
        QCOMPARE(series.image[1][1], -411.0);
        QCOMPARE(series.image[1][2], 412.0);
        QCOMPARE(series.image[2][3], -423.0);
        QCOMPARE(series.image[2][1], 421.0);

        fmriFrame(series.data, series.image, 4, FmriShowFrames, 0.1);
        QCOMPARE(series.image[1][1], 411.0);
    }

    void caseWithoutFramesLeavesImageUntouched()
    {
        CaseData data;
        double **image = dmatrix(1, 1, 1, 1);
        image[1][1] = 42;
        QCOMPARE(fmriFrame(data, image, 5, FmriShowFrames, 0.1), 0);
        QCOMPARE(image[1][1], 42.0);
        free_dmatrix(image, 1, 1, 1);
    }
};

Q_DECLARE_METATYPE(AcquisitionField)
Q_DECLARE_METATYPE(AcquisitionSettings)
Q_DECLARE_METATYPE(ImageRegion)

// Noise, scan time and region values of recordings.
class TestAcquisition : public QObject
{
    Q_OBJECT

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
        bool sameAs(const Image &other) const
        {
            for (int32 x = 1; x <= rows; ++x)
                if (std::memcmp(values[x] + 1, other.values[x] + 1, sizeof(double) * cols) != 0)
                    return false;
            return true;
        }
    };

    static AcquisitionSettings settings(int32 averages, double bandwidth, double slice, int32 train)
    {
        return {averages, bandwidth, slice, train, true, 0};
    }

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
        QCOMPARE(background.count, 10000);
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

    void seedDecidesTheNoisePattern()
    {
        Image first(64, 48), again(64, 48), other(64, 48), noiseless(64, 48);
        addRicianNoise(first.values, 64, 48, 5, std::uint64_t(11));
        addRicianNoise(again.values, 64, 48, 5, drawNoiseField(64, 48, 11));
        addRicianNoise(other.values, 64, 48, 5, std::uint64_t(12));
        QVERIFY(first.sameAs(again));
        QVERIFY(!first.sameAs(other));
        QVERIFY(!first.sameAs(noiseless));
        addRicianNoise(noiseless.values, 64, 48, 0, std::uint64_t(13));
        QVERIFY(noiseless.sameAs(Image(64, 48)));
    }

    void noiseSigmaFollowsAveragesBandwidthAndSlice_data()
    {
        QTest::addColumn<AcquisitionSettings>("acquisition");
        QTest::addColumn<double>("sigma");
        QTest::newRow("reference protocol: 1 % of 3000") << settings(1, 130, 5, 1) << 30.0;
        QTest::newRow("4 averages halve it") << settings(4, 130, 5, 1) << 15.0;
        QTest::newRow("4 times the bandwidth doubles it") << settings(1, 520, 5, 1) << 60.0;
        QTest::newRow("half the slice doubles it") << settings(1, 130, 2.5, 1) << 60.0;
        QTest::newRow("the echo train leaves it") << settings(16, 32.5, 10, 32) << 30.0 / 4 / 2 / 2;
    }

    void noiseSigmaFollowsAveragesBandwidthAndSlice()
    {
        QFETCH(AcquisitionSettings, acquisition);
        QFETCH(double, sigma);
        QVERIFY(closeTo(noiseSigma(3000, acquisition), sigma));
    }

    void scanTimeIsTrTimesLinesTimesAveragesOverTrain_data()
    {
        QTest::addColumn<double>("tr");
        QTest::addColumn<AcquisitionSettings>("acquisition");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("shown");
        QTest::newRow("TR 3000") << 3000.0 << settings(1, 130, 5, 1) << 768.0 << "12:48";
        QTest::newRow("echo train 16") << 3000.0 << settings(1, 130, 5, 16) << 48.0 << "0:48";
        QTest::newRow("4 averages") << 3000.0 << settings(4, 130, 5, 1) << 3072.0 << "51:12";
        QTest::newRow("over an hour") << 3750.0 << settings(4, 50, 1, 1) << 3840.0 << "64:00";
        QTest::newRow("rounded to the second") << 501.0 << settings(1, 130, 5, 1) << 128.256 << "2:08";
    }

    void scanTimeIsTrTimesLinesTimesAveragesOverTrain()
    {
        QFETCH(double, tr);
        QFETCH(AcquisitionSettings, acquisition);
        QFETCH(double, seconds);
        QFETCH(QString, shown);
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
        QVERIFY(std::isnan(mean) ? std::isnan(statistics.mean) : closeTo(statistics.mean, mean));
        QVERIFY(std::isnan(sd) ? std::isnan(statistics.standardDeviation)
                               : closeTo(statistics.standardDeviation, sd));
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

RELAXON_TEST_CLASS(TestSignalModel)
RELAXON_TEST_CLASS(TestFmriFrame)
RELAXON_TEST_CLASS(TestAcquisition)

#include "test_signalmodel.moc"
