#include "cases/casedata.h"
#include "numerics/matrixmemory.h"
#include "simulation/fmridisplaymode.h"
#include "simulation/recordingparams.h"
#include "simulation/signalmodel.h"
#include "simulation/signalpixel.h"
#include "simulation/vectorexp.h"
#include "testrunner.h"

#include <QTest>

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <vector>

// Wide vectors pass between inlined functions only; the calling convention that
// -Wpsabi warns about never applies.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace {

// The vector exponential is within two ulps of the C library's; a few
// exponentials and products stay far inside this.
constexpr double kTolerance = 1e-12;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// A case of rows x cols pixels with tensors, each pixel set by fill(x, y, pd, t1,
// t2, tensor), and an image of its size; releases both.
struct Tissues
{
    using Fill = std::function<void(int32, int32, double &, double &, double &, double *)>;
    CaseData data;
    double **image;

    Tissues(int32 rows, int32 cols, const Fill &fill) : image(dmatrix(1, rows, 1, cols))
    {
        data.rows = rows, data.cols = cols, data.isMri = data.hasDti = true;
        for (double **CaseData::*map : {&CaseData::pd, &CaseData::t1, &CaseData::t2})
            data.*map = dmatrix(1, rows, 1, cols);
        data.tensor = d3tensor(1, rows, 1, cols, 1, 16);
        for (int32 x = 1; x <= rows; ++x)
            for (int32 y = 1; y <= cols; ++y)
                fill(x, y, data.pd[x][y], data.t1[x][y], data.t2[x][y], data.tensor[x][y]);
    }
    ~Tissues()
    {
        free_dmatrix(image, 1, data.rows, 1);
        data.release();
    }
};

// A recording of a tissue of PD 1000 (0 when both times are 0), and the signal
// expected of it.
struct Recording
{
    double t1 = 500, t2 = 100, te = 40, tr = 500, tp = 0;
    int technique = TechniqueNone, angle = 0;
    double norm = kNaN; // the tensor's normalised norm; NaN: the case has no tensor data
    double expected = 0;
};

// A functional case of 99 frames of 2 x 3 pixels, pixel (x, y) of frame f holding
// 100 f + 10 x + y, p values 0.5 but at (1, 1) 0.02, at (1, 2) 0.1 (equal to the
// threshold: not significant) and at (2, 3) 0.0999; activation 3000 at (1, 2).
struct FunctionalCase
{
    CaseData data;
    double **image = dmatrix(1, 2, 1, 3);

    FunctionalCase()
    {
        data.rows = 2, data.frames = 99;
        data.pd = dmatrix(1, 2, 1, data.cols = 99 * 3);
        data.activation = dmatrix(1, 2, 1, 3);
        data.pValue = dmatrix(1, 2, 1, 3);
        for (int32 x = 1; x <= 2; ++x)
            for (int32 y = 1; y <= 3; ++y) {
                for (int32 f = 0; f < 99; ++f)
                    data.pd[x][f * 3 + y] = 100 * f + 10 * x + y;
                const int pixel = 10 * x + y;
                data.activation[x][y] = pixel == 12 ? 3000 : 0;
                data.pValue[x][y] = pixel == 11 ? 0.02 : pixel == 12 ? 0.1 : pixel == 23 ? 0.0999 : 0.5;
            }
    }
    ~FunctionalCase()
    {
        free_dmatrix(image, 1, 2, 1);
        data.release();
    }

    // The frame's values, negated at the pixels 10 x + y listed as marked.
    void verifyFrame(int32 frame, std::initializer_list<int> marked = {})
    {
        for (int32 x = 1; x <= 2; ++x)
            for (int32 y = 1; y <= 3; ++y) {
                const bool isMarked = std::find(marked.begin(), marked.end(), 10 * x + y) != marked.end();
                QCOMPARE(image[x][y], (100.0 * frame + 10 * x + y) * (isMarked ? -1 : 1));
            }
    }
};



template <typename V>
void checkWidth()
{
    constexpr int lanes = vectormath::VectorTraits<V>::lanes;
    std::vector<double> xs = {0.0, -0.0, 1e-300, -1e-300, 1e-17, 708.0, 709.0, 709.5, 710.0, -708.0,
                              -708.5, -745.0, -746.0, -746.5, -1e300, 1e300, kNaN, kInf, -kInf};
    for (double x = -760.0; x <= 720.0; x += 0.01373)
        xs.push_back(x);
    // Both sides of the points where the reduction changes its table entry.
    const double step = std::log(2.0) / 32.0;
    for (int k = -200; k <= 200; ++k)
        for (double d : {-1e-15, 0.0, 1e-15})
            xs.push_back(k * step + d);
    xs.resize((xs.size() + lanes - 1) / lanes * lanes, 1.0);
    for (std::size_t i = 0; i < xs.size(); i += lanes) {
        vectormath::MaskOf<V> slow;
        const V e = vectormath::exp(vectormath::load<V>(&xs[i]), &slow);
        for (int l = 0; l < lanes; ++l) {
            const double x = xs[i + l];
            const bool handedBack = std::isnan(x) || x > 709.0 || (x < -708.0 && x >= -746.0);
            QVERIFY2((slow[l] != 0) == handedBack, qPrintable(QString::number(x, 'g', 17)));
            if (handedBack)
                continue;
            const double expected = std::exp(x);
            QVERIFY2(std::fabs(e[l] - expected) <= 2 * std::numeric_limits<double>::epsilon() * expected,
                     qPrintable(QStringLiteral("exp(%1) = %2").arg(x, 0, 'g', 17).arg(e[l], 0, 'g', 17)));
        }
    }
}

} // namespace

Q_DECLARE_METATYPE(Recording)

class TestSignalModel : public QObject
{
    Q_OBJECT

private slots:
    void signalMatchesHandValues_data()
    {
        QTest::addColumn<Recording>("recording");
        // The tensor rows x (0.6, 0, 0.8) and y (0.3, 0.4, 0) give |D g| 0.5 along y
        // and 1 along x.
        const double plain = 1000 * std::exp(-0.4) * (1 - std::exp(-1.0)); // 423.7
        const double e2 = std::exp(-2.0), e4 = 0.01831563888873418;
        const double s = 0.5, c = std::sqrt(3.0) / 2;
        const double weightAt30 = std::exp(-4 * std::hypot(0.6 * s + 0.3 * c, 0.4 * c, 0.8 * s));
        const int one = TechniqueSingleDirection, dwi = TechniqueDwi, adc = TechniqueAdc, dti = TechniqueDti;
        const std::pair<const char *, Recording> rows[] = {
            {"spin echo", {.expected = plain}},
            {"prepulse at T1", {.tp = 500, .expected = plain * (1 - 2 * std::exp(-1.0))}},
            {"prepulse at T1 ln 2 nulls", {.tp = 500 * std::log(2.0), .expected = 0}},
            {"T1 0: full recovery, no inversion", {.t1 = 0, .tp = 200, .expected = 1000 * std::exp(-0.4)}},
            {"T2 0: no echo", {.t2 = 0, .tp = 200, .expected = 0}},
            {"background", {.t1 = 0, .t2 = 0, .tp = 100, .technique = one, .angle = 30, .norm = 0, .expected = 0}},
            {"DWI without tensor: e^-4", {.technique = dwi, .norm = 0, .expected = plain * e4}},
            {"DWI most diffusive: e^-4", {.technique = dwi, .norm = 1, .expected = plain * e4}},
            {"DWI half: e^-2", {.technique = dwi, .norm = 0.5, .expected = plain * e2}},
            {"gradient along y", {.technique = one, .norm = 0.7, .expected = plain * e2}},
            {"gradient along x", {.technique = one, .angle = 90, .norm = 0.7, .expected = plain * e4}},
            {"gradient along -y", {.technique = one, .angle = 180, .norm = 0.7, .expected = plain * e2}},
            {"gradient at 30 degrees", {.technique = one, .angle = 30, .norm = 0.7, .expected = plain * weightAt30}},
            {"single direction without tensor: e^-4", {.technique = one, .norm = 0, .expected = plain * e4}},
            {"ADC: 100 n", {.technique = adc, .norm = 0.37, .expected = 37}},
            {"DTI with prepulse", {.te = 80, .tr = 3000, .tp = 300, .technique = dti, .norm = 0.37, .expected = 37}},
            {"DTI without tensor data", {.technique = dti, .expected = plain}},
            {"single direction without tensor data", {.technique = one, .angle = 30, .expected = plain}},
            {"unknown technique", {.technique = 7, .norm = 0.5, .expected = plain}},
            // Copying a map ignores the prepulse and the technique.
            {"te -1, tr -1: PD", {.te = -1, .tr = -1, .tp = 300, .technique = adc, .norm = 0.5, .expected = 1000}},
            {"te 40, tr -1: T1", {.te = 40, .tr = -1, .tp = 300, .technique = adc, .norm = 0.5, .expected = 500}},
            {"te -1, tr 500: T2", {.te = -1, .tr = 500, .tp = 300, .technique = adc, .norm = 0.5, .expected = 100}},
            {"te 0, tr 500: PD", {.te = 0, .tr = 500, .tp = 300, .technique = adc, .norm = 0.5, .expected = 1000}},
            {"te 0, tr -1: PD", {.te = 0, .tr = -1, .tp = 300, .technique = adc, .norm = 0.5, .expected = 1000}},
            {"te 40, tr 0: PD", {.te = 40, .tr = 0, .tp = 300, .technique = adc, .norm = 0.5, .expected = 1000}},
            {"te -1, tr 0: PD", {.te = -1, .tr = 0, .tp = 300, .technique = adc, .norm = 0.5, .expected = 1000}}};
        for (const auto &[name, recording] : rows)
            QTest::newRow(name) << recording;
    }

    // 2 x 9 pixels: whole vectors and a remainder; none may raise a floating-point
    // exception.
    void signalMatchesHandValues()
    {
        QFETCH(Recording, recording);
        const Recording &r = recording;
        const double tensor[] = {0, 0.6, 0, 0.8, 0.3, 0.4, 0, 9, 9, 9, std::isnan(r.norm) ? 0 : r.norm};
        Tissues tissue(2, 9, [&](int32, int32, double &pd, double &t1, double &t2, double *d) {
            pd = r.t1 == 0 && r.t2 == 0 ? 0 : 1000, t1 = r.t1, t2 = r.t2;
            std::copy(std::begin(tensor) + 1, std::end(tensor), d + 1);
        });
        tissue.data.hasDti = !std::isnan(r.norm);
        std::feclearexcept(FE_ALL_EXCEPT);
        computeSignal(tissue.data, tissue.image, 2, 9, r.te, r.tr, r.tp, r.technique, r.angle);
        QCOMPARE(std::fetestexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW), 0);
        for (int32 x = 1; x <= 2; ++x)
            for (int32 y = 1; y <= 9; ++y)
                QVERIFY(std::fabs(tissue.image[x][y] - r.expected) <= kTolerance * 1000);
    }

    void vectorsAgreeWithTheScalarFormula_data()
    {
        QTest::addColumn<Recording>("recording");
        const std::pair<const char *, Recording> rows[] = {
            {"plain", {}}, {"long times", {.te = 2000, .tr = 10000}}, {"short echo", {.te = 1e-9, .tr = 1e-9}},
            {"prepulse", {.te = 80, .tr = 3000, .tp = 700}},
            {"prepulse, single direction", {.tp = 100, .technique = 1, .angle = 30}},
            {"single direction at -135", {.te = 90, .tr = 2500, .technique = 1, .angle = -135}},
            {"DWI", {.technique = 2}}, {"ADC", {.tp = 200, .technique = 3}}, {"DTI", {.technique = 4}},
            {"unknown technique", {.technique = 9}}};
        for (const auto &[name, recording] : rows)
            QTest::newRow(name) << recording;
    }

    // Tissues that mix the ordinary with every extreme (background, zero, NaN,
    // negative and tiny times, exponents beyond the vector exponential's range), at
    // every place of a row of 37: each pixel is the scalar formula's.
    void vectorsAgreeWithTheScalarFormula()
    {
        QFETCH(Recording, recording);
        const Recording &r = recording;
        std::mt19937_64 random(20261206);
        std::uniform_real_distribution<double> unit(0, 1);
        const double specials[] = {0, 0, -0.0, kNaN, 1e-3, 0.05, -300, 1e-120, 1e150, 3e-6,
                                   kInf, 1e-310};
        Tissues tissue(23, 37, [&](int32, int32, double &pd, double &t1, double &t2, double *tensor) {
            const double pick = unit(random);
            pd = 3000 * unit(random), t1 = 200 + 3000 * unit(random), t2 = 20 + 300 * unit(random);
            if (pick < 0.3) {
                pd = t1 = t2 = 0;
            } else if (pick < 0.45) {
                t1 = specials[random() % std::size(specials)];
                t2 = specials[random() % std::size(specials)];
                pd = random() % 5 == 0 ? kNaN : pd;
            }
            for (int k = 1; k <= 9; ++k)
                tensor[k] = unit(random) - 0.5;
            tensor[10] = random() % 6 == 0 ? 0 : unit(random);
        });
        computeSignal(tissue.data, tissue.image, 23, 37, r.te, r.tr, r.tp, r.technique, r.angle);
        const double theta = r.angle * 3.141592653589793 / 180;
        const SignalSettings settings{r.te, r.tr, r.tp, r.technique, r.technique != 0, std::sin(theta),
                                      std::cos(theta)};
        for (int32 x = 1; x <= 23; ++x)
            for (int32 y = 1; y <= 37; ++y) {
                const double expected = spinEchoPixel(tissue.data.pd[x][y], tissue.data.t1[x][y],
                                                      tissue.data.t2[x][y], tissue.data.tensor[x][y], settings);
                const double got = tissue.image[x][y];
                // No expected signal is infinite; a zero one must be exactly zero.
                const bool agrees = std::isnan(expected) ? std::isnan(got)
                                                         : std::abs(got - expected) <= kTolerance * std::abs(expected);
                QVERIFY2(agrees, qPrintable(QStringLiteral("pixel (%1, %2): %3 instead of %4")
                                                .arg(x).arg(y).arg(got, 0, 'g', 17).arg(expected, 0, 'g', 17)));
            }
    }

    // The vector exponential against the C library's, at every vector width the
    // signal kernels use (compiled here for the baseline processor, so every width
    // runs on any machine): within two units in the last place where it answers, and
    // the lanes it hands back exactly those it cannot take.
    void vectorExponentialAtTwoLanes() { checkWidth<vectormath::Double2>(); }
    void vectorExponentialAtFourLanes() { checkWidth<vectormath::Double4>(); }
    void vectorExponentialAtEightLanes() { checkWidth<vectormath::Double8>(); }

    void frameIndexWrapsAndModesShowActivationOrMarkPixels()
    {
        FunctionalCase series;
        // First, last, one past the last, -1, 250 and -199.
        for (const auto &[frame, shown] : {std::pair{0, 0}, {98, 98}, {99, 0}, {-1, 98}, {250, 52}, {-199, 98}}) {
            QCOMPARE(fmriFrame(series.data, series.image, frame, FmriShowFrames, 0.1), shown);
            series.verifyFrame(shown);
        }
        QCOMPARE(fmriFrame(series.data, series.image, 7, FmriShowStatistics, 0.1), 7);
        QCOMPARE(series.image[1][2], 1500.0);
        QCOMPARE(series.image[1][1], 0.0);
        // Pixels strictly below the p threshold are marked.
        fmriFrame(series.data, series.image, 4, FmriShowBoth, 0.1);
        series.verifyFrame(4, {11, 23});
        // Without frames the image is left as it is.
        CaseData empty;
        QCOMPARE(fmriFrame(empty, series.image, 5, FmriShowFrames, 0.1), 0);
        series.verifyFrame(4, {11, 23});
    }
};

RELAXON_TEST_CLASS(TestSignalModel)

#include "test_signalmodel.moc"
