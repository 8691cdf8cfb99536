#include "numerics/svd.h"

#include "numerics/svdbidiagonal.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int maxSweepsPerValue = 200;

// sqrt(a² + b²) without overflow or destructive underflow.
double hypotenuse(double a, double b)
{
    const double p = std::fabs(a);
    const double q = std::fabs(b);
    if (p > q)
        return p * std::sqrt(1.0 + (q / p) * (q / p));
    if (q != 0)
        return q * std::sqrt(1.0 + (p / q) * (p / q));
    return 0;
}

[[noreturn]] void failAllocation(const char *text)
{
    std::fputs(text, stderr);
    std::exit(1);
}

// x_p ← c·x_p + s·x_q, x_q ← −s·x_p + c·x_q on rows 1..rows.
void rotateColumns(double **x, int32 rows, int32 p, int32 q, double c, double s)
{
    for (int32 r = 1; r <= rows; ++r) {
        const double xp = x[r][p];
        const double xq = x[r][q];
        x[r][p] = c * xp + s * xq;
        x[r][q] = -s * xp + c * xq;
    }
}

// w[l − 1] is negligible: chase e[l] along row l − 1 with left rotations against
// the diagonal until the fill dies out, which splits block l..k from the rest.
void cancelCoupling(double **u, int32 m, double *w, double *e, int32 l, int32 k, double norm)
{
    double fill = e[l];
    e[l] = 0;
    for (int32 i = l;; ++i) {
        const double diagonal = w[i];
        const double h = hypotenuse(fill, diagonal);
        w[i] = h;
        const double c = diagonal / h;
        const double s = fill / h;
        rotateColumns(u, m, l - 1, i, c, -s);
        if (i == k)
            return;
        fill = -s * e[i + 1];
        e[i + 1] *= c;
        if (std::fabs(fill) + norm == norm)
            return;
    }
}

// The eigenvalue of the trailing 2 × 2 of BᵀB (block l..k, k > l) nearer to its
// last diagonal element, in units of scale².
double wilkinsonShift(const double *w, const double *e, int32 l, int32 k, double scale)
{
    const double dPrev = w[k - 1] / scale;
    const double dLast = w[k] / scale;
    const double eLast = e[k] / scale;
    const double ePrev = k - 1 > l ? e[k - 1] / scale : 0;
    const double t11 = dPrev * dPrev + ePrev * ePrev;
    const double t22 = dLast * dLast + eLast * eLast;
    const double t12 = dPrev * eLast;
    if (t12 == 0)
        return t22;
    const double half = (t11 - t22) / 2;
    return t22 - t12 * t12 / (half + std::copysign(hypotenuse(half, t12), half));
}

void givens(double y, double z, double &c, double &s, double &r)
{
    r = hypotenuse(y, z);
    c = r != 0 ? y / r : 1;
    s = r != 0 ? z / r : 0;
}

// One implicitly shifted QR step on the bidiagonal block l..k (k > l): a right
// rotation starts a bulge that alternating left and right rotations chase off.
void qrSweep(double **u, int32 m, double **v, int32 n, double *w, double *e, int32 l, int32 k)
{
    double scale = std::fmax(std::fmax(std::fabs(w[k - 1]), std::fabs(w[k])),
                             std::fmax(std::fabs(e[k]), std::fabs(w[l])));
    scale = std::fmax(scale, std::fmax(std::fabs(e[l + 1]), k - 1 > l ? std::fabs(e[k - 1]) : 0.0));
    if (!(scale > 0))
        scale = 1;
    const double shift = wilkinsonShift(w, e, l, k, scale);
    const double first = w[l] / scale;
    double y = first * first - shift;
    double z = first * (e[l + 1] / scale);
    double c, s, r;
    for (int32 i = l; i < k; ++i) {
        givens(y, z, c, s, r);
        if (i > l)
            e[i] = r;
        double diagonal = w[i];
        double coupling = e[i + 1];
        w[i] = c * diagonal + s * coupling;
        e[i + 1] = -s * diagonal + c * coupling;
        double bulge = s * w[i + 1];
        w[i + 1] *= c;
        rotateColumns(v, n, i, i + 1, c, s);

        givens(w[i], bulge, c, s, r);
        w[i] = r;
        coupling = e[i + 1];
        diagonal = w[i + 1];
        e[i + 1] = c * coupling + s * diagonal;
        w[i + 1] = -s * coupling + c * diagonal;
        bulge = 0;
        if (i + 1 < k) {
            bulge = s * e[i + 2];
            e[i + 2] *= c;
        }
        rotateColumns(u, m, i, i + 1, c, s);
        y = e[i + 1];
        z = bulge;
    }
}

void makeNonNegative(double *w, double **v, int32 n, int32 k)
{
    if (w[k] < 0) {
        w[k] = -w[k];
        for (int32 r = 1; r <= n; ++r)
            v[r][k] = -v[r][k];
    }
}

// Drives every value of the bidiagonal form to convergence, from the last one up.
// A value counts as negligible when adding it to norm changes nothing; the search
// for the block l..k always ends at l = 1, where e[1] is zero, so w[0] is never read
// even when norm is not a number.
void diagonalise(double **u, int32 m, double **v, int32 n, double *w, double *e, double norm,
                 const SvdCountdown &countdown)
{
    auto negligible = [norm](double x) { return std::fabs(x) + norm == norm; };
    for (int32 k = n; k >= 1; --k) {
        countdown.show(0, k - 1);
        for (int sweep = 1;; ++sweep) {
            int32 l = k;
            for (; l > 1; --l) {
                if (negligible(e[l]))
                    break;
                if (negligible(w[l - 1])) {
                    cancelCoupling(u, m, w, e, l, k, norm);
                    break;
                }
            }
            if (l == k) {
                makeNonNegative(w, v, n, k);
                break;
            }
            qrSweep(u, m, v, n, w, e, l, k);
            // A block that will not converge is left as it stands, but its value
            // still has to be a valid (non-negative) singular value for the sort.
            if (sweep == maxSweepsPerValue) {
                makeNonNegative(w, v, n, k);
                break;
            }
        }
    }
}

void decomposeTall(double **a, int32 m, int32 n, double *w, double **v)
{
    double *e = dvector(1, n);
    if (!e)
        failAllocation("Cannot allocate rv1 in svdcmp\n");
    const SvdCountdown countdown(m, n);
    const double norm = bidiagonalise(a, m, n, w, e, countdown);
    accumulateRight(a, n, v, countdown);
    accumulateLeft(a, m, n, countdown);
    diagonalise(a, m, v, n, w, e, norm, countdown);
    countdown.finish();
    free_dvector(e, 1, n);
}

// A wide matrix gets zero rows appended; the rows of U that belong to them are
// dropped again, which leaves the columns of non-zero singular values orthonormal.
void decomposeWide(double **a, int32 m, int32 n, double *w, double **v)
{
    double **square = dmatrix(1, n, 1, n);
    if (!square)
        failAllocation("Cannot allocate work matrix in svdcmp\n");
    for (int32 i = 1; i <= m; ++i)
        for (int32 j = 1; j <= n; ++j)
            square[i][j] = a[i][j];
    decomposeTall(square, n, n, w, v);
    for (int32 i = 1; i <= m; ++i)
        for (int32 j = 1; j <= n; ++j)
            a[i][j] = square[i][j];
    free_dmatrix(square, 1, n, 1);
}

void swapColumns(double **x, int32 rows, int32 p, int32 q)
{
    for (int32 r = 1; r <= rows; ++r) {
        const double kept = x[r][p];
        x[r][p] = x[r][q];
        x[r][q] = kept;
    }
}

} // namespace

void svd(double **a, int32 m, int32 n, double *w, double *v[])
{
    svdcmp(a, m, n, w, v);
    svdsort(m, n, a, w, v);
}

void svdcmp(double **a, int32 m, int32 n, double *w, double *v[])
{
    if (m < 1 || n < 1)
        return;
    if (m >= n)
        decomposeTall(a, m, n, w, v);
    else
        decomposeWide(a, m, n, w, v);
}

void svdsort(int32 m, int32 n, double **a, double *w, double *v[])
{
    for (int32 k = n; k >= 2; --k) {
        int32 smallest = k;
        for (int32 j = 1; j <= k; ++j)
            if (w[j] < w[smallest])
                smallest = j;
        if (smallest == k)
            continue;
        const double kept = w[k];
        w[k] = w[smallest];
        w[smallest] = kept;
        swapColumns(a, m, k, smallest);
        swapColumns(v, n, k, smallest);
    }
}
