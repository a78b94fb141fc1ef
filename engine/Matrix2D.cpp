#include "Matrix2D.h"

#include "NumberFns.h"

#include <cmath>
#include <limits>

namespace quillon {

void TMatrix2D::Identity()
{
    m = {{{1, 0, 0}, {0, 1, 0}}};
}

void TMatrix2D::Scale(double fx, double fy)
{
    for (double& v : m[0]) v *= fx;
    for (double& v : m[1]) v *= fy;
}

void TMatrix2D::Translate(double ddx, double ddy)
{
    m[0][2] += ddx;
    m[1][2] += ddy;
}

void TMatrix2D::Translate(const TPoint2D& offset)
{
    Translate(offset.x, offset.y);
}

void TMatrix2D::Rotate(double a)
{
    const double c = std::cos(a);
    const double s = std::sin(a);
    for (int col = 0; col < 3; ++col) {
        const double r0 = m[0][col];
        const double r1 = m[1][col];
        m[0][col] = c * r0 - s * r1;
        m[1][col] = s * r0 + c * r1;
    }
}

void TMatrix2D::Inverse()
{
    const double a11 = m11(), a12 = m12(), a21 = m21(), a22 = m22(), adx = dx(), ady = dy();
    const double det = a11 * a22 - a21 * a12;
    m[0][0] = a22 / det;
    m[0][1] = -a12 / det;
    m[1][0] = -a21 / det;
    m[1][1] = a11 / det;
    m[0][2] = (a21 * ady - a22 * adx) / det;
    m[1][2] = (a12 * adx - a11 * ady) / det;
}

TPoint2D TMatrix2D::Transform(const TPoint2D& pt) const
{
    return {pt.x * m11() + pt.y * m21() + dx(), pt.x * m12() + pt.y * m22() + dy()};
}

TPoint2D TMatrix2D::Transform(const TPoint& pt) const
{
    return Transform(TPoint2D{static_cast<double>(pt.x), static_cast<double>(pt.y)});
}

void TMatrix2D::Transform(TPoint* pts, std::size_t count) const
{
    for (std::size_t i = 0; i < count; ++i) {
        const TPoint2D r = Transform(pts[i]);
        pts[i] = {RoundToInt(r.x), RoundToInt(r.y)};
    }
}

TPoint2D TMatrix2D::TransformDistance(const TPoint& distance) const
{
    const double x = distance.x, y = distance.y;
    return {x * m11() + y * m21(), x * m12() + y * m22()};
}

TXForm MatrixToXForm(const TMatrix2D& matrix)
{
    return {static_cast<float>(matrix.m11()), static_cast<float>(matrix.m12()),
            static_cast<float>(matrix.m21()), static_cast<float>(matrix.m22()),
            static_cast<float>(matrix.dx()),  static_cast<float>(matrix.dy())};
}

int RoundToInt(double value)
{
    const std::int64_t r = RoundHalfEven(value);
    if (r > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (r < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return static_cast<int>(r);
}

} // namespace quillon
