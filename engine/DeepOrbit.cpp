// The reference orbits in high precision and the one-pixel perturbation loop.
#include "DeepKernel.h"
#include "PreciseNumberImpl.h"

#include <algorithm>
#include <cmath>

namespace quillon {

namespace {

constexpr std::int64_t MaxOrbitPoints = std::int64_t{1} << 23;

// mpfr_t with a lifetime.
class TMpfr {
public:
    explicit TMpfr(long bits) { mpfr_init2(FValue, bits); }
    ~TMpfr() { mpfr_clear(FValue); }
    TMpfr(const TMpfr&) = delete;
    TMpfr& operator=(const TMpfr&) = delete;
    operator mpfr_ptr() { return FValue; }

private:
    mpfr_t FValue;
};

// Appends the orbit of (x, y) under z -> z^2 + (cx, cy) from its first point
// until |z|^2 >= absMax2 (that point included) or count points; false at stop.
bool AppendOrbit(mpfr_ptr x, mpfr_ptr y, mpfr_ptr cx, mpfr_ptr cy, std::int64_t count, double absMax2, long bits,
                 const std::atomic<bool>* stop, TReferenceOrbit& orbit)
{
    TMpfr xx(bits), yy(bits), xy(bits);
    for (std::int64_t i = 0; i < count; ++i) {
        if (stop && (i & 63) == 0 && stop->load(std::memory_order_relaxed)) return false;
        const double dx = mpfr_get_d(x, MPFR_RNDN);
        const double dy = mpfr_get_d(y, MPFR_RNDN);
        orbit.X.push_back(dx);
        orbit.Y.push_back(dy);
        mpfr_sqr(xx, x, MPFR_RNDN);
        mpfr_sqr(yy, y, MPFR_RNDN);
        // Escaped: its last point is in (the pixels near it escape there too
        // or rebase); a non-finite magnitude ends it as well.
        const double r2 = dx * dx + dy * dy;
        if (!(r2 < absMax2)) break;
        mpfr_mul(xy, x, y, MPFR_RNDN);
        mpfr_sub(x, xx, yy, MPFR_RNDN);
        mpfr_add(x, x, cx, MPFR_RNDN);
        mpfr_mul_2ui(y, xy, 1, MPFR_RNDN);
        mpfr_add(y, y, cy, MPFR_RNDN);
    }
    return true;
}

} // namespace

long ReferenceBits(double scale, double magnitude)
{
    if (!(scale > 0) || !std::isfinite(scale)) return 64;
    const long top = std::max(2, std::ilogb(std::max(magnitude, 1.0)) + 2);
    // 64 bits below the pixel: rounding the reference is far below anything a pixel shows.
    return std::clamp<long>(top - std::ilogb(scale) + 64, 64, 4 * TPreciseNumber::MaxBits);
}

double DeltaScale(double scale)
{
    // Deltas of a few thousand pixels, their squares and products stay normal
    // down to about 1e-290; below that they are carried in pixel units.
    if (!(scale > 0) || scale >= 1e-290) return 1.0;
    return std::ldexp(1.0, -std::ilogb(scale));
}

bool ComputeReferenceOrbit(const TPreciseCenter& center, bool julia, const TPoint2D& juliaPoint, int maxSteps,
                           double absMax2, long bits, const std::atomic<bool>* stop, TReferenceOrbit& orbit)
{
    orbit = {};
    // An orbit that neither escapes nor ends within this many points is cut
    // there (256 MB); pixels that get that far continue from the orbit of 0.
    const std::int64_t steps = std::min<std::int64_t>(std::max(maxSteps, 1), MaxOrbitPoints);
    orbit.X.reserve(static_cast<std::size_t>(std::min<std::int64_t>(julia ? 2 * steps + 1 : steps + 1, 1 << 16)));
    orbit.Y.reserve(orbit.X.capacity());
    TMpfr x(bits), y(bits), cx(bits), cy(bits);
    ToMpfr(center.X, cx);
    ToMpfr(center.Y, cy);
    // Index 0: the point 0, where rebased pixels continue.
    orbit.X.push_back(0);
    orbit.Y.push_back(0);
    if (!julia) {
        mpfr_set(x, cx, MPFR_RNDN);
        mpfr_set(y, cy, MPFR_RNDN);
        if (!AppendOrbit(x, y, cx, cy, steps, absMax2, bits, stop, orbit)) return false;
        orbit.First = 1;
        orbit.Last = static_cast<std::int64_t>(orbit.X.size()) - 1;
        orbit.Zero = 0;
        orbit.ZeroLast = orbit.Last;
        return true;
    }
    // Julia: the orbit of the centre, then the orbit of 0 (its index 0 is the 0 above).
    mpfr_set(x, cx, MPFR_RNDN);
    mpfr_set(y, cy, MPFR_RNDN);
    mpfr_set_d(cx, juliaPoint.x, MPFR_RNDN);
    mpfr_set_d(cy, juliaPoint.y, MPFR_RNDN);
    const std::int64_t zeroAt = 0;
    // The orbit of 0 starts at its second point (c); 0 itself is index 0.
    TMpfr wx(bits), wy(bits);
    mpfr_set(wx, cx, MPFR_RNDN);
    mpfr_set(wy, cy, MPFR_RNDN);
    if (!AppendOrbit(wx, wy, cx, cy, steps, absMax2, bits, stop, orbit)) return false;
    orbit.Zero = zeroAt;
    orbit.ZeroLast = static_cast<std::int64_t>(orbit.X.size()) - 1;
    orbit.First = static_cast<std::int64_t>(orbit.X.size());
    if (!AppendOrbit(x, y, cx, cy, steps, absMax2, bits, stop, orbit)) return false;
    orbit.Last = static_cast<std::int64_t>(orbit.X.size()) - 1;
    return true;
}

bool DeepEscapeLineScalar(const TDeepLine& line, std::int32_t* counts, double* lastR2, std::uint64_t& iterations)
{
    const TReferenceOrbit& orbit = *line.Orbit;
    const double* X = orbit.X.data();
    const double* Y = orbit.Y.data();
    const TMatrix2D& m = *line.Matrix;
    const double s = line.DeltaScale;
    const double inv = 1.0 / s;
    const std::int64_t maxSteps = std::max(line.MaxSteps, 1);
    std::uint64_t tests = 0;
    for (int px = 0; px < line.Width; ++px) {
        const double fx = px, fy = line.Y;
        double dx = fx * m.m11() + fy * m.m21() + m.dx();
        double dy = fx * m.m12() + fy * m.m22() + m.dy();
        const double dcx = line.Julia ? 0.0 : dx;
        const double dcy = line.Julia ? 0.0 : dy;
        std::int64_t pos = orbit.First, end = orbit.Last;
        std::int64_t n = 0;
        for (;;) {
            if (line.Stop && (n & 0x3FFF) == 0x3FFF && line.Stop->load(std::memory_order_relaxed)) return false;
            double zX = X[pos], zY = Y[pos];
            const double a = dx * inv, b = dy * inv;
            const double zx = zX + a, zy = zY + b;
            const double r2 = zx * zx + zy * zy;
            ++n;
            if (r2 >= line.AbsMax2) {
                counts[px] = static_cast<std::int32_t>(n);
                if (line.EscapeX && line.EscapeY) {
                    line.EscapeX[px] = zx;
                    line.EscapeY[px] = zy;
                }
                break;
            }
            if (n >= maxSteps) {
                counts[px] = 0;
                lastR2[px] = r2;
                break;
            }
            if (r2 < a * a + b * b || pos >= end) {
                dx = zx * s;
                dy = zy * s;
                zX = 0;
                zY = 0;
                pos = orbit.Zero;
                end = orbit.ZeroLast;
            }
            // d' = (2Z + d) d + dc, with 2Z + d = Z + z.
            const double sx = zX + zx, sy = zY + zy;
            const double nx = (sx * dx - sy * dy) + dcx;
            const double ny = (sx * dy + sy * dx) + dcy;
            dx = nx;
            dy = ny;
            ++pos;
        }
        tests += static_cast<std::uint64_t>(n);
    }
    iterations += tests;
    return true;
}

} // namespace quillon
