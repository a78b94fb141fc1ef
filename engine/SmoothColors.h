#pragma once
// Smooth colors: a continuous escape value per pixel, kept beside the index image
// as a small code, and the 24-bit picture that blends each escaped pixel between
// two neighbouring palette entries.
//
// The continuous value of an orbit that first met |z| >= R at test n is
// v = n + 1 - log2(log|z| / log R). The orbit is followed a few steps past R
// (without changing n) until |z| is large, so that v no longer depends on where
// the orbit happened to cross R; v is then continuous across the bands of equal
// counts. The pixel's color lies between the palette entries of the counts
// floor(v) and floor(v) + 1, with the offset and wrapping rules of the index.
//
// A code stores v - n + 1 in 1/16384 steps, 0 .. 3 * 16384 - 1: its top bits say
// whether floor(v) is n - 1, n or n + 1, its low 14 bits the weight of the upper
// entry. Because the offset and wrapping rules move the index of count n + d by d
// places, the two entries follow from the pixel's index alone, so recoloring
// needs no counts and palette animation only recolors.
#include "ColorFns.h"

#include <array>
#include <cstdint>

namespace quillon {

// A pixel with no continuous value (it did not escape, or was not computed):
// it keeps the color of its palette entry.
inline constexpr std::uint16_t NoSmoothCode = 0xFFFF;
inline constexpr int SmoothWeightBits = 14;
inline constexpr std::uint16_t SmoothWeightOne = 1u << SmoothWeightBits;
// The code of v = n exactly: the color of the pixel's own entry.
inline constexpr std::uint16_t SmoothCodeAtCount = SmoothWeightOne;

// The orbit goes on until |z|^2 >= SmoothFarAbs2, at most SmoothMaxExtraSteps
// steps: far enough out that one more step changes the value by about |c| / |z|^2
// of a log unit, invisible in any palette (three steps past a radius of 2), and
// orbits that stay bounded past a small radius do not loop for long.
inline constexpr double SmoothFarAbs2 = 65536.0;
inline constexpr int SmoothMaxExtraSteps = 8;

// log2 of a positive finite x to about 4e-10, from its exponent and a polynomial
// on its mantissa: no division, and the same bit for bit in the vectorised kernel
// (plain multiplications and additions in the same order).
inline constexpr double SmoothLog2Sqrt2 = 1.4142135623730951;
inline constexpr double SmoothLog2InvSqrt2 = 0.70710678118654757;
// log2(1 + t) / t = a0 + a1 t + ... + a7 t^7 on 0 <= t < sqrt 2 - 1 (a Chebyshev
// fit, at most 3.5e-10 off log2(1 + t) after the product with t), evaluated in
// pairs (Estrin) so that the chain of dependent operations stays short.
inline constexpr double SmoothLog2Poly[8] = {1.4426950397435834,  -0.7213471654827144,  0.4808800872571571,
                                             -0.3603109663324447, 0.2849295790934592,   -0.22031057050854125,
                                             0.13987372210782445, -0.049534090739860294};
double SmoothLog2(double x);

// The continuous value of an orbit that first met |z|^2 >= absMax2 at test n with
// z = (x, y), under z -> z^2 + (cx, cy):
// n + k + 1 - (log2(log2 |z_(n+k)|^2) - log2(log2 absMax2)) after the k further
// steps (a difference of logarithms rather than the logarithm of a quotient: no division).
// NaN when absMax2 is not a number above 1 (no logarithm to measure by).
double SmoothEscapeValue(int n, double x, double y, double cx, double cy, double absMax2);

// The code of value v for count n: ((v - n) + 1) * 16384 rounded half up and clamped
// to 0 .. 3 * 16384 - 1; SmoothCodeAtCount for NaN.
std::uint16_t SmoothCodeOf(double v, int n);

// The index that lies d counts from index i under the index rules of a palette
// whose top entry is top: wrapping steps round 1 .. top, otherwise clamps to
// 1 .. top. An index outside 1 .. top stays where it is.
int StepPaletteIndex(int i, int d, int top, bool wrapping);

// Blend of two table colors (0x00RRGGBB): per channel lo + floor(((hi - lo) * w + 8192) / 16384)
// for the weight w (0 .. 16384) of hi.
std::uint32_t BlendTableColors(std::uint32_t lo, std::uint32_t hi, int w);

// A color table prepared for recoloring: for every index and code step the two
// entries to blend. Built once per palette change (a palette animation tick).
class TSmoothPalette {
public:
    // Table: 256 entries in color-table form (0x00RRGGBB, the top byte is ignored).
    // Top is the highest palette entry that counts reach (the palette's colors - 1).
    TSmoothPalette(const std::array<std::uint32_t, 256>& table, int top, bool wrapping);

    // The color (0xFFRRGGBB) of a pixel with index and code: BlendTableColors of
    // its two entries, computed as lo * (16384 - w) + hi * w + 8192 per channel
    // (the same floor, with no negative term), red and blue side by side in one
    // 64-bit product, so that a recoloring tick takes few operations per pixel.
    std::uint32_t Color(std::uint8_t index, std::uint16_t code) const
    {
        const unsigned step = code >> SmoothWeightBits;
        if (step > 2) return FPlain[index]; // NoSmoothCode among them
        const TPair& pair = FPairs[static_cast<std::size_t>(index) * 3 + step];
        const std::uint64_t w = code & (SmoothWeightOne - 1);
        const std::uint64_t v = SmoothWeightOne - w;
        const std::uint64_t rb = pair.LowRB * v + pair.HighRB * w + ((std::uint64_t{SmoothWeightOne / 2} << 32) | (SmoothWeightOne / 2));
        const std::uint64_t g = pair.LowG * v + pair.HighG * w + SmoothWeightOne / 2;
        return 0xFF000000u | static_cast<std::uint32_t>(((rb >> 30) & 0xFF0000) | ((g >> 6) & 0xFF00) | ((rb >> 14) & 0xFF));
    }

private:
    // The two entries to blend: red at bit 32 and blue at bit 0 of RB, green in G
    // (each field has room for 22 bits: 255 * 16384 + 8192 < 2^22).
    struct TPair {
        std::uint64_t LowRB = 0, HighRB = 0;
        std::uint64_t LowG = 0, HighG = 0;
    };
    std::array<std::uint32_t, 256> FPlain{};
    std::array<TPair, 256 * 3> FPairs{};
};

} // namespace quillon
