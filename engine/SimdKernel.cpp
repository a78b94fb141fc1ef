// The vectorised escape-time kernel. Highway compiles this file once for every
// instruction set it supports and picks the best one the processor has.
//
// Six independent vectors are in flight, so that the multiplications and additions
// of one vector hide the latency of another's (one iteration depends on the last
// through a multiplication and two additions). The vectors run in blocks of a few
// iterations without a branch: a lane counts its tests while it is active and turns
// inactive at its escape test, so its count freezes there whatever follows. A block
// is never longer than the least number of tests any lane still has before the step
// limit, so a lane that reaches the limit does so at the end of a block, where its
// squared magnitude is that of its last test. Between blocks, finished lanes hand
// their results over and take the next pixel of the line.
//
// Bit-exactness: every operation is a plain IEEE double multiplication, addition or
// subtraction in the order of the scalar kernel; x + x equals 2 * x exactly. The
// engine is built with -ffp-contract=off, so none is fused.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "engine/SimdKernel.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep
#include <hwy/highway.h>

#include "engine/SimdKernel.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>

HWY_BEFORE_NAMESPACE();
namespace quillon {
namespace HWY_NAMESPACE {
namespace {

namespace hn = hwy::HWY_NAMESPACE;

// The vectors in flight, named 0..5 (sizeless vector types cannot live in arrays).
#define QUILLON_SIMD_EACH(M) M(0) M(1) M(2) M(3) M(4) M(5)
constexpr int kVectors = 6;
// Iterations per block: long while nothing escapes, shorter while counting.
constexpr std::int64_t kFastBlock = 32;
constexpr std::int64_t kCountingBlock = 16;
// Start of an idle lane (the line has no more pixels): it never reaches the limit.
constexpr std::int64_t kIdleStart = std::numeric_limits<std::int64_t>::max() / 2;

using D = hn::ScalableTag<double>;
using DI = hn::RebindToSigned<D>;
using V = hn::Vec<D>;
using VI = hn::Vec<DI>;
using M = hn::Mask<D>;

// stay := stay and not (r2 >= absMax2). A NaN magnitude does not escape.
HWY_INLINE M Stay(M stay, V r2, V absMax2)
{
#if HWY_ARCH_X86 && HWY_TARGET <= HWY_AVX3
    // One masked comparison instead of a comparison and a mask operation.
    return M{_mm512_mask_cmp_pd_mask(stay.raw, r2.raw, absMax2.raw, _CMP_NGE_UQ)};
#else
    return hn::AndNot(hn::Ge(r2, absMax2), stay);
#endif
}

// count := count + 1 where active.
HWY_INLINE VI CountUp(D d, DI di, VI count, M active)
{
#if HWY_ARCH_X86 && HWY_TARGET <= HWY_AVX3
    (void)d;
    return hn::IfThenElse(hn::RebindMask(di, active), hn::Add(count, hn::Set(di, 1)), count);
#else
    // An active lane is all ones, that is -1.
    return hn::Sub(count, hn::BitCast(di, hn::VecFromMask(d, active)));
#endif
}

// Whether any lane escaped in a block without counting: on AVX-512 a mask (one
// masked comparison per test), on the other x86 instruction sets the greatest r2
// (one maxpd: it returns its second operand when either is NaN, so the peak
// never turns NaN and ignores NaN magnitudes), elsewhere a mask.
#undef QUILLON_SIMD_PEAK
#if HWY_ARCH_X86 && HWY_TARGET > HWY_AVX3 && HWY_TARGET <= HWY_SSSE3
#define QUILLON_SIMD_PEAK 1
using TTrack = V;
HWY_INLINE void Track(TTrack& peak, V r2, V) { peak = hn::Max(r2, peak); }
#else
#define QUILLON_SIMD_PEAK 0
using TTrack = M;
HWY_INLINE void Track(TTrack& stay, V r2, V absMax2) { stay = Stay(stay, r2, absMax2); }
#endif

// One escape test and one step of one vector, tracking escapes.
HWY_INLINE void Iterate(V& x, V& y, V cx, V cy, TTrack& track, V& r2, V absMax2)
{
    const V xx = hn::Mul(x, x);
    const V yy = hn::Mul(y, y);
    r2 = hn::Add(xx, yy);
    Track(track, r2, absMax2);
    const V ny = hn::Add(hn::Mul(hn::Add(x, x), y), cy);
    x = hn::Add(hn::Sub(xx, yy), cx);
    y = ny;
}

// As Iterate, and count counts the tests up to and including the escaping one.
HWY_INLINE void IterateCounting(D d, DI di, V& x, V& y, V cx, V cy, VI& count, M& stay, V& r2, V absMax2)
{
    const V xx = hn::Mul(x, x);
    const V yy = hn::Mul(y, y);
    r2 = hn::Add(xx, yy);
    count = CountUp(d, di, count, stay);
    stay = Stay(stay, r2, absMax2);
    const V ny = hn::Add(hn::Mul(hn::Add(x, x), y), cy);
    x = hn::Add(hn::Sub(xx, yy), cx);
    y = ny;
}

// The lanes run in blocks of iterations. A fast block only notes whether any lane
// escaped; if one did, the block is run again from its start with counting, which
// gives each escaped lane its count, and blocks count until one passes without an
// escape. No block is longer than the least number of tests any lane still has
// before the limit, so a lane reaches the limit at the end of a block.
bool EscapeLine(const TEscapeLine& line, std::int32_t* counts, double* lastR2)
{
    const D d;
    const DI di;
    const std::size_t L = hn::Lanes(d);
    constexpr std::size_t kMaxLanes = HWY_MAX_BYTES / sizeof(double);
    constexpr std::size_t kSlots = kVectors * kMaxLanes;
    const std::size_t slots = kVectors * L;

    const TMatrix2D& m = *line.Matrix;
    const int width = line.Width;
    const std::int64_t maxSteps = std::max(line.MaxSteps, 1);
    const V absMax2 = hn::Set(d, line.AbsMax2);

    // The lanes' state at the start of a block; vector k holds slots k*L .. k*L+L-1.
    HWY_ALIGN double X[kSlots], Y[kSlots], CX[kSlots], CY[kSlots], R2[kSlots];
    HWY_ALIGN std::int64_t Count[kSlots], Stayed[kSlots]; // of the last counting block; Stayed -1 or 0
    std::int64_t Start[kSlots]; // block clock when the lane's pixel started
    int Pixel[kSlots];          // -1: idle

    std::int64_t clock = 0; // iterations run so far
    int next = 0;
    int live = 0;
    auto refill = [&](std::size_t s) {
        if (next < width) {
            const int px = next++;
            const TPoint2D p = m.Transform(TPoint{px, line.Y});
            X[s] = p.x;
            Y[s] = p.y;
            if (line.JuliaX) {
                CX[s] = line.JuliaX->load(std::memory_order_relaxed);
                CY[s] = line.JuliaY->load(std::memory_order_relaxed);
            } else {
                CX[s] = p.x;
                CY[s] = p.y;
            }
            Start[s] = clock;
            Pixel[s] = px;
            ++live;
        } else {
            // z = 0 stays 0: an idle lane never escapes and never finishes.
            X[s] = Y[s] = CX[s] = CY[s] = 0;
            Start[s] = kIdleStart;
            Pixel[s] = -1;
        }
    };
    for (std::size_t s = 0; s < slots; ++s) refill(s);

    std::int64_t firstStart = 0; // the earliest Start of a live lane
    bool counting = false;
    std::int64_t nextStopCheck = 1 << 16;
    while (live > 0) {
        if (line.Stop && clock >= nextStopCheck) {
            if (line.Stop->load(std::memory_order_relaxed)) return false;
            nextStopCheck = clock + (1 << 16);
        }
        const std::int64_t untilLimit = firstStart + maxSteps - clock;
        bool escaped = false;

#define QUILLON_SIMD_LOAD(k)                                                  \
    V x##k = hn::Load(d, X + k * L), y##k = hn::Load(d, Y + k * L);           \
    const V cx##k = hn::Load(d, CX + k * L), cy##k = hn::Load(d, CY + k * L); \
    V r2##k = absMax2;
#define QUILLON_SIMD_STAY(k) M stay##k = hn::FirstN(d, L);
#if QUILLON_SIMD_PEAK
#define QUILLON_SIMD_TRACK(k) V track##k = hn::Set(d, -std::numeric_limits<double>::infinity());
#define QUILLON_SIMD_NONE_ESCAPED                                                                  \
    hn::AllTrue(d, hn::Lt(hn::Max(hn::Max(hn::Max(track0, track1), hn::Max(track2, track3)),     \
                                  hn::Max(track4, track5)),                                      \
                          absMax2))
#else
#define QUILLON_SIMD_TRACK(k) M track##k = hn::FirstN(d, L);
#define QUILLON_SIMD_NONE_ESCAPED \
    hn::AllTrue(d, hn::And(hn::And(hn::And(track0, track1), hn::And(track2, track3)), hn::And(track4, track5)))
#endif
#define QUILLON_SIMD_STORE(k)                \
    hn::Store(x##k, d, X + k * L);           \
    hn::Store(y##k, d, Y + k * L);           \
    hn::Store(r2##k, d, R2 + k * L);
#define QUILLON_SIMD_ALL_STAYED \
    hn::AllTrue(d, hn::And(hn::And(hn::And(stay0, stay1), hn::And(stay2, stay3)), hn::And(stay4, stay5)))

        std::int64_t block = std::min(counting ? kCountingBlock : kFastBlock, untilLimit);
        if (!counting) {
            QUILLON_SIMD_EACH(QUILLON_SIMD_LOAD)
            QUILLON_SIMD_EACH(QUILLON_SIMD_TRACK)
            for (std::int64_t i = 0; i < block; ++i) {
#define QUILLON_SIMD_ITERATE(k) Iterate(x##k, y##k, cx##k, cy##k, track##k, r2##k, absMax2);
                QUILLON_SIMD_EACH(QUILLON_SIMD_ITERATE)
#undef QUILLON_SIMD_ITERATE
            }
            if (QUILLON_SIMD_NONE_ESCAPED) {
                QUILLON_SIMD_EACH(QUILLON_SIMD_STORE)
            } else {
                counting = true; // run the block again, counting
            }
        }
        if (counting) {
            QUILLON_SIMD_EACH(QUILLON_SIMD_LOAD)
            QUILLON_SIMD_EACH(QUILLON_SIMD_STAY)
#define QUILLON_SIMD_ZERO(k) VI count##k = hn::Zero(di);
            QUILLON_SIMD_EACH(QUILLON_SIMD_ZERO)
#undef QUILLON_SIMD_ZERO
            for (std::int64_t i = 0; i < block; ++i) {
#define QUILLON_SIMD_ITERATE(k) IterateCounting(d, di, x##k, y##k, cx##k, cy##k, count##k, stay##k, r2##k, absMax2);
                QUILLON_SIMD_EACH(QUILLON_SIMD_ITERATE)
#undef QUILLON_SIMD_ITERATE
            }
            QUILLON_SIMD_EACH(QUILLON_SIMD_STORE)
            escaped = !QUILLON_SIMD_ALL_STAYED;
            if (escaped) {
#define QUILLON_SIMD_STORE_COUNT(k)            \
    hn::Store(count##k, di, Count + k * L); \
    hn::Store(hn::BitCast(di, hn::VecFromMask(d, stay##k)), di, Stayed + k * L);
                QUILLON_SIMD_EACH(QUILLON_SIMD_STORE_COUNT)
#undef QUILLON_SIMD_STORE_COUNT
            } else {
                counting = false;
            }
        }
#undef QUILLON_SIMD_LOAD
#undef QUILLON_SIMD_STAY
#undef QUILLON_SIMD_TRACK
#undef QUILLON_SIMD_NONE_ESCAPED
#undef QUILLON_SIMD_STORE
#undef QUILLON_SIMD_ALL_STAYED

        const std::int64_t blockStart = clock;
        clock += block;
        if (!escaped && block < untilLimit) continue;

        // Hand over the finished lanes and refill them.
        firstStart = kIdleStart;
        for (std::size_t s = 0; s < slots; ++s) {
            const int px = Pixel[s];
            if (px >= 0) {
                if (escaped && Stayed[s] == 0) {
                    counts[px] = static_cast<std::int32_t>(blockStart - Start[s] + Count[s]);
                    --live;
                    refill(s);
                } else if (clock - Start[s] >= maxSteps) {
                    counts[px] = 0;
                    lastR2[px] = R2[s];
                    --live;
                    refill(s);
                }
            }
            firstStart = std::min(firstStart, Start[s]);
        }
    }
    return true;
}

const char* TargetName()
{
    return hwy::TargetName(HWY_TARGET);
}

} // namespace
} // namespace HWY_NAMESPACE
} // namespace quillon
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace quillon {

HWY_EXPORT(EscapeLine);
HWY_EXPORT(TargetName);

bool SimdEscapeLine(const TEscapeLine& line, std::int32_t* counts, double* lastR2)
{
    if (line.Width <= 0) return true;
    return HWY_DYNAMIC_DISPATCH(EscapeLine)(line, counts, lastR2);
}

std::string SimdTargetName()
{
    return HWY_DYNAMIC_DISPATCH(TargetName)();
}

} // namespace quillon
#endif
