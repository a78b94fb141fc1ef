// The vectorised perturbation kernel. Highway compiles this file once for every
// instruction set it supports and picks the best one the processor has.
//
// Each lane carries one pixel; two independent groups of vectors are in flight
// so that one hides the other's latency (the reference orbit is gathered per
// lane, as lanes sit at different places of it). The groups run blocks of a
// few iterations without a branch; a lane that escapes or reaches the step
// limit turns inactive and keeps its result until the block ends, where it
// hands the result over and takes the next pixel of the line.
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

constexpr int kGroups = 2;
constexpr int kBlock = 8;

// The state of the lanes between blocks, vector g at slots g*L .. g*L+L-1.
struct TSlots {
    static constexpr std::size_t kMax = kGroups * HWY_MAX_BYTES / sizeof(double);
    HWY_ALIGN double DX[kMax], DY[kMax], DCX[kMax], DCY[kMax], R2[kMax];
    HWY_ALIGN std::int64_t Pos[kMax], End[kMax], Count[kMax], Result[kMax], Active[kMax];
    int Pixel[kMax];
};

struct TConsts {
    V absMax2, s, inv, zero;
    VI maxSteps, zeroPos, zeroLast, one;
};

// One escape test and step of the lanes of one vector.
HWY_INLINE void Step(D d, DI di, const TConsts& k, const double* X, const double* Y, V& dx, V& dy, V dcx, V dcy,
                     VI& pos, VI& end, VI& count, VI& result, V& r2Kept, M& active)
{
    V zX = hn::GatherIndex(d, X, pos);
    V zY = hn::GatherIndex(d, Y, pos);
    V a = hn::Mul(dx, k.inv);
    V b = hn::Mul(dy, k.inv);
    const V zx = hn::Add(zX, a);
    const V zy = hn::Add(zY, b);
    const V r2 = hn::Add(hn::Mul(zx, zx), hn::Mul(zy, zy));
    const auto activeI = hn::RebindMask(di, active);
    count = hn::IfThenElse(activeI, hn::Add(count, k.one), count);
    r2Kept = hn::IfThenElse(active, r2, r2Kept);
    const M escaped = hn::And(active, hn::Ge(r2, k.absMax2));
    result = hn::IfThenElse(hn::RebindMask(di, escaped), count, result);
    // At the limit without escaping: result stays 0.
    const M atLimit = hn::RebindMask(d, hn::Not(hn::Lt(count, k.maxSteps)));
    active = hn::AndNot(hn::Or(escaped, atLimit), active);

    const M rebase = hn::And(active, hn::Or(hn::Lt(r2, hn::Add(hn::Mul(a, a), hn::Mul(b, b))),
                                            hn::RebindMask(d, hn::Not(hn::Lt(pos, end)))));
    dx = hn::IfThenElse(rebase, hn::Mul(zx, k.s), dx);
    dy = hn::IfThenElse(rebase, hn::Mul(zy, k.s), dy);
    a = hn::IfThenElse(rebase, zx, a);
    b = hn::IfThenElse(rebase, zy, b);
    zX = hn::IfThenElse(rebase, k.zero, zX);
    zY = hn::IfThenElse(rebase, k.zero, zY);
    const auto rebaseI = hn::RebindMask(di, rebase);
    pos = hn::IfThenElse(rebaseI, k.zeroPos, pos);
    end = hn::IfThenElse(rebaseI, k.zeroLast, end);

    const V t = hn::Sub(hn::Mul(zX, dx), hn::Mul(zY, dy));
    const V u = hn::Add(hn::Mul(zX, dy), hn::Mul(zY, dx));
    const V nx = hn::Add(hn::Add(hn::Add(t, t), hn::Sub(hn::Mul(dx, a), hn::Mul(dy, b))), dcx);
    const V ny = hn::Add(hn::Add(hn::Add(u, u), hn::Add(hn::Mul(dx, b), hn::Mul(dy, a))), dcy);
    dx = hn::IfThenElse(active, nx, dx);
    dy = hn::IfThenElse(active, ny, dy);
    pos = hn::IfThenElse(hn::RebindMask(di, active), hn::Add(pos, k.one), pos);
}

bool EscapeLine(const TDeepLine& line, std::int32_t* counts, double* lastR2, std::uint64_t& iterations)
{
    const D d;
    const DI di;
    const std::size_t L = hn::Lanes(d);
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
    k.maxSteps = hn::Set(di, maxSteps);
    k.zeroPos = hn::Set(di, orbit.Zero);
    k.zeroLast = hn::Set(di, orbit.ZeroLast);
    k.one = hn::Set(di, 1);

    TSlots st;
    int next = 0;
    int live = 0;
    std::uint64_t tests = 0;
    auto refill = [&](std::size_t s) {
        if (next < width) {
            const int px = next++;
            const double fx = px, fy = line.Y;
            const double dx = fx * m.m11() + fy * m.m21() + m.dx();
            const double dy = fx * m.m12() + fy * m.m22() + m.dy();
            st.DX[s] = dx;
            st.DY[s] = dy;
            st.DCX[s] = line.Julia ? 0.0 : dx;
            st.DCY[s] = line.Julia ? 0.0 : dy;
            st.Pos[s] = orbit.First;
            st.End[s] = orbit.Last;
            st.Active[s] = -1;
            st.Pixel[s] = px;
            ++live;
        } else {
            st.DX[s] = st.DY[s] = st.DCX[s] = st.DCY[s] = 0;
            st.Pos[s] = orbit.Zero;
            st.End[s] = orbit.ZeroLast;
            st.Active[s] = 0;
            st.Pixel[s] = -1;
        }
        st.Count[s] = 0;
        st.Result[s] = 0;
        st.R2[s] = 0;
    };
    for (std::size_t s = 0; s < slots; ++s) refill(s);

    std::int64_t clock = 0;
    while (live > 0) {
        if (line.Stop && (clock & 0x7FF) == 0 && clock > 0 && line.Stop->load(std::memory_order_relaxed))
            return false;
        clock += kBlock;

#define QUILLON_DEEP_LOAD(g)                                                                        \
    V dx##g = hn::Load(d, st.DX + g * L), dy##g = hn::Load(d, st.DY + g * L);                       \
    const V dcx##g = hn::Load(d, st.DCX + g * L), dcy##g = hn::Load(d, st.DCY + g * L);             \
    V r2##g = hn::Load(d, st.R2 + g * L);                                                           \
    VI pos##g = hn::Load(di, st.Pos + g * L), end##g = hn::Load(di, st.End + g * L);                \
    VI count##g = hn::Load(di, st.Count + g * L), result##g = hn::Load(di, st.Result + g * L);      \
    M active##g = hn::MaskFromVec(hn::BitCast(d, hn::Load(di, st.Active + g * L)));
#define QUILLON_DEEP_STEP(g) \
    Step(d, di, k, X, Y, dx##g, dy##g, dcx##g, dcy##g, pos##g, end##g, count##g, result##g, r2##g, active##g);
#define QUILLON_DEEP_STORE(g)                                                            \
    hn::Store(dx##g, d, st.DX + g * L);                                                  \
    hn::Store(dy##g, d, st.DY + g * L);                                                  \
    hn::Store(r2##g, d, st.R2 + g * L);                                                  \
    hn::Store(pos##g, di, st.Pos + g * L);                                               \
    hn::Store(end##g, di, st.End + g * L);                                               \
    hn::Store(count##g, di, st.Count + g * L);                                           \
    hn::Store(result##g, di, st.Result + g * L);                                         \
    hn::Store(hn::BitCast(di, hn::VecFromMask(d, active##g)), di, st.Active + g * L);

        QUILLON_DEEP_LOAD(0)
        QUILLON_DEEP_LOAD(1)
        for (int i = 0; i < kBlock; ++i) {
            QUILLON_DEEP_STEP(0)
            QUILLON_DEEP_STEP(1)
        }
        const bool allActive = hn::AllTrue(d, hn::And(active0, active1));
        QUILLON_DEEP_STORE(0)
        QUILLON_DEEP_STORE(1)
#undef QUILLON_DEEP_LOAD
#undef QUILLON_DEEP_STEP
#undef QUILLON_DEEP_STORE
        if (allActive) continue;
        for (std::size_t s = 0; s < slots; ++s) {
            const int px = st.Pixel[s];
            if (px < 0 || st.Active[s] != 0) continue;
            counts[px] = static_cast<std::int32_t>(st.Result[s]);
            if (st.Result[s] == 0) lastR2[px] = st.R2[s];
            tests += static_cast<std::uint64_t>(st.Count[s]);
            --live;
            refill(s);
        }
    }
    iterations += tests;
    return true;
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
