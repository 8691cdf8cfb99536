#include "numerics/svd.h"

#include <cstdio>
#include <cstdlib>

namespace {

// x = V · r with r[j] = (column j of U)·b / w[j] for the kept components.
template <typename Keep>
void solveKept(double **u, int32 m, int32 n, double *w, double **v, double *b, double *x,
               Keep keep)
{
    double *r = dvector(1, n);
    if (!r) {
        std::fputs("Cannot allocate r in svdsolve\n", stderr);
        std::exit(1);
    }
    for (int32 j = 1; j <= n; ++j) {
        if (!keep(j))
            continue;
        double dot = 0;
        for (int32 i = 1; i <= m; ++i)
            dot += u[i][j] * b[i];
        r[j] = dot / w[j];
    }
    for (int32 j = 1; j <= n; ++j) {
        double sum = 0;
        for (int32 l = 1; l <= n; ++l)
            sum += v[j][l] * r[l];
        x[j] = sum;
    }
    free_dvector(r, 1, n);
}

} // namespace

void svdsolve(double **u, int32 m, int32 n, double *w, double *v[], double *b, double *x,
              double tol)
{
    if (m < 1 || n < 1)
        return;
    const double threshold = w[1] * tol;
    solveKept(u, m, n, w, v, b, x,
              [w, threshold](int32 j) { return w[j] > threshold && w[j] > 0; });
}

void svdsolve_rank(double **u, int32 m, int32 n, double *w, double *v[], double *b,
                   double *x, int32 k)
{
    if (m < 1 || n < 1)
        return;
    solveKept(u, m, n, w, v, b, x, [w, k](int32 j) { return j <= k && w[j] > 0; });
}
