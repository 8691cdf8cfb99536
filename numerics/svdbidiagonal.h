#ifndef RELAXON_NUMERICS_SVDBIDIAGONAL_H
#define RELAXON_NUMERICS_SVDBIDIAGONAL_H

// The Householder half of the decomposition in svd.cpp; not for other callers.

#include "numerics/matrixmemory.h"

#include <cstdint>
#include <cstdio>

constexpr std::int64_t svdSilentElementCount = 999;

// Big decompositions take long enough that the user should see they are alive;
// the tensor glyphs (3 × 3) must stay silent.
class SvdCountdown
{
public:
    SvdCountdown(int32 m, int32 n) : active(std::int64_t(m) * n > svdSilentElementCount) {}

    void show(int phase, int32 remaining) const
    {
        if (active && remaining % 10 == 0) {
            std::printf("  SVD countdown: %d%5d\r", phase, int(remaining));
            std::fflush(stdout);
        }
    }

    void finish() const
    {
        if (active)
            std::putchar('\n');
    }

private:
    bool active;
};

// Reduces a[1..m][1..n] (m >= n) to upper bidiagonal form: diagonal in w[1..n],
// superdiagonal in e[1..n] (e[i] couples w[i - 1] and w[i], e[1] = 0). The left
// reflector vectors stay in the columns of a on and below the diagonal, the right
// ones in the rows right of it, for the two accumulations below. Returns the largest
// |w[i]| + |e[i]|, the scale against which later values count as negligible.
double bidiagonalise(double **a, int32 m, int32 n, double *w, double *e,
                     const SvdCountdown &countdown);

// Fills v[1..n][1..n] with the product of the right reflectors left in a.
void accumulateRight(double **a, int32 n, double **v, const SvdCountdown &countdown);

// Overwrites a with the first n columns of the product of the left reflectors.
void accumulateLeft(double **a, int32 m, int32 n, const SvdCountdown &countdown);

#endif
