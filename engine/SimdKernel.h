#pragma once
// The vectorised escape-time kernel: a whole image line at a time, with the best
// instruction set of the running processor (chosen once, at the first call).
//
// Its counts equal TProcessor::EscapeCount's for every pixel and setting: the same
// double operations in the same order, no fused multiply-add. The lanes of several
// independent vectors each carry one pixel; a lane whose pixel escapes or reaches
// the step limit takes the next pixel of the line, so no lane idles while the line
// has work.
#include "Matrix2D.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace quillon {

struct TEscapeLine {
    // Pixel (x, Y) of the line maps to the plane point Matrix->Transform({x, Y}).
    const TMatrix2D* Matrix = nullptr;
    int Y = 0;
    int Width = 0;
    // At most this many escape tests per pixel; at least one is made.
    int MaxSteps = 1;
    double AbsMax2 = 4;
    // Null: Mandelbrot (c is the pixel's point). Otherwise Julia with c read from
    // these when the pixel's iteration starts.
    const std::atomic<double>* JuliaX = nullptr;
    const std::atomic<double>* JuliaY = nullptr;
    // When set, the line is given up once it turns true (looked at every few
    // thousand iterations), so a huge MaxSteps does not delay a stop.
    const std::atomic<bool>* Stop = nullptr;
};

// For every pixel x of the line: counts[x] is the escape count (1 <= n <= MaxSteps)
// or 0 when it did not escape, and then lastR2[x] holds the last squared magnitude
// (lastR2[x] is unspecified for escaped pixels). Both arrays hold Width entries.
// False when the line was given up at Stop (the arrays are then incomplete).
bool SimdEscapeLine(const TEscapeLine& line, std::int32_t* counts, double* lastR2);

// Name of the instruction set SimdEscapeLine runs with ("AVX2", "AVX3", "SSE4", ...).
std::string SimdTargetName();

} // namespace quillon
