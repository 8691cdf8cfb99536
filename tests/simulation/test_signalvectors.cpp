// computeSignal runs whole vectors of pixels with its own exponential where the
// processor allows; every pixel must still be the scalar formula's within 1e-12
// relative, whatever its place in a row and whatever its tissue.

#include "cases/casedata.h"
#include "numerics/matrixmemory.h"
#include "simulation/greypixels.h"
#include "simulation/displaywindow.h"
#include "simulation/recordingparams.h"
#include "simulation/signalmodel.h"
#include "testrunner.h"

#include <QTest>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

namespace {

constexpr double kTolerance = 1e-12;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The formula, pixel by pixel, as written down for the program.
double expectedSignal(double pd, double t1, double t2, const double *tensor, double te, double tr,
                      double tp, int technique, double angle)
{
    const auto decay = [](double t, double time) { return time != 0 ? std::exp(-t / time) : 0.0; };
    double s = (1 - decay(tr, t1)) * (pd * decay(te, t2));
    if (tp > 0)
        s *= std::fabs(2 * decay(tp, t1) - 1);
    if (!tensor)
        return s;
    const double n = tensor[10];
    const double theta = angle * 3.141592653589793 / 180;
    switch (technique) {
    case TechniqueSingleDirection: {
        if (n == 0)
            return s * std::exp(-4.0);
        const double vx = tensor[1] * std::sin(theta) + tensor[4] * std::cos(theta);
        const double vy = tensor[2] * std::sin(theta) + tensor[5] * std::cos(theta);
        const double vz = tensor[3] * std::sin(theta) + tensor[6] * std::cos(theta);
        return s * std::exp(-4 * std::sqrt(vx * vx + vy * vy + vz * vz));
    }
    case TechniqueDwi:
        return s * std::exp(-4 * (n == 0 ? 1 : n));
    case TechniqueAdc:
    case TechniqueDti:
        return 100 * n;
    default:
        return s;
    }
}

bool agrees(double got, double expected)
{
    if (std::isnan(expected))
        return std::isnan(got);
    if (std::isinf(expected) || expected == 0)
        return got == expected;
    return std::fabs(got - expected) <= kTolerance * std::fabs(expected);
}

// A case of rows x cols pixels whose tissues mix the ordinary with every kind of
// extreme: background, zero and NaN times, negative and tiny times, exponents
// beyond the range of the vector exponential.
struct MixedCase
{
    CaseData data;
    double **image = nullptr;

    MixedCase(int32 rows, int32 cols)
    {
        data.rows = rows;
        data.cols = cols;
        data.isMri = true;
        data.hasDti = true;
        data.pd = dmatrix(1, rows, 1, cols);
        data.t1 = dmatrix(1, rows, 1, cols);
        data.t2 = dmatrix(1, rows, 1, cols);
        data.tensor = d3tensor(1, rows, 1, cols, 1, 16);
        image = dmatrix(1, rows, 1, cols);
        std::mt19937_64 random(20261206);
        std::uniform_real_distribution<double> unit(0, 1);
        const double specials[] = {0, 0, -0.0, kNaN, 1e-3, 0.05, -300, 1e-120, 1e150, 3e-6,
                                   std::numeric_limits<double>::infinity(), 1e-310};
        for (int32 x = 1; x <= rows; ++x)
            for (int32 y = 1; y <= cols; ++y) {
                const double pick = unit(random);
                double pd = 3000 * unit(random), t1 = 200 + 3000 * unit(random),
                       t2 = 20 + 300 * unit(random);
                if (pick < 0.3) {
                    pd = t1 = t2 = 0; // background
                } else if (pick < 0.45) {
                    t1 = specials[random() % std::size(specials)];
                    t2 = specials[random() % std::size(specials)];
                    if (random() % 5 == 0)
                        pd = kNaN;
                }
                data.pd[x][y] = pd;
                data.t1[x][y] = t1;
                data.t2[x][y] = t2;
                double *tensor = data.tensor[x][y];
                for (int k = 1; k <= 9; ++k)
                    tensor[k] = unit(random) - 0.5;
                tensor[10] = random() % 6 == 0 ? 0 : unit(random);
            }
    }
    ~MixedCase()
    {
        free_dmatrix(image, 1, data.rows, 1);
        data.release();
    }
};

} // namespace

class TestSignalVectors : public QObject
{
    Q_OBJECT

private slots:
    void everyPixelFollowsTheFormula_data()
    {
        QTest::addColumn<double>("te");
        QTest::addColumn<double>("tr");
        QTest::addColumn<double>("tp");
        QTest::addColumn<int>("technique");
        QTest::addColumn<int>("angle");
        QTest::newRow("plain") << 40.0 << 500.0 << 0.0 << 0 << 0;
        QTest::newRow("long times") << 2000.0 << 10000.0 << 0.0 << 0 << 0;
        QTest::newRow("short echo") << 1e-9 << 1e-9 << 0.0 << 0 << 0;
        QTest::newRow("prepulse") << 80.0 << 3000.0 << 700.0 << 0 << 0;
        QTest::newRow("prepulse, single direction") << 40.0 << 500.0 << 100.0 << 1 << 30;
        QTest::newRow("single direction at -135") << 90.0 << 2500.0 << 0.0 << 1 << -135;
        QTest::newRow("DWI") << 40.0 << 500.0 << 0.0 << 2 << 0;
        QTest::newRow("ADC") << 40.0 << 500.0 << 200.0 << 3 << 0;
        QTest::newRow("DTI") << 40.0 << 500.0 << 0.0 << 4 << 0;
        QTest::newRow("unknown technique") << 40.0 << 500.0 << 0.0 << 9 << 0;
    }

    void everyPixelFollowsTheFormula()
    {
        QFETCH(double, te);
        QFETCH(double, tr);
        QFETCH(double, tp);
        QFETCH(int, technique);
        QFETCH(int, angle);
        // 37 columns: whole vectors of 4 and 8 and a remainder in every row.
        MixedCase tissue(23, 37);
        computeSignal(tissue.data, tissue.image, 23, 37, te, tr, tp, technique, angle);
        for (int32 x = 1; x <= 23; ++x)
            for (int32 y = 1; y <= 37; ++y) {
                const double expected = expectedSignal(
                    tissue.data.pd[x][y], tissue.data.t1[x][y], tissue.data.t2[x][y],
                    technique != 0 ? tissue.data.tensor[x][y] : nullptr, te, tr, tp, technique,
                    angle);
                const double got = tissue.image[x][y];
                QVERIFY2(agrees(got, expected),
                         qPrintable(QStringLiteral("pixel (%1, %2): %3 instead of %4 (T1 %5, T2 %6)")
                                        .arg(x).arg(y).arg(got, 0, 'g', 17).arg(expected, 0, 'g', 17)
                                        .arg(tissue.data.t1[x][y]).arg(tissue.data.t2[x][y])));
            }
    }

    void backgroundRowsRaiseNoFloatingPointException()
    {
        MixedCase tissue(4, 37);
        for (int32 x = 1; x <= 4; ++x)
            for (int32 y = 1; y <= 37; ++y)
                tissue.data.pd[x][y] = tissue.data.t1[x][y] = tissue.data.t2[x][y] = 0;
        for (int32 technique = TechniqueNone; technique <= TechniqueDti; ++technique) {
            std::feclearexcept(FE_ALL_EXCEPT);
            computeSignal(tissue.data, tissue.image, 4, 37, 40, 500, 100, technique, 30);
            QCOMPARE(std::fetestexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW), 0);
        }
    }
};

// Painting turns values into grey pixels many at a time; each must be the grey of
// levelToGrey.
class TestGreyPixels : public QObject
{
    Q_OBJECT

private slots:
    void everyValueGetsTheGreyOfLevelToGrey_data()
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

    void everyValueGetsTheGreyOfLevelToGrey()
    {
        QFETCH(double, level);
        QFETCH(double, width);
        QFETCH(bool, invert);
        std::vector<double> values = {kNaN, std::numeric_limits<double>::infinity(),
                                      -std::numeric_limits<double>::infinity(), 0, -0.0, 1e300,
                                      -1e300, 0.49999999999999994, 0.5, 254.5, 255.5, -0.5};
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

RELAXON_TEST_CLASS(TestSignalVectors)
RELAXON_TEST_CLASS(TestGreyPixels)

#include "test_signalvectors.moc"
