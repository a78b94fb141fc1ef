// The vectorised perturbation kernel. Highway compiles this file once for every
// instruction set it supports and picks the best one the processor has.
//
// Each lane carries one pixel and gathers its point of the reference orbit (the
// lanes sit at different places of it). Three independent vectors are in
// flight so that one hides the others' latency. As in the plain kernel, the
// vectors run blocks of iterations without counting, only noting whether a
// live lane escaped; such a block is run again from its start, counting. No
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
    VI pos, end;
    M stay; // live and not escaped
};

// One escape test and step: the test's r2 and whether it escaped (stay), then
// the rebasing and d' = (Z + z) d + dc.
template <bool kScaled>
HWY_INLINE void Step(D d, DI di, const TConsts& k, const double* X, const double* Y, TGroup& g)
{
    V zX = hn::GatherIndex(d, X, g.pos);
    V zY = hn::GatherIndex(d, Y, g.pos);
    const V a = kScaled ? hn::Mul(g.dx, k.inv) : g.dx;
    const V b = kScaled ? hn::Mul(g.dy, k.inv) : g.dy;
    const V zx = hn::Add(zX, a);
    const V zy = hn::Add(zY, b);
    g.r2 = hn::Add(hn::Mul(zx, zx), hn::Mul(zy, zy));
    g.stay = hn::AndNot(hn::Ge(g.r2, k.absMax2), g.stay);
    const M rebase = hn::Or(hn::Lt(g.r2, hn::Add(hn::Mul(a, a), hn::Mul(b, b))),
                            hn::RebindMask(d, hn::Not(hn::Lt(g.pos, g.end))));
    if (HWY_UNLIKELY(!hn::AllFalse(d, rebase))) {
        g.dx = hn::IfThenElse(rebase, kScaled ? hn::Mul(zx, k.s) : zx, g.dx);
        g.dy = hn::IfThenElse(rebase, kScaled ? hn::Mul(zy, k.s) : zy, g.dy);
        zX = hn::IfThenElse(rebase, k.zero, zX);
        zY = hn::IfThenElse(rebase, k.zero, zY);
        const auto rebaseI = hn::RebindMask(di, rebase);
        g.pos = hn::IfThenElse(rebaseI, k.zeroPos, g.pos);
        g.end = hn::IfThenElse(rebaseI, k.zeroLast, g.end);
    }
    const V sx = hn::Add(zX, zx);
    const V sy = hn::Add(zY, zy);
    const V nx = hn::Add(hn::Sub(hn::Mul(sx, g.dx), hn::Mul(sy, g.dy)), g.dcx);
    const V ny = hn::Add(hn::Add(hn::Mul(sx, g.dy), hn::Mul(sy, g.dx)), g.dcy);
    g.dx = nx;
    g.dy = ny;
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

    HWY_ALIGN double DX[kMax], DY[kMax], DCX[kMax], DCY[kMax], R2[kMax];
    HWY_ALIGN std::int64_t Pos[kMax], End[kMax], Live[kMax], Escape[kMax];
    std::int64_t Start[kMax];
    int Pixel[kMax];

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

    std::int64_t firstStart = 0; // a lower bound of the live lanes' Start
    std::int64_t nextStopCheck = 1 << 14;
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
    g##n.pos = hn::Load(di, Pos + n * L);                                                               \
    g##n.end = hn::Load(di, End + n * L);                                                               \
    g##n.stay = hn::MaskFromVec(hn::BitCast(d, hn::Load(di, Live + n * L)));
#define QUILLON_DEEP_STORE(n)                         \
    hn::Store(g##n.dx, d, DX + n * L);                \
    hn::Store(g##n.dy, d, DY + n * L);                \
    hn::Store(g##n.r2, d, R2 + n * L);                \
    hn::Store(g##n.pos, di, Pos + n * L);             \
    hn::Store(g##n.end, di, End + n * L);
#define QUILLON_DEEP_STEP(n) Step<kScaled>(d, di, k, X, Y, g##n);

        // The block without counting.
        bool escaped;
        {
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
        if (escaped) {
            // Again from the block's start, noting each lane's escaping test.
            QUILLON_DEEP_EACH(QUILLON_DEEP_LOAD)
#define QUILLON_DEEP_ZERO(n) VI esc##n = hn::Set(di, -1);
            QUILLON_DEEP_EACH(QUILLON_DEEP_ZERO)
#undef QUILLON_DEEP_ZERO
            VI iter = hn::Zero(di);
            for (std::int64_t i = 0; i < block; ++i) {
#define QUILLON_DEEP_COUNT(n)                                                             \
    {                                                                                     \
        const M before = g##n.stay;                                                       \
        Step<kScaled>(d, di, k, X, Y, g##n);                                              \
        esc##n = hn::IfThenElse(hn::RebindMask(di, hn::AndNot(g##n.stay, before)), iter, esc##n); \
    }
                QUILLON_DEEP_EACH(QUILLON_DEEP_COUNT)
#undef QUILLON_DEEP_COUNT
                iter = hn::Add(iter, k.one);
            }
            QUILLON_DEEP_EACH(QUILLON_DEEP_STORE)
#define QUILLON_DEEP_STORE_ESC(n) hn::Store(esc##n, di, Escape + n * L);
            QUILLON_DEEP_EACH(QUILLON_DEEP_STORE_ESC)
#undef QUILLON_DEEP_STORE_ESC
        }
#undef QUILLON_DEEP_LOAD
#undef QUILLON_DEEP_STORE
#undef QUILLON_DEEP_STEP

        const std::int64_t blockStart = clock;
        clock += block;
        const bool atLimit = clock - firstStart >= maxSteps;
        if (!escaped && !atLimit) continue;
        firstStart = kIdleStart;
        for (std::size_t s = 0; s < slots; ++s) {
            const int px = Pixel[s];
            if (px >= 0) {
                std::int64_t n = -1;
                if (escaped && Escape[s] >= 0) {
                    n = blockStart - Start[s] + Escape[s] + 1;
                    counts[px] = static_cast<std::int32_t>(n);
                } else if (clock - Start[s] >= maxSteps) {
                    n = maxSteps;
                    counts[px] = 0;
                    lastR2[px] = R2[s];
                }
                if (n >= 0) {
                    tests += static_cast<std::uint64_t>(n);
                    --live;
                    refill(s);
                }
            }
            firstStart = std::min(firstStart, Start[s]);
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
