#ifndef RELAXON_NUMERICS_INCOMPLETEBETA_H
#define RELAXON_NUMERICS_INCOMPLETEBETA_H

// Special functions behind the p values of the functional statistics.

// Iteration limit of betacf and betai.
constexpr int betacfMaxIterations = 100;

// ln Γ(x) for x > 0 (Lanczos approximation, absolute error below about 2e-10).
double lnGamma(double x);

// The continued fraction of the incomplete beta function I_x(a, b), evaluated by
// the modified Lentz method to a relative change below 3e-7 per iteration; it
// converges fast for x < (a + 1) / (a + b + 2). Ends the process through nrerror
// when betacfMaxIterations are not enough.
double betacf(double a, double b, double x);

// The regularized incomplete beta function I_x(a, b) for a, b > 0 and 0 <= x <= 1;
// betai(a, b, 0) = 0 and betai(a, b, 1) = 1. Ends the process through nrerror when
// x is outside [0, 1] (NaN included) or the continued fraction does not converge.
double betai(double a, double b, double x);

// The same two functions without the fatal ends, for callers that must survive any
// input: false (value unspecified) when a or b is not positive, x is outside
// [0, 1] or NaN, or the fraction has not converged within maxIterations. Where
// betai succeeds, tryBetai with at least betacfMaxIterations gives the same value.
bool tryBetacf(double a, double b, double x, int maxIterations, double &value);
bool tryBetai(double a, double b, double x, int maxIterations, double &value);

// tryBetai for many x with the same a and b: the gamma functions of the prefactor,
// ln Γ(a + b) − ln Γ(a) − ln Γ(b), are computed once, with the same result.
struct BetaShape
{
    double a = 0;
    double b = 0;
    double lnGammaPart = 0;
};
BetaShape betaShape(double a, double b);
bool tryBetai(const BetaShape &shape, double x, int maxIterations, double &value);

#endif
