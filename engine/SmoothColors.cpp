#include "SmoothColors.h"

#include <bit>
#include <cmath>

namespace quillon {

double SmoothLog2(double x)
{
    const auto bits = std::bit_cast<std::uint64_t>(x);
    double e = static_cast<double>(static_cast<std::int64_t>((bits >> 52) & 0x7FF) - 1023);
    double m = std::bit_cast<double>((bits & 0x000FFFFFFFFFFFFFull) | 0x3FF0000000000000ull);
    if (m >= SmoothLog2Sqrt2) {
        m = m * SmoothLog2InvSqrt2;
        e = e + 0.5;
    }
    const double* a = SmoothLog2Poly;
    const double t = m - 1;
    const double t2 = t * t;
    const double t4 = t2 * t2;
    const double p01 = a[1] * t + a[0];
    const double p23 = a[3] * t + a[2];
    const double p45 = a[5] * t + a[4];
    const double p67 = a[7] * t + a[6];
    const double p03 = p23 * t2 + p01;
    const double p47 = p67 * t2 + p45;
    return e + t * (p47 * t4 + p03);
}

double SmoothEscapeValue(int n, double x, double y, double cx, double cy, double absMax2)
{
    if (!(absMax2 > 1) || !std::isfinite(absMax2)) return std::nan("");
    double r2 = x * x + y * y;
    int k = 0;
    while (r2 < SmoothFarAbs2 && k < SmoothMaxExtraSteps) {
        const double xx = x * x;
        const double yy = y * y;
        y = 2 * x * y + cy;
        x = (xx - yy) + cx;
        r2 = x * x + y * y;
        ++k;
    }
    // log|z| / log R = log |z|^2 / log R^2.
    return static_cast<double>(n + k + 1) - (SmoothLog2(SmoothLog2(r2)) - SmoothLog2(SmoothLog2(absMax2)));
}

std::uint16_t SmoothCodeOf(double v, int n)
{
    if (std::isnan(v)) return SmoothCodeAtCount;
    const double scaled = std::floor(((v - n) + 1) * SmoothWeightOne + 0.5);
    constexpr double top = 3.0 * SmoothWeightOne - 1;
    if (!(scaled > 0)) return 0;
    if (scaled >= top) return static_cast<std::uint16_t>(top);
    return static_cast<std::uint16_t>(scaled);
}

int StepPaletteIndex(int i, int d, int top, bool wrapping)
{
    if (top < 1 || i < 1 || i > top) return i;
    if (wrapping) {
        const int k = (i - 1 + d) % top;
        return (k < 0 ? k + top : k) + 1;
    }
    const int j = i + d;
    return j < 1 ? 1 : (j > top ? top : j);
}

std::uint32_t BlendTableColors(std::uint32_t lo, std::uint32_t hi, int w)
{
    std::uint32_t result = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int a = static_cast<int>((lo >> shift) & 0xFF);
        const int b = static_cast<int>((hi >> shift) & 0xFF);
        // Arithmetic shift: floor division, also for a falling channel.
        const int c = a + (((b - a) * w + (SmoothWeightOne / 2)) >> SmoothWeightBits);
        result |= static_cast<std::uint32_t>(c) << shift;
    }
    return result;
}

TSmoothPalette::TSmoothPalette(const std::array<std::uint32_t, 256>& table, int top, bool wrapping)
{
    for (int i = 0; i < 256; ++i) {
        FPlain[static_cast<std::size_t>(i)] = 0xFF000000u | (table[static_cast<std::size_t>(i)] & 0xFFFFFF);
        for (int step = 0; step < 3; ++step) {
            const std::size_t k = static_cast<std::size_t>(i) * 3 + static_cast<std::size_t>(step);
            const int lo = StepPaletteIndex(i, step - 1, top, wrapping);
            const int hi = StepPaletteIndex(i, step, top, wrapping);
            const std::uint64_t low = table[static_cast<std::size_t>(lo) & 0xFF];
            const std::uint64_t high = table[static_cast<std::size_t>(hi) & 0xFF];
            FPairs[k] = {((low & 0xFF0000) << 16) | (low & 0xFF), ((high & 0xFF0000) << 16) | (high & 0xFF),
                         (low >> 8) & 0xFF, (high >> 8) & 0xFF};
        }
    }
}

} // namespace quillon
