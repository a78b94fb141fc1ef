#pragma once
// The vectorised escape-time kernel: a whole image line at a time, with the
// instruction set measured fastest on the running processor (chosen once, at
// the first call; every one gives the same results).
//
// Its counts equal TProcessor::EscapeCount's for every pixel and setting: the same
// double operations in the same order, no fused multiply-add. The lanes of several
// independent vectors each carry one pixel; a lane whose pixel escapes or reaches
// the step limit takes the next pixel of the line, so no lane idles while the line
// has work.
#include "Matrix2D.h"

#include <atomic>
#include <cstdint>
#include <limits>
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
    // When set and it turns true, the line is still finished if that takes
    // little more work (StopGrace); otherwise it is given up, so a huge MaxSteps
    // does not delay a stop.
    const std::atomic<bool>* Stop = nullptr;
    std::int64_t StopGrace = kSimdStopGrace;
    // Off: lastR2 is not needed (no interior coloring), which saves the work of
    // finding it for orbits that ended in a cycle.
    bool NeedLastR2 = true;
    // Off: every pixel that does not escape runs all MaxSteps tests (for comparison).
    bool DetectCycles = true;
    // When set, receives the smooth code of every pixel x in SmoothCodes[x]: for
    // a pixel that escapes at test n the code of its continuous value,
    // SmoothCodeOf(SmoothEscapeValue(n, z, c, AbsMax2), n) for the point z of that
    // test, computed lane by lane with the same operations as those functions;
    // SmoothCodeAtCount when n is above SmoothLimit (its color needs no continuous
    // value: a palette that does not wrap shows its top entry there);
    // NoSmoothCode for a pixel that did not escape.
    std::uint16_t* SmoothCodes = nullptr;
    std::int64_t SmoothLimit = std::numeric_limits<std::int64_t>::max();
    // When set, receives the lane iterations the kernel ran (idle lanes included),
    // plus the scalar steps spent on cycles.
    std::int64_t* Work = nullptr;

    // Block iterations (each steps every lane in flight) after a stop within
    // which a line is still finished: some 20 ms on a current core.
    static constexpr std::int64_t kSimdStopGrace = std::int64_t{1} << 21;
};

// Once a stop is asked for, work goes on for at most Grace more units of work
// and is then given up; Stop is looked at when the caller has a moment.
class TLineStop {
public:
    TLineStop(const std::atomic<bool>* stop, std::int64_t grace) : FStop(stop), FGrace(grace) {}
    // True when the line must be given up now; work counts up monotonically.
    bool GiveUp(std::int64_t work)
    {
        if (!FStop) return false;
        if (FSeenAt < 0) {
            if (!FStop->load(std::memory_order_relaxed)) return false;
            FSeenAt = work;
        }
        return work - FSeenAt >= FGrace;
    }

private:
    const std::atomic<bool>* FStop;
    std::int64_t FGrace;
    std::int64_t FSeenAt = -1;
};

// For every pixel x of the line: counts[x] is the escape count (1 <= n <= MaxSteps)
// or 0 when it did not escape, and then lastR2[x] holds the last squared magnitude
// (lastR2[x] is unspecified for escaped pixels, and for all when !NeedLastR2).
// Both arrays hold Width entries. False when the line was given up at Stop (the
// arrays are then incomplete).
//
// An orbit that comes back to the exact bits of an earlier point repeats forever:
// it never escapes, and its last magnitude is that of the cycle's point at the
// right place, so the kernel stops iterating it there (DetectCycles).
bool SimdEscapeLine(const TEscapeLine& line, std::int32_t* counts, double* lastR2);

// Name of the instruction set SimdEscapeLine runs with ("AVX2", "AVX3", "SSE4", ...).
std::string SimdTargetName();

} // namespace quillon
