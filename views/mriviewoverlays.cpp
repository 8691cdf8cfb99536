#include "views/mriviewoverlays.h"

#include "numerics/matrixmemory.h"
#include "numerics/svd.h"

#include <QColor>

#include <cmath>

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kArrowCentre = 25;
constexpr double kArrowHalfLength = 15;
constexpr double kGlyphHalfLength = 6;
constexpr double kGlyphSpacing = 16;

} // namespace

QRgb significantPixelColour(double p, double threshold)
{
    if (p < threshold / 3)
        return qRgb(255, 255, 0);
    if (p >= 2 * threshold / 3)
        return qRgb(255, 69, 0);
    return qRgb(255, 165, 0);
}

QString frameTimeText(int frame)
{
    return QString::asprintf("t=%3d s", 2 * frame);
}

GradientArrow gradientArrow(double angleDegrees)
{
    const double theta = angleDegrees * kPi / 180;
    const double s = std::sin(theta);
    const double c = std::cos(theta);
    const QPointF tip(kArrowCentre + kArrowHalfLength * s, kArrowCentre - kArrowHalfLength * c);

    GradientArrow arrow;
    arrow.shaft = QLineF(QPointF(kArrowCentre - kArrowHalfLength * s, kArrowCentre + kArrowHalfLength * c), tip);
    const QPointF corners[] = {{0, 0}, {-5, 5}, {5, 5}};
    for (const QPointF &corner : corners) {
        const double x = std::trunc(c * corner.x() - s * corner.y());
        const double y = std::trunc(s * corner.x() + c * corner.y());
        arrow.head << QPointF(x, y) + tip;
    }
    return arrow;
}

QLineF tensorGlyph(const double tensor[9], double cx, double cy)
{
    double **a = dmatrix(1, 3, 1, 3);
    double **v = dmatrix(1, 3, 1, 3);
    double *w = dvector(1, 3);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            a[i + 1][j + 1] = tensor[3 * i + j];
    svd(a, 3, 3, w, v);

    double dx = 0;
    double dy = 0;
    if (std::isfinite(w[1]) && w[1] > 0) {
        const double anisotropy = 1 - w[2] / w[1];
        dx = kGlyphHalfLength * anisotropy * a[1][1];
        dy = kGlyphHalfLength * anisotropy * a[2][1];
        if (!std::isfinite(dx) || !std::isfinite(dy))
            dx = dy = 0;
    }
    free_dvector(w, 1, 3);
    free_dmatrix(v, 1, 3, 1);
    free_dmatrix(a, 1, 3, 1);
    return QLineF(cx - dx, cy + dy, cx + dx, cy - dy);
}

double glyphStep(int rows, int displayedWidth)
{
    if (rows <= 0 || displayedWidth <= 0)
        return 0;
    return rows * kGlyphSpacing / displayedWidth;
}
