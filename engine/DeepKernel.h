#pragma once
// Perturbation: deep views, where the doubles around a pixel's point are too
// coarse for the pixel, iterate one reference orbit in high precision and
// every pixel's distance from it in doubles.
//
// A pixel's point is the reference point plus a small delta; its orbit z is the
// reference orbit Z plus a delta d that obeys
//     d' = 2 Z d + d^2 + dc      (Mandelbrot: dc is the pixel's delta of c;
//                                 Julia: dc is 0, c is the Julia point),
// which doubles carry well while d is small against Z. When the full point
// z = Z + d comes nearer 0 than d itself (or the reference orbit ends), the
// pixel continues from an orbit through 0 with d := z ("rebasing"); that keeps
// d small against Z where it matters, so no glitch needs detecting.
//
// Below a scale of about 1e-290 the deltas would leave the range of normal
// doubles, so they are carried multiplied by a power of two (DeltaScale); the
// d^2 term is then formed with the unscaled d, which may underflow exactly
// where it is negligible.
#include "Matrix2D.h"
#include "PreciseNumber.h"

#include <atomic>
#include <cstdint>
#include <vector>

namespace quillon {

// The reference orbits rounded to doubles, one after the other in X and Y so
// that a pixel changes orbits by changing its index. A pixel starts at index
// First with its test 1; its orbit runs to Last. Rebasing goes to index Zero,
// where the orbit of 0 starts (0 itself) and runs to ZeroLast. For the
// Mandelbrot set that is the same orbit (Zero = 0, First = 1).
struct TReferenceOrbit {
    std::vector<double> X, Y;
    std::int64_t First = 1, Last = 1, Zero = 0, ZeroLast = 0;
};

// Computes the orbit of center (Mandelbrot: c = center; Julia: z starts at
// center, c = juliaPoint) at bits of precision, until it escapes (absMax2) or
// has maxSteps points. False when stop turned true first.
bool ComputeReferenceOrbit(const TPreciseCenter& center, bool julia, const TPoint2D& juliaPoint, int maxSteps,
                           double absMax2, long bits, const std::atomic<bool>* stop, TReferenceOrbit& orbit);

// The bits a reference orbit at this scale needs around points of magnitude up to magnitude.
long ReferenceBits(double scale, double magnitude);
// The power of two the deltas of a view at this scale are carried in (1 unless
// they would leave the normal doubles).
double DeltaScale(double scale);

struct TDeepLine {
    const TReferenceOrbit* Orbit = nullptr;
    // Pixel (x, Y) has the delta Matrix->Transform({x, Y}), multiplied by the delta scale.
    const TMatrix2D* Matrix = nullptr;
    double DeltaScale = 1;
    int Y = 0;
    int Width = 0;
    int MaxSteps = 1;
    double AbsMax2 = 4;
    bool Julia = false;
    // Looked at every few thousand iterations; the line is given up once it is true.
    const std::atomic<bool>* Stop = nullptr;
    // When given (both), EscapeX[x] and EscapeY[x] receive the full point
    // z = Z + d at the escaping test of each pixel that escaped, for smooth colors.
    double* EscapeX = nullptr;
    double* EscapeY = nullptr;
};

// As SimdEscapeLine: counts[x] the escape count or 0, lastR2[x] the last
// squared magnitude of the full point for a pixel that did not escape.
// iterations grows by the escape tests made. False when given up at Stop.
bool DeepEscapeLine(const TDeepLine& line, std::int32_t* counts, double* lastR2, std::uint64_t& iterations);
// The same one pixel at a time; the same counts and magnitudes bit for bit.
bool DeepEscapeLineScalar(const TDeepLine& line, std::int32_t* counts, double* lastR2, std::uint64_t& iterations);

} // namespace quillon
