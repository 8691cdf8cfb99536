// The vector exponential against the C library's, at every vector width the
// signal kernels use (compiled here for the baseline processor, so every width
// runs on any machine): within two units in the last place where it answers, and
// the lanes it hands back exactly those it cannot take.

#include "simulation/vectorexp.h"
#include "testrunner.h"

#include <QTest>

#include <cmath>
#include <limits>
#include <vector>

// Wide vectors pass between inlined functions only; the calling convention that
// -Wpsabi warns about never applies.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

std::vector<double> arguments()
{
    std::vector<double> xs = {0.0, -0.0, 1e-300, -1e-300, 1e-17, 708.0, 709.0, 709.5, 710.0, -708.0,
                              -708.5, -745.0, -746.0, -746.5, -1e300, 1e300, kNaN, kInf, -kInf};
    for (double x = -760.0; x <= 720.0; x += 0.01373)
        xs.push_back(x);
    // Both sides of the points where the reduction changes its table entry.
    const double step = std::log(2.0) / 32.0;
    for (int k = -200; k <= 200; ++k)
        for (double d : {-1e-15, 0.0, 1e-15})
            xs.push_back(k * step + d);
    return xs;
}

template <typename V>
void checkWidth()
{
    using M = vectormath::MaskOf<V>;
    constexpr int lanes = vectormath::VectorTraits<V>::lanes;
    std::vector<double> xs = arguments();
    xs.resize((xs.size() + lanes - 1) / lanes * lanes, 1.0);
    for (std::size_t i = 0; i < xs.size(); i += lanes) {
        M slow;
        const V e = vectormath::exp(vectormath::load<V>(&xs[i]), &slow);
        for (int l = 0; l < lanes; ++l) {
            const double x = xs[i + l];
            const bool handedBack = std::isnan(x) || x > 709.0 || (x < -708.0 && x >= -746.0);
            QVERIFY2((slow[l] != 0) == handedBack, qPrintable(QString::number(x, 'g', 17)));
            if (handedBack)
                continue;
            const double expected = std::exp(x);
            const double tolerance = 2 * std::numeric_limits<double>::epsilon() * expected;
            QVERIFY2(std::fabs(e[l] - expected) <= tolerance,
                     qPrintable(QStringLiteral("exp(%1) = %2, not %3")
                                    .arg(x, 0, 'g', 17).arg(e[l], 0, 'g', 17).arg(expected, 0, 'g', 17)));
        }
    }
}

} // namespace

class TestVectorExp : public QObject
{
    Q_OBJECT

private slots:
    void twoLanes() { checkWidth<vectormath::Double2>(); }
    void fourLanes() { checkWidth<vectormath::Double4>(); }
    void eightLanes() { checkWidth<vectormath::Double8>(); }
};

RELAXON_TEST_CLASS(TestVectorExp)
#include "test_vectorexp.moc"
