#include "numerics/incompletebeta.h"
#include "numerics/matrixmemory.h"
#include "numerics/svd.h"
#include "testrunner.h"

#include <Eigen/Dense>
#include <QTest>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>

namespace {

// Backward-stable decompositions reproduce A to a small multiple of
// size · eps · ‖A‖; the same bound holds for each singular value (Weyl).
constexpr double tolerancePerSize = 16 * std::numeric_limits<double>::epsilon();

// The six-term Lanczos series is good to about 2e-10 in Γ, hence in ln Γ.
constexpr double lanczosError = 2e-10;
// The continued fraction stops once an iteration changes it by less than 3e-7;
// its result is trusted to a few times that, relatively. Table quantiles quoted
// to ten significant digits move a tail by far less than that.
constexpr double fractionError = 1e-6;

using RowMajor = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>;

// A dmatrix that frees itself; a vector is row 1 of a one-row matrix. Its rows
// lie one after the other in one block.
struct Matrix
{
    Matrix(int32 rows, int32 cols) : rows(rows), cols(cols), m(dmatrix(1, rows, 1, cols)) {}
    explicit Matrix(const Eigen::MatrixXd &e) : Matrix(int32(e.rows()), int32(e.cols())) { map() = e; }
    ~Matrix() { free_dmatrix(m, 1, rows, 1); }
    Matrix(const Matrix &) = delete;
    Matrix &operator=(const Matrix &) = delete;

    Eigen::Map<RowMajor> map() const { return Eigen::Map<RowMajor>(&m[1][1], rows, cols); }
    Eigen::MatrixXd toEigen() const { return map(); }

    const int32 rows;
    const int32 cols;
    double **const m;
};

double largestMagnitude(const Eigen::MatrixXd &x)
{
    return x.size() ? x.cwiseAbs().maxCoeff() : 0;
}

} // namespace

Q_DECLARE_METATYPE(Eigen::MatrixXd)

// The decomposition, the allocators and the incomplete beta function, each against
// independent values.
class TestNumericalRoutines : public QObject
{
    Q_OBJECT

private slots:
    void decompositionHoldsItsInvariants_data()
    {
        QTest::addColumn<Eigen::MatrixXd>("original");
        using E = Eigen::MatrixXd;
        const auto random = [](int rows, int cols) -> E { return E::Random(rows, cols); };
        QTest::newRow("random tall 9x4") << random(9, 4);
        QTest::newRow("random wide 3x7") << random(3, 7);
        QTest::newRow("column 5x1") << random(5, 1);
        QTest::newRow("row 1x5") << random(1, 5);
        QTest::newRow("large 40x30 with countdown") << random(40, 30);
        QTest::newRow("hilbert tall 12x6") << E(E::NullaryExpr(12, 6, [](Eigen::Index i, Eigen::Index j) { return 1.0 / double(i + j + 1); }));
        QTest::newRow("rank two 7x5") << E(random(7, 1) * random(1, 5) + random(7, 1) * random(1, 5));
        // Already bidiagonal with an exact zero on the diagonal: the coupling
        // to its right has to be chased out before the sweeps can go on.
        E bidiagonal = E::Zero(6, 5);
        bidiagonal.diagonal() << 1, 0, 3, 4, 5;
        bidiagonal.diagonal(1).setOnes();
        QTest::newRow("zero on bidiagonal 5x5") << E(bidiagonal.topRows(5));
        QTest::newRow("zero on bidiagonal tall 6x5") << bidiagonal;
        QTest::newRow("zero wide 2x4") << E(E::Zero(2, 4));
        QTest::newRow("tiny values 6x4") << E(1e-200 * random(6, 4));
        QTest::newRow("huge values 6x4") << E(1e200 * random(6, 4));
    }

    void decompositionHoldsItsInvariants()
    {
        QFETCH(Eigen::MatrixXd, original);
        const int rows = int(original.rows()), cols = int(original.cols());
        Matrix a(original), w(1, cols), v(cols, cols);
        svd(a.m, rows, cols, w.m[1], v.m);

        const Eigen::MatrixXd u = a.toEigen(), vm = v.toEigen();
        const Eigen::VectorXd singular = w.toEigen().row(0).transpose();
        const double scale = std::max(largestMagnitude(original), singular.maxCoeff());
        const double tolerance = tolerancePerSize * std::max(rows, cols);
        for (int j = 0; j < cols; ++j)
            QVERIFY(singular(j) >= 0 && (j == 0 || singular(j) <= singular(j - 1)));
        QVERIFY(largestMagnitude(u * singular.asDiagonal() * vm.transpose() - original) <= tolerance * scale);
        const Eigen::MatrixXd identity = Eigen::MatrixXd::Identity(cols, cols);
        QVERIFY(largestMagnitude(vm.transpose() * vm - identity) <= tolerance);
        // Columns of U that belong to vanishing singular values are not
        // determined by A; the others are orthonormal.
        int used = 0;
        while (used < cols && singular(used) > 1e-10 * singular(0))
            ++used;
        const Eigen::MatrixXd usedU = u.leftCols(used);
        QVERIFY(largestMagnitude(usedU.transpose() * usedU - identity.topLeftCorner(used, used)) <= tolerance);

        // An independent decomposition gives min(rows, cols) values; any further
        // ones of a wide matrix must vanish.
        const Eigen::VectorXd reference = Eigen::JacobiSVD<Eigen::MatrixXd>(original).singularValues();
        for (int j = 0; j < cols; ++j)
            QVERIFY2(std::fabs(singular(j) - (j < reference.size() ? reference(j) : 0.0)) <= tolerance * scale,
                     qPrintable(QString("w[%1] = %2").arg(j + 1).arg(singular(j), 0, 'g', 17)));
    }

    // The dmatrix layout is relied on above; these cover the other allocators and the refusals.
    void allocatorsZeroFillFromTheirLowerBoundsAndRefuseBadRanges()
    {
        int32 *iv = ivector(-2, 2);
        QVERIFY(iv && iv[-2] == 0 && iv[2] == 0);
        free_ivector(iv, -2, 2);
        double **offset = matrix(0, 4, -1, 1);
        QVERIFY(offset && offset[4][1] == 0 && &offset[4][-1] == &offset[0][-1] + 12);
        free_matrix(offset, 0, 4, -1);
        double ***t = d3tensor(1, 2, 1, 2, 1, 16);
        QVERIFY(t && t[2][2][16] == 0 && &t[2][1][1] == &t[1][1][1] + 32 && &t[1][2][1] == &t[1][1][1] + 16);
        free_d3tensor(t, 1, 2, 1, 2, 1);
        // 6e8 elements lie above the dense limit and must fail before allocating.
        QVERIFY(!dmatrix(1, 30000, 1, 20000) && !dmatrix(1, 0, 1, 5) && !dvector(5, 1) && !imatrix(1, 3, 2, 1)
                && !d3tensor(1, 1, 1, 1, 2, 1));
    }

    void nonFiniteInputReturns()
    {
        Matrix a(Eigen::MatrixXd::Random(3, 3)), w(1, 3), v(3, 3);
        a.m[2][2] = std::numeric_limits<double>::infinity();
        svd(a.m, 3, 3, w.m[1], v.m);
        QVERIFY(!std::isfinite(w.toEigen().sum()));
    }

    // rank > 0 solves with svdsolve_rank, else with svdsolve and tol.
    void solverGivesMinimumNormLeastSquares_data()
    {
        QTest::addColumn<QList<double>>("matrix"); // row order, as many rows as b has
        QTest::addColumn<QList<double>>("b");
        QTest::addColumn<double>("tol");
        QTest::addColumn<int>("rank");
        QTest::addColumn<QList<double>>("expected");
        // y ≈ c0 + c1·x through (0, 1), (1, 3), (2, 4), (3, 8): the normal
        // equations give c0 = 0.7 and c1 = 2.2.
        const QList<double> line{1, 0, 1, 1, 1, 2, 1, 3}, ys{1, 3, 4, 8};
        QTest::newRow("line fit") << line << ys << 1e-12 << 0 << QList<double>{0.7, 2.2};
        QTest::newRow("line fit, rank 2") << line << ys << 0.0 << 2 << QList<double>{0.7, 2.2};
        const QList<double> diagonal{1, 0, 0, 0, 1e-8, 0, 0, 0, 0.5}, ones{1, 1, 1};
        QTest::newRow("small value below tol dropped") << diagonal << ones << 1e-6 << 0 << QList<double>{1, 0, 2};
        QTest::newRow("small value above tol kept") << diagonal << ones << 1e-10 << 0 << QList<double>{1, 1e8, 2};
        QTest::newRow("rank 1 of [1 1; 1 1]") << QList<double>{1, 1, 1, 1} << QList<double>{2, 2} << 0.0 << 1
                                              << QList<double>{1, 1};
        const QList<double> zero(6, 0.0), b{1, 0, 0};
        QTest::newRow("zero matrix, rank") << zero << b << 0.0 << 2 << QList<double>{0, 0};
        QTest::newRow("zero matrix, tol 0") << zero << b << 0.0 << 0 << QList<double>{0, 0};
    }

    void solverGivesMinimumNormLeastSquares()
    {
        QFETCH(QList<double>, matrix);
        QFETCH(QList<double>, b);
        QFETCH(double, tol);
        QFETCH(int, rank);
        QFETCH(QList<double>, expected);
        const int rows = int(b.size());
        const int cols = int(matrix.size()) / rows;
        Matrix a(Eigen::Map<RowMajor>(matrix.data(), rows, cols));
        Matrix w(1, cols), v(cols, cols), x(1, cols), bv(Eigen::Map<Eigen::RowVectorXd>(b.data(), rows));
        svd(a.m, rows, cols, w.m[1], v.m);
        if (rank > 0)
            svdsolve_rank(a.m, rows, cols, w.m[1], v.m, bv.m[1], x.m[1], rank);
        else
            svdsolve(a.m, rows, cols, w.m[1], v.m, bv.m[1], x.m[1], tol);
        for (int j = 0; j < cols; ++j)
            QVERIFY2(std::fabs(x.m[1][j + 1] - expected[j])
                         <= 10 * tolerancePerSize * rows * std::max(1.0, std::fabs(expected[j])),
                     qPrintable(QString::number(x.m[1][j + 1], 'g', 17)));
    }

    void lnGammaMatchesExactValues()
    {
        const double rootPi = std::sqrt(std::numbers::pi);
        // Γ(1) = 1, Γ(1/2) = √π, Γ(7/2) = 15 √π / 8, Γ(10) = 9!, Γ(100) = 99!
        for (const auto &[x, expected] : {std::array{1.0, 0.0}, {0.5, std::log(rootPi)},
                                          {3.5, std::log(15 * rootPi / 8)}, {10.0, std::log(362880.0)},
                                          {100.0, 359.13420536957539878}})
            QVERIFY2(std::fabs(lnGamma(x) - expected) <= lanczosError, qPrintable(QString::number(x)));
    }

    // I_x(a, b) against published Student quantiles (tail = I / 2 at
    // x = ν / (ν + t²), a = ν / 2, b = 1/2) and closed forms.
    void betaiMatchesIndependentValues_data()
    {
        QTest::addColumn<double>("a");
        QTest::addColumn<double>("b");
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("expected");
        const auto student = [](const char *name, double t, double nu, double tail) {
            QTest::newRow(name) << nu / 2 << 0.5 << nu / (nu + t * t) << 2 * tail;
        };
        student("t df 1, 97.5 %", 12.70620474, 1, 0.025);
        student("t df 10, 95 %", 1.812461123, 10, 0.05);
        student("t df 10, 99.5 %", 3.169272673, 10, 0.005);
        student("t df 120, 97.5 %", 1.979930405, 120, 0.025);
        // z = 2.5758293035 is the normal 99.5 % point; at 10^7 degrees of freedom
        // Student's tail exceeds the normal one by about φ(z)(z³ + z) / (4ν),
        // 1.42e-6 of the tail.
        student("t df 1e7 beside the normal 99.5 %", 2.5758293035, 1e7, 0.005 * (1 + 1.42e-6));
        // One and two degrees of freedom have closed-form tails (Cauchy and ν = 2).
        for (double t : {0.1, 1.0, 5.0, 30.0}) {
            QTest::addRow("Cauchy t %g", t) << 0.5 << 0.5 << 1 / (1 + t * t) << 1 - 2 * std::atan(t) / std::numbers::pi;
            QTest::addRow("df 2 t %g", t) << 1.0 << 0.5 << 2 / (2 + t * t) << 1 - t / std::sqrt(2 + t * t);
        }
        for (double x : {0.05, 0.45, 0.95}) {
            QTest::addRow("I(1, 1) at %g", x) << 1.0 << 1.0 << x << x;
            QTest::addRow("I(3, 1) at %g", x) << 3.0 << 1.0 << x << x * x * x;
            QTest::addRow("I(1, 4) at %g", x) << 1.0 << 4.0 << x << 1 - std::pow(1 - x, 4);
            QTest::addRow("I(2, 2) at %g", x) << 2.0 << 2.0 << x << x * x * (3 - 2 * x);
        }
        QTest::newRow("x 0") << 49.0 << 0.5 << 0.0 << 0.0;
        QTest::newRow("x 1") << 49.0 << 0.5 << 1.0 << 1.0;
    }

    void betaiMatchesIndependentValues()
    {
        QFETCH(double, a);
        QFETCH(double, b);
        QFETCH(double, x);
        QFETCH(double, expected);
        QVERIFY2(std::fabs(betai(a, b, x) - expected) <= fractionError * expected,
                 qPrintable(QString::number(betai(a, b, x), 'g', 17)));
        double checked = -1;
        QVERIFY(tryBetai(a, b, x, betacfMaxIterations, checked));
        QCOMPARE(checked, betai(a, b, x));
        QVERIFY(std::fabs(betai(a, b, x) - (1 - betai(b, a, 1 - x))) <= fractionError);
    }

    void checkedVariantRefusesInsteadOfEnding()
    {
        double value = 0;
        const double nan = std::nan("");
        // x outside [0, 1] or NaN, a or b not positive, a and b beyond what the fraction can reach.
        for (const auto &[a, b, x] : {std::array{1.0, 1.0, -0.1}, {1.0, 1.0, 1.1}, {1.0, 1.0, nan}, {0.0, 1.0, 0.5},
                                      {1.0, -2.0, 0.5}, {1e6, 1e6, 0.5}})
            QVERIFY(!tryBetai(a, b, x, betacfMaxIterations, value));
        QVERIFY(!tryBetai(50, 50, 0.5, 2, value)); // too few iterations
    }
};

RELAXON_TEST_CLASS(TestNumericalRoutines)
#include "test_numericalroutines.moc"
