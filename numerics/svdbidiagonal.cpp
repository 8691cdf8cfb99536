#include "numerics/svdbidiagonal.h"

#include <cmath>

namespace {

// A Householder reflector for the elements at(first..last): they are divided by
// the sum of their magnitudes (so that squaring cannot overflow or underflow)
// and turned into the reflector vector u, with P = I − 2·u·uᵀ / (uᵀu) mapping the
// original elements onto ±their norm at position first. Returns that value in
// the original units; an all-zero range is left zero and gives 0.
template <typename At>
double makeReflector(At at, int32 first, int32 last)
{
    double scale = 0;
    for (int32 k = first; k <= last; ++k)
        scale += std::fabs(at(k));
    if (scale == 0)
        return 0;
    double squares = 0;
    for (int32 k = first; k <= last; ++k) {
        at(k) /= scale;
        squares += at(k) * at(k);
    }
    const double leading = at(first);
    const double image = -std::copysign(std::sqrt(squares), leading);
    at(first) = leading - image;
    return scale * image;
}

// 2 / (uᵀu) for a stored reflector vector, 0 for the skipped (all-zero) one.
// Scaled storage keeps uᵀu at least 1 / (last − first + 1) otherwise.
template <typename At>
double reflectorWeight(At at, int32 first, int32 last)
{
    double squares = 0;
    for (int32 k = first; k <= last; ++k)
        squares += at(k) * at(k);
    return squares > 0 ? 2 / squares : 0;
}

} // namespace

double bidiagonalise(double **a, int32 m, int32 n, double *w, double *e,
                     const SvdCountdown &countdown)
{
    double norm = 0;
    e[1] = 0;
    for (int32 i = 1; i <= n; ++i) {
        countdown.show(3, n - i);
        auto column = [a, i](int32 k) -> double & { return a[k][i]; };
        w[i] = makeReflector(column, i, m);
        const double columnWeight = reflectorWeight(column, i, m);
        if (columnWeight != 0) {
            for (int32 j = i + 1; j <= n; ++j) {
                double dot = 0;
                for (int32 k = i; k <= m; ++k)
                    dot += a[k][i] * a[k][j];
                dot *= columnWeight;
                for (int32 k = i; k <= m; ++k)
                    a[k][j] -= dot * a[k][i];
            }
        }
        if (i < n) {
            auto row = [a, i](int32 k) -> double & { return a[i][k]; };
            e[i + 1] = makeReflector(row, i + 1, n);
            const double rowWeight = reflectorWeight(row, i + 1, n);
            if (rowWeight != 0) {
                for (int32 k = i + 1; k <= m; ++k) {
                    double dot = 0;
                    for (int32 j = i + 1; j <= n; ++j)
                        dot += a[i][j] * a[k][j];
                    dot *= rowWeight;
                    for (int32 j = i + 1; j <= n; ++j)
                        a[k][j] -= dot * a[i][j];
                }
            }
        }
        norm = std::fmax(norm, std::fabs(w[i]) + std::fabs(e[i]));
    }
    return norm;
}

// V = Q1·Q2·…·Q(n−1), built from the back so that each reflector only touches
// the trailing block that the later ones have already filled.
void accumulateRight(double **a, int32 n, double **v, const SvdCountdown &countdown)
{
    for (int32 i = n; i >= 1; --i) {
        countdown.show(2, i - 1);
        if (i < n) {
            auto row = [a, i](int32 k) -> double & { return a[i][k]; };
            const double weight = reflectorWeight(row, i + 1, n);
            if (weight != 0) {
                for (int32 j = i + 1; j <= n; ++j) {
                    double dot = 0;
                    for (int32 k = i + 1; k <= n; ++k)
                        dot += a[i][k] * v[k][j];
                    dot *= weight;
                    for (int32 k = i + 1; k <= n; ++k)
                        v[k][j] -= dot * a[i][k];
                }
            }
        }
        for (int32 j = i + 1; j <= n; ++j)
            v[i][j] = v[j][i] = 0;
        v[i][i] = 1;
    }
}

// Overwrites a with the first n columns of U = P1·P2·…·Pn, again from the back.
void accumulateLeft(double **a, int32 m, int32 n, const SvdCountdown &countdown)
{
    for (int32 i = n; i >= 1; --i) {
        countdown.show(1, i - 1);
        for (int32 j = i + 1; j <= n; ++j)
            a[i][j] = 0;
        auto column = [a, i](int32 k) -> double & { return a[k][i]; };
        const double weight = reflectorWeight(column, i, m);
        if (weight == 0) {
            for (int32 k = i; k <= m; ++k)
                a[k][i] = 0;
        } else {
            for (int32 j = i + 1; j <= n; ++j) {
                double dot = 0;
                for (int32 k = i; k <= m; ++k)
                    dot += a[k][i] * a[k][j];
                dot *= weight;
                for (int32 k = i; k <= m; ++k)
                    a[k][j] -= dot * a[k][i];
            }
            const double factor = -weight * a[i][i];
            for (int32 k = i; k <= m; ++k)
                a[k][i] *= factor;
        }
        a[i][i] += 1;
    }
}
