// The vectorised perturbation kernel. Highway compiles this file once for every
// instruction set it supports and picks the best one the processor has.
//
// Each lane carries one pixel. A vector whose lanes all sit at the same place
// of the same orbit ("uniform": they started together and rebased together)
// loads the orbit's point once for all; otherwise each lane gathers its own.
// A vector takes new pixels only when all its lanes are done (or only a
// quarter are left), so neighbouring pixels, which rebase together, keep it
// uniform, and one whose lanes went apart is uniform again with its next set
// of pixels. Three independent vectors are in
// flight so that one hides the others' latency. As in the plain kernel, the
// vectors run blocks of iterations without counting, only noting whether a
// live lane escaped; such a block is run again from its start, counting.
// After a block with an escape the next one counts at once: where orbits are
// short nearly every block has one, and running them twice costs more. No
// block is longer than the fewest tests a live lane has left, so lanes reach
// the step limit at the end of a block, where the results are handed over and
// finished lanes take the next pixels of the line. Finished and idle lanes
// keep iterating (their values no longer matter); the rebasing at the end of
// the orbit keeps every lane's index inside it.
//
// The operations are those of DeepEscapeLineScalar in the same order (the
// engine is built with -ffp-contract=off), so both give the same image.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "engine/DeepKernel.cpp"
// Lane vectors live in structs here, which sizeless vector types cannot.
#ifndef HWY_DISABLED_TARGETS
#define HWY_DISABLED_TARGETS (HWY_SVE | HWY_SVE2 | HWY_SVE_256 | HWY_SVE2_128 | HWY_RVV)
#endif
#include <hwy/foreach_target.h> // IWYU pragma: keep
#include <hwy/highway.h>

#include "engine/DeepKernel.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

HWY_BEFORE_NAMESPACE();
namespace quillon {
namespace HWY_NAMESPACE {
namespace {

namespace hn = hwy::HWY_NAMESPACE;

using D = hn::ScalableTag<double>;
using DI = hn::RebindToSigned<D>;
using V = hn::Vec<D>;
using VI = hn::Vec<DI>;
using M = hn::Mask<D>;

#define QUILLON_DEEP_EACH(X) X(0) X(1) X(2)
constexpr std::size_t kGroups = 3;
constexpr std::int64_t kBlock = 24;
constexpr std::int64_t kIdleStart = std::numeric_limits<std::int64_t>::max() / 4;

struct TConsts {
    V absMax2, s, inv, zero;
    VI zeroPos, zeroLast, one;
};

// One lane vector: its state during a block.
struct TGroup {
    V dx, dy, dcx, dcy, r2;
    V zx, zy; // the full point of the last test
    VI pos, end;
    M stay; // live and not escaped
    // Every lane at the same place of the same orbit: pos and end are then
    // upos and uend, and the orbit's point is loaded once for all lanes.
    bool uniform;
    std::int64_t upos, uend;
};

// One escape test and step: the test's r2 and whether it escaped (stay), then
// the rebasing and d' = (Z + z) d + dc.
template <bool kScaled>
HWY_INLINE void Step(D d, DI di, const TConsts& k, const TReferenceOrbit& orbit, const double* X, const double* Y,
                     TGroup& g)
{
    V zX, zY;
    if (g.uniform) {
        zX = hn::Set(d, X[g.upos]);
        zY = hn::Set(d, Y[g.upos]);
    } else {
        zX = hn::GatherIndex(d, X, g.pos);
        zY = hn::GatherIndex(d, Y, g.pos);
    }
    const V a = kScaled ? hn::Mul(g.dx, k.inv) : g.dx;
    const V b = kScaled ? hn::Mul(g.dy, k.inv) : g.dy;
    const V zx = hn::Add(zX, a);
    const V zy = hn::Add(zY, b);
    g.r2 = hn::Add(hn::Mul(zx, zx), hn::Mul(zy, zy));
    g.zx = zx;
    g.zy = zy;
    g.stay = hn::AndNot(hn::Ge(g.r2, k.absMax2), g.stay);
    M rebase = hn::Lt(g.r2, hn::Add(hn::Mul(a, a), hn::Mul(b, b)));
    bool any;
    if (g.uniform) {
        // Lanes that no longer count follow the live ones, so the group stays
        // uniform as long as its live lanes rebase together.
        if (g.upos >= g.uend) {
            rebase = hn::FirstN(d, hn::Lanes(d));
            any = true;
        } else {
            const M live = hn::And(rebase, g.stay);
            any = !hn::AllFalse(d, live);
            if (any) {
                if (hn::AllTrue(d, hn::Or(live, hn::Not(g.stay)))) {
                    rebase = hn::FirstN(d, hn::Lanes(d));
                } else {
                    g.uniform = false;
                    g.pos = hn::Set(di, g.upos);
                    g.end = hn::Set(di, g.uend);
                }
            }
        }
        if (any && g.uniform) {
            g.upos = orbit.Zero;
            g.uend = orbit.ZeroLast;
        }
    } else {
        rebase = hn::Or(rebase, hn::RebindMask(d, hn::Not(hn::Lt(g.pos, g.end))));
        any = !hn::AllFalse(d, rebase);
    }
    if (HWY_UNLIKELY(any)) {
        g.dx = hn::IfThenElse(rebase, kScaled ? hn::Mul(zx, k.s) : zx, g.dx);
        g.dy = hn::IfThenElse(rebase, kScaled ? hn::Mul(zy, k.s) : zy, g.dy);
        zX = hn::IfThenElse(rebase, k.zero, zX);
        zY = hn::IfThenElse(rebase, k.zero, zY);
        if (!g.uniform) {
            const auto rebaseI = hn::RebindMask(di, rebase);
            g.pos = hn::IfThenElse(rebaseI, k.zeroPos, g.pos);
            g.end = hn::IfThenElse(rebaseI, k.zeroLast, g.end);
        }
    }
    const V sx = hn::Add(zX, zx);
    const V sy = hn::Add(zY, zy);
    const V nx = hn::Add(hn::Sub(hn::Mul(sx, g.dx), hn::Mul(sy, g.dy)), g.dcx);
    const V ny = hn::Add(hn::Add(hn::Mul(sx, g.dy), hn::Mul(sy, g.dx)), g.dcy);
    g.dx = nx;
    g.dy = ny;
    if (g.uniform)
        ++g.upos;
    else
        g.pos = hn::Add(g.pos, k.one);
}

template <bool kScaled>
bool EscapeLineT(const TDeepLine& line, std::int32_t* counts, double* lastR2, std::uint64_t& iterations)
{
    const D d;
    const DI di;
    const std::size_t L = hn::Lanes(d);
    constexpr std::size_t kMax = kGroups * HWY_MAX_BYTES / sizeof(double);
    const std::size_t slots = kGroups * L;
    const TReferenceOrbit& orbit = *line.Orbit;
    const double* X = orbit.X.data();
    const double* Y = orbit.Y.data();
    const TMatrix2D& m = *line.Matrix;
    const int width = line.Width;
    const std::int64_t maxSteps = std::max(line.MaxSteps, 1);

    TConsts k;
    k.absMax2 = hn::Set(d, line.AbsMax2);
    k.s = hn::Set(d, line.DeltaScale);
    k.inv = hn::Set(d, 1.0 / line.DeltaScale);
    k.zero = hn::Zero(d);
    k.zeroPos = hn::Set(di, orbit.Zero);
    k.zeroLast = hn::Set(di, orbit.ZeroLast);
    k.one = hn::Set(di, 1);

    HWY_ALIGN double DX[kMax], DY[kMax], DCX[kMax], DCY[kMax], R2[kMax], EX[kMax], EY[kMax];
    const bool noteEscape = line.EscapeX && line.EscapeY;
    HWY_ALIGN std::int64_t Pos[kMax], End[kMax], Live[kMax], Escape[kMax];
    std::int64_t Start[kMax];
    int Pixel[kMax];
    bool Uniform[kGroups];
    std::int64_t UPos[kGroups], UEnd[kGroups];

    std::int64_t clock = 0;
    int next = 0;
    int live = 0;
    std::uint64_t tests = 0;
    auto refill = [&](std::size_t s) {
        if (next < width) {
            const int px = next++;
            const double fx = px, fy = line.Y;
            const double dx = fx * m.m11() + fy * m.m21() + m.dx();
            const double dy = fx * m.m12() + fy * m.m22() + m.dy();
            DX[s] = dx;
            DY[s] = dy;
            DCX[s] = line.Julia ? 0.0 : dx;
            DCY[s] = line.Julia ? 0.0 : dy;
            Pos[s] = orbit.First;
            End[s] = orbit.Last;
            Live[s] = -1;
            Start[s] = clock;
            Pixel[s] = px;
            ++live;
        } else {
            DX[s] = DY[s] = DCX[s] = DCY[s] = 0;
            Pos[s] = orbit.Zero;
            End[s] = orbit.ZeroLast;
            Live[s] = 0;
            Start[s] = kIdleStart;
            Pixel[s] = -1;
        }
    };
    for (std::size_t s = 0; s < slots; ++s) refill(s);
    for (std::size_t n = 0; n < kGroups; ++n) {
        Uniform[n] = true;
        UPos[n] = orbit.First;
        UEnd[n] = orbit.Last;
    }

    std::int64_t firstStart = 0; // a lower bound of the live lanes' Start
    std::int64_t nextStopCheck = 1 << 14;
    bool countNext = false;
    while (live > 0) {
        if (line.Stop && clock >= nextStopCheck) {
            if (line.Stop->load(std::memory_order_relaxed)) return false;
            nextStopCheck = clock + (1 << 14);
        }
        const std::int64_t block = std::min(kBlock, firstStart + maxSteps - clock);

#define QUILLON_DEEP_LOAD(n)                                                                            \
    TGroup g##n;                                                                                        \
    g##n.dx = hn::Load(d, DX + n * L);                                                                  \
    g##n.dy = hn::Load(d, DY + n * L);                                                                  \
    g##n.dcx = hn::Load(d, DCX + n * L);                                                                \
    g##n.dcy = hn::Load(d, DCY + n * L);                                                                \
    g##n.r2 = k.zero;                                                                                   \
    g##n.zx = k.zero;                                                                                   \
    g##n.zy = k.zero;                                                                                   \
    g##n.pos = hn::Load(di, Pos + n * L);                                                               \
    g##n.end = hn::Load(di, End + n * L);                                                               \
    g##n.stay = hn::MaskFromVec(hn::BitCast(d, hn::Load(di, Live + n * L)));                            \
    g##n.uniform = Uniform[n];                                                                          \
    g##n.upos = UPos[n];                                                                                \
    g##n.uend = UEnd[n];
#define QUILLON_DEEP_STORE(n)                         \
    hn::Store(g##n.dx, d, DX + n * L);                \
    hn::Store(g##n.dy, d, DY + n * L);                \
    hn::Store(g##n.r2, d, R2 + n * L);                \
    hn::Store(g##n.pos, di, Pos + n * L);             \
    hn::Store(g##n.end, di, End + n * L);             \
    Uniform[n] = g##n.uniform;                        \
    UPos[n] = g##n.upos;                              \
    UEnd[n] = g##n.uend;
#define QUILLON_DEEP_STEP(n) Step<kScaled>(d, di, k, orbit, X, Y, g##n);

        // The block without counting, unless the last block saw escapes: where
        // orbits are short, nearly every block has one, and counting at once
        // costs less than running the block twice.
        bool escaped = false;
        if (!countNext) {
            QUILLON_DEEP_EACH(QUILLON_DEEP_LOAD)
            for (std::int64_t i = 0; i < block; ++i) {
                QUILLON_DEEP_EACH(QUILLON_DEEP_STEP)
            }
            escaped = false;
#define QUILLON_DEEP_ESCAPED(n)                                                                        \
    escaped = escaped || !hn::AllFalse(d, hn::AndNot(g##n.stay,                                        \
                                                     hn::MaskFromVec(hn::BitCast(d, hn::Load(di, Live + n * L)))));
            QUILLON_DEEP_EACH(QUILLON_DEEP_ESCAPED)
#undef QUILLON_DEEP_ESCAPED
            if (!escaped) {
                QUILLON_DEEP_EACH(QUILLON_DEEP_STORE)
            }
        }
        if (countNext || escaped) {
            // From the block's start, noting each lane's escaping test.
            QUILLON_DEEP_EACH(QUILLON_DEEP_LOAD)
#define QUILLON_DEEP_ZERO(n) \
    VI esc##n = hn::Set(di, -1); \
    V ex##n = k.zero, ey##n = k.zero;
            QUILLON_DEEP_EACH(QUILLON_DEEP_ZERO)
#undef QUILLON_DEEP_ZERO
            VI iter = hn::Zero(di);
            for (std::int64_t i = 0; i < block; ++i) {
#define QUILLON_DEEP_COUNT(n)                                                             \
    {                                                                                     \
        const M before = g##n.stay;                                                       \
        Step<kScaled>(d, di, k, orbit, X, Y, g##n);                                       \
        const M now = hn::AndNot(g##n.stay, before);                                      \
        esc##n = hn::IfThenElse(hn::RebindMask(di, now), iter, esc##n);                   \
        if (noteEscape) {                                                                 \
            ex##n = hn::IfThenElse(now, g##n.zx, ex##n);                                  \
            ey##n = hn::IfThenElse(now, g##n.zy, ey##n);                                  \
        }                                                                                 \
    }
                QUILLON_DEEP_EACH(QUILLON_DEEP_COUNT)
#undef QUILLON_DEEP_COUNT
                iter = hn::Add(iter, k.one);
            }
            QUILLON_DEEP_EACH(QUILLON_DEEP_STORE)
#define QUILLON_DEEP_STORE_ESC(n)         \
    hn::Store(esc##n, di, Escape + n * L); \
    hn::Store(ex##n, d, EX + n * L);       \
    hn::Store(ey##n, d, EY + n * L);
            QUILLON_DEEP_EACH(QUILLON_DEEP_STORE_ESC)
#undef QUILLON_DEEP_STORE_ESC
            escaped = std::any_of(Escape, Escape + slots, [](std::int64_t e) { return e >= 0; });
        }
        countNext = escaped;
#undef QUILLON_DEEP_LOAD
#undef QUILLON_DEEP_STORE
#undef QUILLON_DEEP_STEP

        const std::int64_t blockStart = clock;
        clock += block;
        const bool atLimit = clock - firstStart >= maxSteps;
        if (!escaped && !atLimit) continue;
        firstStart = kIdleStart;
        for (std::size_t n = 0; n < kGroups; ++n) {
            // Results first; a group takes new pixels only once all its lanes
            // are done (or few are left), so that it stays or becomes uniform.
            int left = 0;
            for (std::size_t s = n * L; s < (n + 1) * L; ++s) {
                const int px = Pixel[s];
                if (px < 0) continue;
                std::int64_t steps = -1;
                if (escaped && Escape[s] >= 0) {
                    steps = blockStart - Start[s] + Escape[s] + 1;
                    counts[px] = static_cast<std::int32_t>(steps);
                    if (noteEscape) {
                        line.EscapeX[px] = EX[s];
                        line.EscapeY[px] = EY[s];
                    }
                } else if (clock - Start[s] >= maxSteps) {
                    steps = maxSteps;
                    counts[px] = 0;
                    lastR2[px] = R2[s];
                }
                if (steps >= 0) {
                    tests += static_cast<std::uint64_t>(steps);
                    --live;
                    Pixel[s] = -1;
                    Live[s] = 0;
                    Start[s] = kIdleStart;
                } else {
                    ++left;
                }
            }
            if (left == 0) {
                // A group that went apart is uniform again with a fresh set of pixels.
                for (std::size_t s = n * L; s < (n + 1) * L; ++s) refill(s);
                Uniform[n] = true;
                UPos[n] = orbit.First;
                UEnd[n] = orbit.Last;
            } else if (static_cast<std::size_t>(left) * 4 <= L) {
                // Few lanes left: the others take new pixels rather than wait.
                if (Uniform[n]) {
                    for (std::size_t s = n * L; s < (n + 1) * L; ++s) {
                        Pos[s] = UPos[n];
                        End[s] = UEnd[n];
                    }
                    Uniform[n] = false;
                }
                for (std::size_t s = n * L; s < (n + 1) * L; ++s)
                    if (Pixel[s] < 0) refill(s);
            }
            for (std::size_t s = n * L; s < (n + 1) * L; ++s) firstStart = std::min(firstStart, Start[s]);
        }
    }
    iterations += tests;
    return true;
}

bool EscapeLine(const TDeepLine& line, std::int32_t* counts, double* lastR2, std::uint64_t& iterations)
{
    if (line.DeltaScale == 1.0) return EscapeLineT<false>(line, counts, lastR2, iterations);
    return EscapeLineT<true>(line, counts, lastR2, iterations);
}

} // namespace
} // namespace HWY_NAMESPACE
} // namespace quillon
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace quillon {

HWY_EXPORT(EscapeLine);

bool DeepEscapeLine(const TDeepLine& line, std::int32_t* counts, double* lastR2, std::uint64_t& iterations)
{
    if (line.Width <= 0) return true;
    return HWY_DYNAMIC_DISPATCH(EscapeLine)(line, counts, lastR2, iterations);
}

} // namespace quillon
#endif
