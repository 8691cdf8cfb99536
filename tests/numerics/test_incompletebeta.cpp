#include "numerics/incompletebeta.h"
#include "testrunner.h"

#include <QTest>

#include <array>
#include <cmath>
#include <numbers>

namespace {

// The six-term Lanczos series is good to about 2e-10 in Γ, hence in ln Γ.
constexpr double lanczosError = 2e-10;
// The continued fraction stops once an iteration changes it by less than 3e-7;
// its result is trusted to a few times that, relatively. Table quantiles quoted
// to ten significant digits move a tail by far less than that.
constexpr double fractionError = 1e-6;

} // namespace

class TestIncompleteBeta : public QObject
{
    Q_OBJECT

private slots:
    void lnGammaMatchesExactValues_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("expected");
        const double rootPi = std::sqrt(std::numbers::pi);
        QTest::newRow("gamma(1) = 1") << 1.0 << 0.0;
        QTest::newRow("gamma(1/2) = sqrt(pi)") << 0.5 << std::log(rootPi);
        QTest::newRow("gamma(7/2) = 15 sqrt(pi) / 8") << 3.5 << std::log(15 * rootPi / 8);
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
            QTest::addRow("Cauchy t %g", t) << 0.5 << 0.5 << 1 / (1 + t * t)
                                            << 1 - 2 * std::atan(t) / std::numbers::pi;
            QTest::addRow("df 2 t %g", t) << 1.0 << 0.5 << 2 / (2 + t * t)
                                          << 1 - t / std::sqrt(2 + t * t);
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

RELAXON_TEST_CLASS(TestIncompleteBeta)
#include "test_incompletebeta.moc"
