#pragma once
// Plane geometry: points of the complex plane, integer pixel points and sizes,
// and the 2-D affine transform that maps image pixels to plane points.
#include <array>
#include <cstddef>

namespace quillon {

// A point of the complex plane: x is the real part, y the imaginary part.
struct TPoint2D {
    double x = 0;
    double y = 0;

    static constexpr TPoint2D Create(double ax, double ay) { return TPoint2D{ax, ay}; }
    friend constexpr bool operator==(const TPoint2D&, const TPoint2D&) = default;
    friend constexpr TPoint2D operator-(const TPoint2D& a, const TPoint2D& b) { return {a.x - b.x, a.y - b.y}; }
};

// An integer point: a pixel (x to the right, y downwards) or a pixel displacement.
struct TPoint {
    int x = 0;
    int y = 0;

    friend constexpr bool operator==(const TPoint&, const TPoint&) = default;
};

// An image size in pixels.
struct TSize {
    int Width = 0;
    int Height = 0;

    friend constexpr bool operator==(const TSize&, const TSize&) = default;
};

// Single-precision copy of a matrix for drawing (world transform of a painter).
struct TXForm {
    float eM11 = 1, eM12 = 0, eM21 = 0, eM22 = 1, eDx = 0, eDy = 0;
};

// (x, y) -> (x*m11 + y*m21 + dx, x*m12 + y*m22 + dy). Stored as two rows:
// m[0] = {m11, m12, dx}, m[1] = {m21, m22, dy}.
struct TMatrix2D {
    std::array<std::array<double, 3>, 2> m{{{1, 0, 0}, {0, 1, 0}}};

    static TMatrix2D Create() { return TMatrix2D{}; }

    double m11() const { return m[0][0]; }
    double m12() const { return m[0][1]; }
    double dx() const { return m[0][2]; }
    double m21() const { return m[1][0]; }
    double m22() const { return m[1][1]; }
    double dy() const { return m[1][2]; }

    void Identity();
    // Multiplies row 0 by fx and row 1 by fy.
    void Scale(double fx, double fy);
    void Translate(double ddx, double ddy);
    void Translate(const TPoint2D& offset);
    // Row 0 := c*row0 - s*row1, row 1 := s*row0 + c*row1 (c = cos a, s = sin a).
    void Rotate(double a);
    // The exact inverse mapping. A singular matrix (det 0) gives non-finite elements.
    void Inverse();

    TPoint2D Transform(const TPoint2D& pt) const;
    TPoint2D Transform(const TPoint& pt) const;
    // In place; each coordinate rounded half to even and clamped to the int range
    // (NaN gives 0).
    void Transform(TPoint* pts, std::size_t count) const;
    // The linear part only: a pixel displacement as a plane displacement.
    TPoint2D TransformDistance(const TPoint& distance) const;

    friend bool operator==(const TMatrix2D&, const TMatrix2D&) = default;
};

TXForm MatrixToXForm(const TMatrix2D& matrix);

// Rounds half to even into an int; values beyond the int range saturate, NaN gives 0.
int RoundToInt(double value);

} // namespace quillon
