#include "numerics/incompletebeta.h"
#include "testrunner.h"

#include <QTest>

#include <cmath>
#include <limits>
#include <numbers>

namespace {

// The six-term Lanczos series is good to about 2e-10 in Γ, hence in ln Γ.
constexpr double lanczosError = 2e-10;
// The continued fraction stops once an iteration changes it by less than 3e-7;
// its result is trusted to a few times that, relatively.
constexpr double fractionError = 1e-6;
// Table quantiles quoted to ten significant digits move the tail by far less.
constexpr double quantileRounding = 1e-8;

// Upper tail of Student's t with nu degrees of freedom for t >= 0.
double upperTail(double t, double nu)
{
    return betai(nu / 2, 0.5, nu / (nu + t * t)) / 2;
}

} // namespace

class TestIncompleteBeta : public QObject
{
    Q_OBJECT

private slots:
    void lnGammaMatchesExactValues_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("expected");
        QTest::newRow("gamma(1) = 1") << 1.0 << 0.0;
        QTest::newRow("gamma(2) = 1") << 2.0 << 0.0;
        QTest::newRow("gamma(1/2) = sqrt(pi)") << 0.5 << std::log(std::sqrt(std::numbers::pi));
        QTest::newRow("gamma(7/2) = 15 sqrt(pi) / 8")
            << 3.5 << std::log(15 * std::sqrt(std::numbers::pi) / 8);
        QTest::newRow("gamma(10) = 9!") << 10.0 << std::log(362880.0);
        QTest::newRow("gamma(100) = 99!") << 100.0 << 359.13420536957539878;
    }

    void lnGammaMatchesExactValues()
    {
        QFETCH(double, x);
        QFETCH(double, expected);
        QVERIFY2(std::fabs(lnGamma(x) - expected) <= lanczosError,
                 qPrintable(QString::number(lnGamma(x) - expected, 'g', 17)));
    }

    void lnGammaFollowsTheRecurrence()
    {
        for (double x = 0.1; x < 40; x *= 1.37)
            QVERIFY(std::fabs(lnGamma(x + 1) - lnGamma(x) - std::log(x)) <= 2 * lanczosError);
    }

    // Two-sided 95 % and one-sided 95 % and 99.5 % points of Student's t.
    void betaiGivesStudentTailsOfPublishedTables_data()
    {
        QTest::addColumn<double>("t");
        QTest::addColumn<double>("nu");
        QTest::addColumn<double>("tail");
        QTest::newRow("df 1, 97.5 %") << 12.70620474 << 1.0 << 0.025;
        QTest::newRow("df 5, 97.5 %") << 2.570581836 << 5.0 << 0.025;
        QTest::newRow("df 10, 97.5 %") << 2.228138852 << 10.0 << 0.025;
        QTest::newRow("df 10, 95 %") << 1.812461123 << 10.0 << 0.05;
        QTest::newRow("df 10, 99.5 %") << 3.169272673 << 10.0 << 0.005;
        QTest::newRow("df 20, 97.5 %") << 2.085963447 << 20.0 << 0.025;
        QTest::newRow("df 30, 97.5 %") << 2.042272456 << 30.0 << 0.025;
        QTest::newRow("df 120, 97.5 %") << 1.979930405 << 120.0 << 0.025;
    }

    void betaiGivesStudentTailsOfPublishedTables()
    {
        QFETCH(double, t);
        QFETCH(double, nu);
        QFETCH(double, tail);
        QVERIFY(std::fabs(upperTail(t, nu) / tail - 1) <= fractionError + quantileRounding);
        QVERIFY(std::fabs(betai(nu / 2, 0.5, nu / (nu + t * t)) / (2 * tail) - 1)
                <= fractionError + quantileRounding);
    }

    // One and two degrees of freedom have closed-form tails.
    void betaiMatchesClosedFormTails()
    {
        for (double t : {0.1, 0.5, 1.0, 2.0, 5.0, 30.0}) {
            const double cauchy = 0.5 - std::atan(t) / std::numbers::pi;
            QVERIFY(std::fabs(upperTail(t, 1) / cauchy - 1) <= fractionError);
            const double twoDegrees = 0.5 * (1 - t / std::sqrt(2 + t * t));
            QVERIFY(std::fabs(upperTail(t, 2) / twoDegrees - 1) <= fractionError);
        }
    }

    void manyDegreesOfFreedomApproachTheNormalTail()
    {
        // z = 2.5758293035 is the normal 99.5 % point; at 10^7 degrees of freedom
        // Student's tail exceeds the normal one by about φ(z)(z³ + z) / (4ν),
        // 1.4e-6 of the tail.
        constexpr double normalApproximationError = 2e-6;
        double tail = 0;
        const double nu = 1e7;
        const double z = 2.5758293035;
        QVERIFY(tryBetai(nu / 2, 0.5, nu / (nu + z * z), betacfMaxIterations, tail));
        QVERIFY(std::fabs(tail / 2 / 0.005 - 1) <= fractionError + normalApproximationError);
    }

    void betaiMatchesPolynomialCases()
    {
        for (double x = 0.05; x < 1; x += 0.1) {
            QVERIFY(std::fabs(betai(1, 1, x) - x) <= fractionError * x);
            QVERIFY(std::fabs(betai(3, 1, x) - x * x * x) <= fractionError * x * x * x);
            const double oneMinus = 1 - std::pow(1 - x, 4);
            QVERIFY(std::fabs(betai(1, 4, x) - oneMinus) <= fractionError * oneMinus);
            const double twoTwo = x * x * (3 - 2 * x);
            QVERIFY(std::fabs(betai(2, 2, x) - twoTwo) <= fractionError * twoTwo);
        }
    }

    void betaiIsExactAtTheEnds()
    {
        for (double a : {0.5, 2.0, 49.0}) {
            QCOMPARE(betai(a, 0.5, 0), 0.0);
            QCOMPARE(betai(a, 0.5, 1), 1.0);
        }
    }

    void betaiIsSymmetric()
    {
        for (double x : {0.01, 0.2, 0.5, 0.7, 0.99})
            for (double a : {0.5, 3.0, 40.0})
                for (double b : {0.5, 2.0})
                    QVERIFY(std::fabs(betai(a, b, x) - (1 - betai(b, a, 1 - x))) <= fractionError);
    }

    void checkedVariantsRefuseInsteadOfEnding_data()
    {
        QTest::addColumn<double>("a");
        QTest::addColumn<double>("b");
        QTest::addColumn<double>("x");
        QTest::addColumn<int>("iterations");
        QTest::newRow("x below 0") << 1.0 << 1.0 << -0.1 << betacfMaxIterations;
        QTest::newRow("x above 1") << 1.0 << 1.0 << 1.1 << betacfMaxIterations;
        QTest::newRow("x NaN") << 1.0 << 1.0 << std::nan("") << betacfMaxIterations;
        QTest::newRow("a zero") << 0.0 << 1.0 << 0.5 << betacfMaxIterations;
        QTest::newRow("b negative") << 1.0 << -2.0 << 0.5 << betacfMaxIterations;
        QTest::newRow("a and b too big") << 1e6 << 1e6 << 0.5 << betacfMaxIterations;
        QTest::newRow("too few iterations") << 50.0 << 50.0 << 0.5 << 2;
    }

    void checkedVariantsRefuseInsteadOfEnding()
    {
        QFETCH(double, a);
        QFETCH(double, b);
        QFETCH(double, x);
        QFETCH(int, iterations);
        double value = 0;
        QVERIFY(!tryBetai(a, b, x, iterations, value));
    }

    void checkedVariantAgreesWithTheFatalOne()
    {
        double value = 0;
        QVERIFY(tryBetai(49, 0.5, 0.9617, betacfMaxIterations, value));
        QCOMPARE(value, betai(49, 0.5, 0.9617));
        QVERIFY(tryBetacf(3, 2, 0.3, betacfMaxIterations, value));
        QCOMPARE(value, betacf(3, 2, 0.3));
    }
};

RELAXON_TEST_CLASS(TestIncompleteBeta)
#include "test_incompletebeta.moc"
