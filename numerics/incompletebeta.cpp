#include "numerics/incompletebeta.h"

#include "numerics/matrixmemory.h"

#include <cmath>

namespace {

constexpr double fractionTolerance = 3e-7;
constexpr double tinyMagnitude = 1e-30;

// Keeps the Lentz recurrences away from division by zero.
double guarded(double value)
{
    return std::fabs(value) < tinyMagnitude ? tinyMagnitude : value;
}

// I_x(a, b) for arguments already known to be in the domain.
bool incompleteBeta(const BetaShape &shape, double x, int maxIterations, double &value)
{
    const double a = shape.a;
    const double b = shape.b;
    const double front = (x == 0 || x == 1)
        ? 0.0
        : std::exp(shape.lnGammaPart + a * std::log(x) + b * std::log(1 - x));
    double fraction = 0;
    // The symmetry I_x(a, b) = 1 − I_(1−x)(b, a) keeps the fraction where it
    // converges quickly.
    if (x < (a + 1) / (a + b + 2)) {
        if (!tryBetacf(a, b, x, maxIterations, fraction))
            return false;
        value = front * fraction / a;
    } else {
        if (!tryBetacf(b, a, 1 - x, maxIterations, fraction))
            return false;
        value = 1 - front * fraction / b;
    }
    return true;
}

bool inUnitInterval(double x)
{
    return x >= 0 && x <= 1;
}

const char *const nonConvergenceText = "a or b too big, or MAXIT too small in betacf";

} // namespace

double lnGamma(double x)
{
    static constexpr double coefficients[] = {76.18009172947146,     -86.50532032941678,
                                              24.01409824083091,     -1.231739572450155,
                                              0.001208650973866179, -5.395239384953e-06};
    double denominator = x;
    double tmp = x + 5.5;
    tmp -= (x + 0.5) * std::log(tmp);
    double series = 1.000000000190015;
    for (double coefficient : coefficients)
        series += coefficient / ++denominator;
    return -tmp + std::log(2.5066282746310007 * series / x);
}

bool tryBetacf(double a, double b, double x, int maxIterations, double &value)
{
    const double sum = a + b;
    const double above = a + 1;
    const double below = a - 1;
    double numeratorRatio = 1;
    double denominatorRatio = 1 / guarded(1 - sum * x / above);
    double result = denominatorRatio;
    for (int m = 1; m <= maxIterations; ++m) {
        const double twoM = 2.0 * m;
        double coefficient = m * (b - m) * x / ((below + twoM) * (a + twoM));
        denominatorRatio = 1 / guarded(1 + coefficient * denominatorRatio);
        numeratorRatio = guarded(1 + coefficient / numeratorRatio);
        result *= denominatorRatio * numeratorRatio;

        coefficient = -(a + m) * (sum + m) * x / ((a + twoM) * (above + twoM));
        denominatorRatio = 1 / guarded(1 + coefficient * denominatorRatio);
        numeratorRatio = guarded(1 + coefficient / numeratorRatio);
        const double change = denominatorRatio * numeratorRatio;
        result *= change;
        if (std::fabs(change - 1) < fractionTolerance) {
            value = result;
            return true;
        }
    }
    value = result;
    return false;
}

double betacf(double a, double b, double x)
{
    double value = 0;
    if (!tryBetacf(a, b, x, betacfMaxIterations, value))
        nrerror(nonConvergenceText);
    return value;
}

BetaShape betaShape(double a, double b)
{
    return {a, b, lnGamma(a + b) - lnGamma(a) - lnGamma(b)};
}

bool tryBetai(const BetaShape &shape, double x, int maxIterations, double &value)
{
    if (!(shape.a > 0) || !(shape.b > 0) || !inUnitInterval(x))
        return false;
    return incompleteBeta(shape, x, maxIterations, value);
}

bool tryBetai(double a, double b, double x, int maxIterations, double &value)
{
    return tryBetai(betaShape(a, b), x, maxIterations, value);
}

double betai(double a, double b, double x)
{
    if (!inUnitInterval(x))
        nrerror("Bad x in routine betai");
    double value = 0;
    if (!incompleteBeta(betaShape(a, b), x, betacfMaxIterations, value))
        nrerror(nonConvergenceText);
    return value;
}
