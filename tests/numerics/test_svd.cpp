#include "numerics/matrixmemory.h"
#include "numerics/svd.h"
#include "testrunner.h"

#include <Eigen/Dense>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

constexpr double epsilon = std::numeric_limits<double>::epsilon();
// Backward-stable decompositions reproduce A to a small multiple of
// size · eps · ‖A‖; the same bound holds for each singular value (Weyl).
constexpr double backwardErrorFactor = 16;
// Columns of U that belong to singular values below this share of w[1] are
// not determined by A and are not checked for orthonormality.
constexpr double usedColumnShare = 1e-10;

enum class Kind { Random, Hilbert, RankTwo, Zero, Ones, Tiny, Huge, RepeatedColumn, ZeroOnBidiagonal };

// A dmatrix that frees itself, with a row-major copy for comparisons.
class Matrix
{
public:
    Matrix(int32 rows, int32 cols) : rows(rows), cols(cols), m(dmatrix(1, rows, 1, cols)) {}
    ~Matrix() { free_dmatrix(m, 1, rows, 1); }
    Matrix(const Matrix &) = delete;
    Matrix &operator=(const Matrix &) = delete;

    Eigen::MatrixXd toEigen() const
    {
        Eigen::MatrixXd e(rows, cols);
        for (int32 i = 1; i <= rows; ++i)
            for (int32 j = 1; j <= cols; ++j)
                e(i - 1, j - 1) = m[i][j];
        return e;
    }

    const int32 rows;
    const int32 cols;
    double **const m;
};

class Vector
{
public:
    explicit Vector(int32 size) : size(size), v(dvector(1, size)) {}
    ~Vector() { free_dvector(v, 1, size); }
    Vector(const Vector &) = delete;
    Vector &operator=(const Vector &) = delete;

    const int32 size;
    double *const v;
};

void fill(Matrix &a, Kind kind)
{
    std::mt19937 generator(12345);
    std::uniform_real_distribution<double> uniform(-1, 1);
    std::vector<double> left(a.rows), right(a.cols), left2(a.rows), right2(a.cols);
    for (auto *values : {&left, &left2})
        for (double &x : *values)
            x = uniform(generator);
    for (auto *values : {&right, &right2})
        for (double &x : *values)
            x = uniform(generator);
    for (int32 i = 1; i <= a.rows; ++i) {
        for (int32 j = 1; j <= a.cols; ++j) {
            double &x = a.m[i][j];
            switch (kind) {
            case Kind::Random: x = uniform(generator); break;
            case Kind::Hilbert: x = 1.0 / (i + j - 1); break;
            case Kind::RankTwo:
                x = left[i - 1] * right[j - 1] + left2[i - 1] * right2[j - 1];
                break;
            case Kind::Zero: x = 0; break;
            case Kind::Ones: x = 1; break;
            case Kind::Tiny: x = 1e-200 * uniform(generator); break;
            case Kind::Huge: x = 1e200 * uniform(generator); break;
            case Kind::RepeatedColumn: x = j == a.cols ? a.m[i][1] : uniform(generator); break;
            // Already bidiagonal with an exact zero on the diagonal: the coupling
            // to its right has to be chased out before the sweeps can go on.
            case Kind::ZeroOnBidiagonal:
                x = i == j ? (i == 2 ? 0.0 : double(i)) : (j == i + 1 ? 1.0 : 0.0);
                break;
            }
        }
    }
}

double largestMagnitude(const Eigen::MatrixXd &x)
{
    return x.size() ? x.cwiseAbs().maxCoeff() : 0;
}

} // namespace

class TestSvd : public QObject
{
    Q_OBJECT

private slots:
    void decompositionHoldsItsInvariants_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("cols");
        QTest::newRow("random square 6") << int(Kind::Random) << 6 << 6;
        QTest::newRow("random tall 9x4") << int(Kind::Random) << 9 << 4;
        QTest::newRow("random wide 3x7") << int(Kind::Random) << 3 << 7;
        QTest::newRow("random 1x1") << int(Kind::Random) << 1 << 1;
        QTest::newRow("column 5x1") << int(Kind::Random) << 5 << 1;
        QTest::newRow("row 1x5") << int(Kind::Random) << 1 << 5;
        QTest::newRow("large 40x30 with countdown") << int(Kind::Random) << 40 << 30;
        QTest::newRow("hilbert 10") << int(Kind::Hilbert) << 10 << 10;
        QTest::newRow("hilbert tall 12x6") << int(Kind::Hilbert) << 12 << 6;
        QTest::newRow("rank two 7x5") << int(Kind::RankTwo) << 7 << 5;
        QTest::newRow("rank two wide 4x6") << int(Kind::RankTwo) << 4 << 6;
        QTest::newRow("repeated column 5x5") << int(Kind::RepeatedColumn) << 5 << 5;
        QTest::newRow("zero on bidiagonal 5x5") << int(Kind::ZeroOnBidiagonal) << 5 << 5;
        QTest::newRow("zero on bidiagonal tall 6x5") << int(Kind::ZeroOnBidiagonal) << 6 << 5;
        QTest::newRow("zero 3x3") << int(Kind::Zero) << 3 << 3;
        QTest::newRow("zero wide 2x4") << int(Kind::Zero) << 2 << 4;
        QTest::newRow("ones 3x3") << int(Kind::Ones) << 3 << 3;
        QTest::newRow("tiny values 6x4") << int(Kind::Tiny) << 6 << 4;
        QTest::newRow("huge values 6x4") << int(Kind::Huge) << 6 << 4;
    }

    void decompositionHoldsItsInvariants()
    {
        QFETCH(int, kind);
        QFETCH(int, rows);
        QFETCH(int, cols);
        Matrix a(rows, cols);
        fill(a, Kind(kind));
        const Eigen::MatrixXd original = a.toEigen();
        Vector w(cols);
        Matrix v(cols, cols);
        svd(a.m, rows, cols, w.v, v.m);

        const Eigen::MatrixXd u = a.toEigen();
        const Eigen::MatrixXd vm = v.toEigen();
        Eigen::VectorXd singular(cols);
        for (int32 j = 1; j <= cols; ++j)
            singular(j - 1) = w.v[j];

        const double scale = std::max(largestMagnitude(original), singular.maxCoeff());
        const double tolerance = backwardErrorFactor * std::max(rows, cols) * epsilon;

        for (int32 j = 1; j <= cols; ++j) {
            QVERIFY2(w.v[j] >= 0, "singular values are non-negative");
            if (j > 1)
                QVERIFY2(w.v[j] <= w.v[j - 1], "singular values descend");
        }

        const Eigen::MatrixXd rebuilt = u * singular.asDiagonal() * vm.transpose();
        QVERIFY(largestMagnitude(rebuilt - original) <= tolerance * scale);

        const Eigen::MatrixXd vOrthogonality = vm.transpose() * vm - Eigen::MatrixXd::Identity(cols, cols);
        QVERIFY(largestMagnitude(vOrthogonality) <= tolerance);
        QVERIFY(largestMagnitude(vm * vm.transpose() - Eigen::MatrixXd::Identity(cols, cols)) <= tolerance);

        int used = 0;
        while (used < cols && singular(used) > usedColumnShare * singular(0))
            ++used;
        const Eigen::MatrixXd usedU = u.leftCols(used);
        QVERIFY(largestMagnitude(usedU.transpose() * usedU - Eigen::MatrixXd::Identity(used, used))
                <= tolerance);

        // An independent decomposition gives min(rows, cols) values; any further
        // ones of a wide matrix must vanish.
        const Eigen::VectorXd reference =
            Eigen::JacobiSVD<Eigen::MatrixXd>(original).singularValues();
        for (int j = 0; j < cols; ++j) {
            const double expected = j < reference.size() ? reference(j) : 0.0;
            QVERIFY2(std::fabs(singular(j) - expected) <= tolerance * scale,
                     qPrintable(QStringLiteral("w[%1] = %2, reference %3")
                                    .arg(j + 1)
                                    .arg(singular(j), 0, 'g', 17)
                                    .arg(expected, 0, 'g', 17)));
        }
    }

    void diagonalMatrixGivesMatchingPermutation()
    {
        Matrix a(3, 3);
        a.m[1][1] = 1;
        a.m[2][2] = 3;
        a.m[3][3] = 2;
        Vector w(3);
        Matrix v(3, 3);
        svd(a.m, 3, 3, w.v, v.m);
        QCOMPARE(w.v[1], 3.0);
        QCOMPARE(w.v[2], 2.0);
        QCOMPARE(w.v[3], 1.0);
        // Column j of U and V is the unit vector of the diagonal entry w[j] came from.
        const int source[] = {0, 2, 3, 1};
        for (int j = 1; j <= 3; ++j) {
            for (int i = 1; i <= 3; ++i) {
                const double expected = i == source[j] ? 1.0 : 0.0;
                QCOMPARE(std::fabs(a.m[i][j]), expected);
                QCOMPARE(std::fabs(v.m[i][j]), expected);
            }
        }
    }

    void symmetricTensorGivesItsPrincipalDirection()
    {
        const double tensor[3][3] = {{2.0, 0.4, 0.1}, {0.4, 1.0, 0.2}, {0.1, 0.2, 0.5}};
        Matrix a(3, 3);
        Eigen::Matrix3d reference;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                a.m[i + 1][j + 1] = reference(i, j) = tensor[i][j];
        Vector w(3);
        Matrix v(3, 3);
        svd(a.m, 3, 3, w.v, v.m);

        // The eigen solver sorts ascending; its last vector is the principal one.
        Eigen::SelfAdjointEigenSolver<Eigen::Matrix3d> eigen(reference);
        const Eigen::Vector3d values = eigen.eigenvalues();
        const double tolerance = backwardErrorFactor * 3 * epsilon * values(2);
        // A vector is determined to the value error over the distance to its neighbours.
        const double smallestGap = std::min(values(1) - values(0), values(2) - values(1));
        const double directionTolerance = tolerance / smallestGap;
        for (int j = 1; j <= 3; ++j) {
            QVERIFY(std::fabs(w.v[j] - eigen.eigenvalues()(3 - j)) <= tolerance);
            const Eigen::Vector3d direction = eigen.eigenvectors().col(3 - j);
            const double sign = direction(0) * a.m[1][j] + direction(1) * a.m[2][j]
                    + direction(2) * a.m[3][j] < 0 ? -1 : 1;
            for (int i = 1; i <= 3; ++i) {
                QVERIFY(std::fabs(a.m[i][j] - v.m[i][j]) <= directionTolerance);
                QVERIFY(std::fabs(sign * a.m[i][j] - direction(i - 1)) <= directionTolerance);
            }
        }
    }

    void matrixOfOnesHasOneNonZeroValueFirst()
    {
        Matrix a(3, 3);
        fill(a, Kind::Ones);
        Vector w(3);
        Matrix v(3, 3);
        svd(a.m, 3, 3, w.v, v.m);
        const double tolerance = backwardErrorFactor * 3 * epsilon * 3;
        QVERIFY(std::fabs(w.v[1] - 3) <= tolerance);
        QVERIFY(w.v[2] <= tolerance);
        QVERIFY(w.v[3] <= tolerance);
    }

    void nonFiniteInputReturns()
    {
        for (double bad : {std::nan(""), std::numeric_limits<double>::infinity()}) {
            Matrix a(3, 3);
            fill(a, Kind::Random);
            a.m[2][2] = bad;
            Vector w(3);
            Matrix v(3, 3);
            svd(a.m, 3, 3, w.v, v.m);
            QVERIFY(!std::isfinite(w.v[1]) || !std::isfinite(w.v[2]) || !std::isfinite(w.v[3]));
        }
    }

    void sortKeepsColumnsWithTheirValues()
    {
        Matrix a(2, 3);
        Matrix v(3, 3);
        Vector w(3);
        const double values[] = {0, 1, 3, 2};
        for (int j = 1; j <= 3; ++j) {
            w.v[j] = values[j];
            a.m[1][j] = a.m[2][j] = 10 * values[j];
            for (int i = 1; i <= 3; ++i)
                v.m[i][j] = 100 * values[j] + i;
        }
        svdsort(2, 3, a.m, w.v, v.m);
        for (int j = 1; j <= 3; ++j) {
            QCOMPARE(w.v[j], double(4 - j));
            QCOMPARE(a.m[2][j], 10 * w.v[j]);
            QCOMPARE(v.m[3][j], 100 * w.v[j] + 3);
        }
    }

    void solverFitsLeastSquaresLine()
    {
        // y ≈ c0 + c1·x through (0, 1), (1, 3), (2, 4), (3, 8); the normal
        // equations give c0 = 0.7 and c1 = 2.2.
        const double ys[] = {1, 3, 4, 8};
        Matrix a(4, 2);
        Vector b(4);
        for (int i = 1; i <= 4; ++i) {
            a.m[i][1] = 1;
            a.m[i][2] = i - 1;
            b.v[i] = ys[i - 1];
        }
        Vector w(2);
        Matrix v(2, 2);
        svd(a.m, 4, 2, w.v, v.m);
        Vector x(2);
        const double tolerance = backwardErrorFactor * 4 * epsilon * 10;
        svdsolve(a.m, 4, 2, w.v, v.m, b.v, x.v, 1e-12);
        QVERIFY(std::fabs(x.v[1] - 0.7) <= tolerance);
        QVERIFY(std::fabs(x.v[2] - 2.2) <= tolerance);

        svdsolve_rank(a.m, 4, 2, w.v, v.m, b.v, x.v, 2);
        QVERIFY(std::fabs(x.v[1] - 0.7) <= tolerance);
        QVERIFY(std::fabs(x.v[2] - 2.2) <= tolerance);
    }

    void solverDropsSmallSingularValues_data()
    {
        QTest::addColumn<double>("tol");
        QTest::addColumn<double>("expectedMiddle");
        QTest::newRow("below tolerance dropped") << 1e-6 << 0.0;
        QTest::newRow("above tolerance kept") << 1e-10 << 1e8;
    }

    void solverDropsSmallSingularValues()
    {
        QFETCH(double, tol);
        QFETCH(double, expectedMiddle);
        Matrix a(3, 3);
        a.m[1][1] = 1;
        a.m[2][2] = 1e-8;
        a.m[3][3] = 0.5;
        Vector w(3);
        Matrix v(3, 3);
        svd(a.m, 3, 3, w.v, v.m);
        Vector b(3);
        b.v[1] = b.v[2] = b.v[3] = 1;
        Vector x(3);
        svdsolve(a.m, 3, 3, w.v, v.m, b.v, x.v, tol);
        const double tolerance = backwardErrorFactor * 3 * epsilon;
        QVERIFY(std::fabs(x.v[1] - 1) <= tolerance);
        QVERIFY(std::fabs(x.v[2] - expectedMiddle) <= tolerance * std::max(1.0, expectedMiddle));
        QVERIFY(std::fabs(x.v[3] - 2) <= tolerance);
    }

    void rankSolverGivesMinimumNormSolution()
    {
        // [1 1; 1 1]·x = (2, 2) has the minimum-norm solution (1, 1).
        Matrix a(2, 2);
        fill(a, Kind::Ones);
        Vector w(2);
        Matrix v(2, 2);
        svd(a.m, 2, 2, w.v, v.m);
        Vector b(2);
        b.v[1] = b.v[2] = 2;
        Vector x(2);
        svdsolve_rank(a.m, 2, 2, w.v, v.m, b.v, x.v, 1);
        const double tolerance = backwardErrorFactor * 2 * epsilon * 2;
        QVERIFY(std::fabs(x.v[1] - 1) <= tolerance);
        QVERIFY(std::fabs(x.v[2] - 1) <= tolerance);
    }

    void zeroSingularValuesNeverDivide()
    {
        Matrix a(3, 2);
        Vector w(2);
        Matrix v(2, 2);
        svd(a.m, 3, 2, w.v, v.m);
        Vector b(3);
        b.v[1] = 1;
        Vector x(2);
        svdsolve_rank(a.m, 3, 2, w.v, v.m, b.v, x.v, 2);
        QCOMPARE(x.v[1], 0.0);
        QCOMPARE(x.v[2], 0.0);
        svdsolve(a.m, 3, 2, w.v, v.m, b.v, x.v, 0.0);
        QCOMPARE(x.v[1], 0.0);
        QCOMPARE(x.v[2], 0.0);
    }
};

RELAXON_TEST_CLASS(TestSvd)
#include "test_svd.moc"
