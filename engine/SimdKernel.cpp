// The vectorised escape-time kernel. Highway compiles this file once for every
// instruction set it supports; the one that runs is chosen at the first call.
//
// Six independent vectors are in flight, so that the multiplications and additions
// of one vector hide the latency of another's (one iteration depends on the last
// through a multiplication and two additions). Each lane carries one pixel. The
// vectors run in blocks of iterations without a branch:
// - a fast block only tracks whether any lane escaped (one operation per test);
// - a counting block also counts, per lane, the tests up to its escaping one (the
//   lane turns inactive there, so its count freezes whatever its z does next).
// A fast block in which a lane escaped is run again from its start as a counting
// block; counting goes on until a block passes without an escape, and a counting
// block ends a few iterations after its first escape, so that escaped lanes soon
// take new pixels. No block is longer than the least number of tests any lane
// still has before the step limit, so a lane reaches the limit at the end of a
// block, where its squared magnitude is that of its last test. Between blocks,
// finished lanes hand their results over and take the next pixel of the line.
// The last few pixels of a line run in two vectors whose lanes stop on their own.
//
// Cycles: the iteration is a deterministic function of (x, y), so a lane whose
// point has the same bits as an earlier point of its orbit repeats forever and
// never escapes. At the end of every block each lane's point is compared with
// the one at the block's start (finds cycles whose length divides the block's)
// and with a point saved at growing ages (Brent: finds any cycle once the saved
// point lies on it). Such a lane is done: not escaped, and its last magnitude is
// that of the cycle's point reached by the last test, found with at most two
// turns of the cycle in scalar code. Bits, not values, are compared: +0 and -0
// go on differently, and a NaN point is never taken for a cycle.
//
// Smooth colors need the point of each escaping test: a counting block then also
// stores the points its lanes test in each chunk (stores do not compete with
// the arithmetic), and the escapes of a line are turned into codes a batch of
// vectors at a time, with the operations of the scalar functions.
//
// Dispatch: the widest instruction set unless a short sample on first use finds
// a narrower one clearly faster on this processor.
//
// Bit-exactness: every operation is a plain IEEE double multiplication, addition or
// subtraction in the order of the scalar kernel; 2 * x is exact. The
// engine is built with -ffp-contract=off, so none is fused.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "engine/SimdKernel.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep
#include <hwy/highway.h>

#include "engine/SimdKernel.h"
#include "engine/SmoothColors.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

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
constexpr std::int64_t kCountingBlock = 32;
// A counting block looks for escapes after every few iterations.
constexpr std::int64_t kCountingChunk = 4;
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

// 2x as a multiplication: the same bits as x + x, and on processors whose
// multiplications and additions go to separate pipes it takes a multiplication
// pipe, where each step has fewer operations.
HWY_INLINE V Twice(V x)
{
    const D d;
    return hn::Mul(hn::Set(d, 2.0), x);
}

// One escape test and one step of one vector, tracking escapes.
HWY_INLINE void Iterate(V& x, V& y, V cx, V cy, TTrack& track, V& r2, V absMax2)
{
    const V xx = hn::Mul(x, x);
    const V yy = hn::Mul(y, y);
    r2 = hn::Add(xx, yy);
    Track(track, r2, absMax2);
    const V ny = hn::Add(hn::Mul(Twice(x), y), cy);
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
    const V ny = hn::Add(hn::Mul(Twice(x), y), cy);
    x = hn::Add(hn::Sub(xx, yy), cx);
    y = ny;
}

// One bit per lane, lane 0 lowest.
HWY_INLINE std::uint64_t LaneBits(D d, M mask)
{
    std::uint8_t bytes[8] = {};
    hn::StoreMaskBits(d, mask, bytes);
    std::uint64_t bits;
    std::memcpy(&bits, bytes, sizeof bits);
    return bits;
}

// The first save of a lane's point after this many iterations; later ones at
// twice the age of the last.
constexpr std::int64_t kFirstSave = 16;
// Lanes are looked at for cycles after a fast block; while the looks find
// nothing they grow rarer, up to one in kMaxCheckEvery blocks, so that views
// without interior pay little, and a find makes them follow every block again.
// The cheap look (back at the point of two iterations ago: the cycles of length
// 1 and 2 that most interior points end in) is made every time, the full one
// (also against the block's start and the saved point) every kFullCheckEvery.
constexpr std::uint64_t kMaxCheckEvery = 16;
constexpr std::uint64_t kFullCheckEvery = 4;

// Outcome of a lane that reached point (x, y) after age < maxSteps tests and
// found it earlier in its orbit: not escaped; the magnitude of the last test
// (that of the point after maxSteps - 1 steps) when needed. The cycle's length
// is found by stepping once round it, then the last point by (maxSteps - 1 -
// age) mod length more steps. Returns the scalar steps taken.
std::int64_t FinishCycle(double x, double y, double cx, double cy, std::int64_t age, std::int64_t maxSteps,
                         bool needR2, double& r2)
{
    if (!needR2) return 0;
    const auto bits = [](double v) {
        std::uint64_t b;
        std::memcpy(&b, &v, sizeof b);
        return b;
    };
    const std::uint64_t bx = bits(x), by = bits(y);
    const auto step = [&](double& px, double& py) {
        const double xx = px * px;
        const double yy = py * py;
        const double ny = (px + px) * py + cy;
        px = (xx - yy) + cx;
        py = ny;
    };
    std::int64_t length = 0;
    double px = x, py = y;
    do {
        step(px, py);
        ++length;
    } while ((bits(px) != bx || bits(py) != by) && length <= age);
    const std::int64_t more = (maxSteps - 1 - age) % length;
    for (std::int64_t i = 0; i < more; ++i) step(px, py);
    r2 = px * px + py * py;
    return length + more;
}

// SmoothLog2, lane by lane, with the same operations in the same order, of
// four vectors in place: step by step across the four, so that their chains of
// dependent operations overlap.
HWY_INLINE void SmoothLog2V4(D d, DI di, V (&x)[4])
{
    const double* a = SmoothLog2Poly;
    V e[4], t[4], t2[4], p01[4], p23[4], p45[4], p67[4];
    for (int j = 0; j < 4; ++j) {
        const VI bits = hn::BitCast(di, x[j]);
        e[j] = hn::ConvertTo(d, hn::Sub(hn::And(hn::ShiftRight<52>(bits), hn::Set(di, 0x7FF)), hn::Set(di, 1023)));
        t[j] = hn::BitCast(d, hn::Or(hn::And(bits, hn::Set(di, 0x000FFFFFFFFFFFFF)), hn::Set(di, 0x3FF0000000000000)));
    }
    for (int j = 0; j < 4; ++j) {
        const M big = hn::Ge(t[j], hn::Set(d, SmoothLog2Sqrt2));
        t[j] = hn::IfThenElse(big, hn::Mul(t[j], hn::Set(d, SmoothLog2InvSqrt2)), t[j]);
        e[j] = hn::IfThenElse(big, hn::Add(e[j], hn::Set(d, 0.5)), e[j]);
    }
    for (int j = 0; j < 4; ++j) t[j] = hn::Sub(t[j], hn::Set(d, 1.0));
    for (int j = 0; j < 4; ++j) {
        t2[j] = hn::Mul(t[j], t[j]);
        p01[j] = hn::Add(hn::Mul(hn::Set(d, a[1]), t[j]), hn::Set(d, a[0]));
        p23[j] = hn::Add(hn::Mul(hn::Set(d, a[3]), t[j]), hn::Set(d, a[2]));
        p45[j] = hn::Add(hn::Mul(hn::Set(d, a[5]), t[j]), hn::Set(d, a[4]));
        p67[j] = hn::Add(hn::Mul(hn::Set(d, a[7]), t[j]), hn::Set(d, a[6]));
    }
    for (int j = 0; j < 4; ++j) {
        const V t4 = hn::Mul(t2[j], t2[j]);
        const V p03 = hn::Add(hn::Mul(p23[j], t2[j]), p01[j]);
        const V p47 = hn::Add(hn::Mul(p67[j], t2[j]), p45[j]);
        x[j] = hn::Add(e[j], hn::Mul(t[j], hn::Add(hn::Mul(p47, t4), p03)));
    }
}

// The smooth codes of escaped pixels (SmoothCodeOf(SmoothEscapeValue(...)), lane
// by lane): the escapes of a line are gathered here and computed a batch of
// vectors at a time, so that the kernel's loop only hands over the escaping points.
// The hand-over is bound by its stores, so an escape stores little: its pixel and
// count in one word and its point; c only for Julia sets (for the Mandelbrot set
// it is the pixel's point, worked out again here as the kernel did).
class TSmoothBatch {
public:
    explicit TSmoothBatch(const TEscapeLine& line) : FOut(line.SmoothCodes), FLimit(line.SmoothLimit)
    {
        FValid = line.AbsMax2 > 1 && std::isfinite(line.AbsMax2);
        FLogLogRadius = FValid ? SmoothLog2(SmoothLog2(line.AbsMax2)) : 0;
        FJulia = line.JuliaX != nullptr;
        const TMatrix2D& m = *line.Matrix;
        FMatrix = {m.m11(), m.m21(), m.dx(), m.m12(), m.m22(), m.dy()};
        FLineY = line.Y;
    }
    TSmoothBatch(const TSmoothBatch&) = delete;
    TSmoothBatch& operator=(const TSmoothBatch&) = delete;
    ~TSmoothBatch() { Flush(); }

    // The escapes of a hand-over are put at places Begin() .. End() - 1 with the
    // count kept in a register: counting through the member would chain every
    // escape to the last one's store.
    // Begin makes room for `room` escapes and returns the first free place.
    std::size_t Begin(std::size_t room)
    {
        if (FCount + room > kSize) Flush();
        return FCount;
    }
    // Pixel px escaped at test n from the point (x, y) under c = (cx, cy); at is
    // the next free place, returned one further on.
    std::size_t Put(std::size_t at, int px, std::int64_t n, double x, double y, double cx, double cy)
    {
        if (n > FLimit || !FValid) {
            FOut[px] = SmoothCodeAtCount; // the top entry's color, or the code of a NaN value
            return at;
        }
        FPixelCount[at] = (n << 32) | static_cast<std::uint32_t>(px);
        FX[at] = x;
        FY[at] = y;
        if (FJulia) {
            FCX[at] = cx;
            FCY[at] = cy;
        }
        return at + 1;
    }
    void End(std::size_t at) { FCount = at; }
    // Pixel px did not escape.
    void NotEscaped(int px) { FOut[px] = NoSmoothCode; }

    void Flush()
    {
        if (FCount == 0) return;
        const D d;
        const DI di;
        const std::size_t L = hn::Lanes(d);
        // Padding lanes start far out: they take no steps.
        for (std::size_t i = FCount; i % (4 * L) != 0; ++i) {
            FPixelCount[i] = 0;
            FY[i] = FCX[i] = FCY[i] = 0;
            FX[i] = 1e3;
        }
        const V one = hn::Set(d, 1.0);
        const V far = hn::Set(d, SmoothFarAbs2);
        const V logLogRadius = hn::Set(d, FLogLogRadius);
        const V weightOne = hn::Set(d, SmoothWeightOne);
        const V half = hn::Set(d, 0.5);
        const V top = hn::Set(d, 3.0 * SmoothWeightOne - 1);
        const V atCount = hn::Set(d, SmoothCodeAtCount);
        const VI pixelMask = hn::Set(di, 0xFFFFFFFF);
        const V fy = hn::Set(d, static_cast<double>(FLineY));
        // c of the escapes at i: the pixel's point as the kernel's refill computes it.
        const auto pointC = [&](std::size_t i, V& cx, V& cy) {
            if (FJulia) {
                cx = hn::Load(d, FCX + i);
                cy = hn::Load(d, FCY + i);
                return;
            }
            const V fx = hn::ConvertTo(d, hn::And(hn::Load(di, FPixelCount + i), pixelMask));
            cx = hn::Add(hn::Add(hn::Mul(fx, hn::Set(d, FMatrix[0])), hn::Mul(fy, hn::Set(d, FMatrix[1]))),
                         hn::Set(d, FMatrix[2]));
            cy = hn::Add(hn::Add(hn::Mul(fx, hn::Set(d, FMatrix[3])), hn::Mul(fy, hn::Set(d, FMatrix[4]))),
                         hn::Set(d, FMatrix[5]));
        };
        const auto countOf = [&](std::size_t i) {
            return hn::ConvertTo(d, hn::ShiftRight<32>(hn::Load(di, FPixelCount + i)));
        };
        // Four vectors at a time, so that their chains of dependent operations overlap.
        for (std::size_t i = 0; i < FCount; i += 4 * L) {
#define QUILLON_SMOOTH_EACH(M) M(0) M(1) M(2) M(3)
#define QUILLON_SMOOTH_LOAD(j)                                              \
    V x##j = hn::Load(d, FX + i + j * L), y##j = hn::Load(d, FY + i + j * L); \
    V cx##j, cy##j;                                                         \
    pointC(i + j * L, cx##j, cy##j);                                        \
    V xx##j = hn::Mul(x##j, x##j), yy##j = hn::Mul(y##j, y##j);              \
    V r2##j = hn::Add(xx##j, yy##j);                                         \
    VI k##j = hn::Zero(di);
            QUILLON_SMOOTH_EACH(QUILLON_SMOOTH_LOAD)
            // A lane steps while its r2 is below SmoothFarAbs2; only its r2 and step
            // count must stop there (its x and y are not needed afterwards).
            for (int step = 0; step < SmoothMaxExtraSteps; ++step) {
#define QUILLON_SMOOTH_GO(j) const M go##j = hn::Lt(r2##j, far);
                QUILLON_SMOOTH_EACH(QUILLON_SMOOTH_GO)
                if (hn::AllFalse(d, hn::Or(hn::Or(go0, go1), hn::Or(go2, go3)))) break;
#define QUILLON_SMOOTH_STEP(j)                                         \
    {                                                                  \
        const V ny = hn::Add(hn::Mul(hn::Add(x##j, x##j), y##j), cy##j); \
        x##j = hn::Add(hn::Sub(xx##j, yy##j), cx##j);                    \
        y##j = ny;                                                     \
        xx##j = hn::Mul(x##j, x##j);                                   \
        yy##j = hn::Mul(y##j, y##j);                                   \
        r2##j = hn::IfThenElse(go##j, hn::Add(xx##j, yy##j), r2##j);   \
        k##j = hn::Sub(k##j, hn::BitCast(di, hn::VecFromMask(d, go##j))); \
    }
                QUILLON_SMOOTH_EACH(QUILLON_SMOOTH_STEP)
            }
#define QUILLON_SMOOTH_KEEP(j)                  \
    hn::Store(r2##j, d, FX + i + j * L);        \
    hn::Store(hn::Add(hn::Add(countOf(i + j * L), hn::ConvertTo(d, k##j)), one), d, FY + i + j * L);
            QUILLON_SMOOTH_EACH(QUILLON_SMOOTH_KEEP)
#undef QUILLON_SMOOTH_EACH
#undef QUILLON_SMOOTH_LOAD
#undef QUILLON_SMOOTH_GO
#undef QUILLON_SMOOTH_STEP
#undef QUILLON_SMOOTH_KEEP
        }
        // The logarithms after all the steps, four vectors at a time and without a
        // data-dependent branch, so that the long chains overlap.
        for (std::size_t i = 0; i < FCount; i += 4 * L) {
            V ll[4];
            for (std::size_t j = 0; j < 4; ++j) ll[j] = hn::Load(d, FX + i + j * L);
            SmoothLog2V4(d, di, ll);
            SmoothLog2V4(d, di, ll);
            for (std::size_t j = 0; j < 4; ++j) {
                const V n = countOf(i + j * L);
                const V count = hn::Load(d, FY + i + j * L); // n + k + 1
                const V v = hn::Sub(count, hn::Sub(ll[j], logLogRadius));
                const V scaled = hn::Floor(hn::Add(hn::Mul(hn::Add(hn::Sub(v, n), one), weightOne), half));
                V code = hn::Min(hn::IfThenElse(hn::Gt(scaled, hn::Zero(d)), scaled, hn::Zero(d)), top);
                code = hn::IfThenElse(hn::IsNaN(v), atCount, code);
                hn::Store(hn::ConvertTo(di, code), di, FCode + i + j * L);
            }
        }
        for (std::size_t i = 0; i < FCount; ++i)
            FOut[FPixelCount[i] & 0xFFFFFFFF] = static_cast<std::uint16_t>(FCode[i]);
        FCount = 0;
    }

private:
    static constexpr std::size_t kSize = 32 * (HWY_MAX_BYTES / sizeof(double));
    std::uint16_t* FOut;
    std::int64_t FLimit;
    bool FValid;
    bool FJulia;
    double FLogLogRadius;
    std::array<double, 6> FMatrix; // m11, m21, dx, m12, m22, dy
    int FLineY;
    std::size_t FCount = 0;
    HWY_ALIGN std::int64_t FPixelCount[kSize]; // count << 32 | pixel
    HWY_ALIGN double FX[kSize], FY[kSize], FCX[kSize], FCY[kSize];
    HWY_ALIGN std::int64_t FCode[kSize];
};

// One test and step where every lane also stops at the limit on its own: a lane
// is active while it has not escaped and has made fewer than maxSteps tests; only
// active lanes count, keep their r2 and may escape.
// The point of each lane's last test is kept in (zx, zy): for an escaped lane,
// the point that escaped (the tail is latency-bound, so this costs nothing).
HWY_INLINE void IterateToEnd(D d, DI di, V& x, V& y, V cx, V cy, VI& count, M& stay, V& r2Kept, V& zx, V& zy,
                             V absMax2, VI maxSteps)
{
    const M active = hn::And(stay, hn::RebindMask(d, hn::Lt(count, maxSteps)));
    const V xx = hn::Mul(x, x);
    const V yy = hn::Mul(y, y);
    const V r2 = hn::Add(xx, yy);
    r2Kept = hn::IfThenElse(active, r2, r2Kept);
    zx = hn::IfThenElse(active, x, zx);
    zy = hn::IfThenElse(active, y, zy);
    count = CountUp(d, di, count, active);
    stay = hn::AndNot(hn::And(active, hn::Ge(r2, absMax2)), stay);
    const V ny = hn::Add(hn::Mul(Twice(x), y), cy);
    x = hn::Add(hn::Sub(xx, yy), cx);
    y = ny;
}

// The end of a line: the last pixels, at most two vectors of them, in slots
// 0 .. 2L-1 (Pixel -1 for an idle slot). Two vectors cannot hide the latency, so
// the lanes run without hand-overs and each stops on its own; the spare issue
// slots pay for that. Every 32 iterations the lanes still going are looked at
// for cycles (tests[] are their ages, SX/SY/NextSave their saved points). False
// when given up at stop.
struct TLineEnd {
    const double* X;
    const double* Y;
    const double* CX;
    const double* CY;
    const std::int64_t* Tests;
    const int* Pixel;
    double* SX;
    double* SY;
    std::int64_t* NextSave;
};

bool FinishLine(const TLineEnd& in, const TEscapeLine& line, std::int64_t clock, TLineStop& stop,
                std::int32_t* counts, double* lastR2, TSmoothBatch* smooth)
{
    const D d;
    const DI di;
    const std::size_t L = hn::Lanes(d);
    constexpr std::size_t kMaxLanes = HWY_MAX_BYTES / sizeof(double);
    const std::int64_t maxStepsValue = std::max(line.MaxSteps, 1);
    const V absMax2 = hn::Set(d, line.AbsMax2);
    HWY_ALIGN std::int64_t Count[2 * kMaxLanes], Live[2 * kMaxLanes];
    HWY_ALIGN double R2[2 * kMaxLanes], X[2 * kMaxLanes], Y[2 * kMaxLanes], BX[2 * kMaxLanes], BY[2 * kMaxLanes];
    bool Cycled[2 * kMaxLanes];
    for (std::size_t s = 0; s < 2 * L; ++s) {
        Count[s] = in.Tests[s];
        Live[s] = in.Pixel[s] >= 0 ? -1 : 0;
        Cycled[s] = false;
    }
    const VI maxSteps = hn::Set(di, maxStepsValue);
    V x0 = hn::Load(d, in.X), y0 = hn::Load(d, in.Y), x1 = hn::Load(d, in.X + L), y1 = hn::Load(d, in.Y + L);
    const V cx0 = hn::Load(d, in.CX), cy0 = hn::Load(d, in.CY), cx1 = hn::Load(d, in.CX + L),
            cy1 = hn::Load(d, in.CY + L);
    VI count0 = hn::Load(di, Count), count1 = hn::Load(di, Count + L);
    M stay0 = hn::MaskFromVec(hn::BitCast(d, hn::Load(di, Live))),
      stay1 = hn::MaskFromVec(hn::BitCast(d, hn::Load(di, Live + L)));
    V r2Kept0 = hn::Zero(d), r2Kept1 = hn::Zero(d);
    V zx0 = hn::Zero(d), zy0 = hn::Zero(d), zx1 = hn::Zero(d), zy1 = hn::Zero(d);
    std::int64_t work = 0, cycleWork = 0;
    for (;;) {
        hn::Store(x0, d, BX);
        hn::Store(y0, d, BY);
        hn::Store(x1, d, BX + L);
        hn::Store(y1, d, BY + L);
        for (int k = 0; k < 32; ++k) {
            IterateToEnd(d, di, x0, y0, cx0, cy0, count0, stay0, r2Kept0, zx0, zy0, absMax2, maxSteps);
            IterateToEnd(d, di, x1, y1, cx1, cy1, count1, stay1, r2Kept1, zx1, zy1, absMax2, maxSteps);
        }
        clock += 32;
        work += 32;
        const M active0 = hn::And(stay0, hn::RebindMask(d, hn::Lt(count0, maxSteps)));
        const M active1 = hn::And(stay1, hn::RebindMask(d, hn::Lt(count1, maxSteps)));
        if (hn::AllFalse(d, hn::Or(active0, active1))) break;
        if (stop.GiveUp(clock)) return false;
        if (!line.DetectCycles) continue;
        // A lane active now was active all through the block: its point is that
        // after Count steps, and BX/BY that after Count - 32.
        hn::Store(x0, d, X);
        hn::Store(y0, d, Y);
        hn::Store(x1, d, X + L);
        hn::Store(y1, d, Y + L);
        hn::Store(count0, di, Count);
        hn::Store(count1, di, Count + L);
        hn::Store(hn::BitCast(di, hn::VecFromMask(d, active0)), di, Live);
        hn::Store(hn::BitCast(di, hn::VecFromMask(d, active1)), di, Live + L);
        bool found = false;
        const auto same = [](double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; };
        for (std::size_t s = 0; s < 2 * L; ++s) {
            if (Live[s] == 0) continue;
            if (X[s] == X[s] && ((same(X[s], BX[s]) && same(Y[s], BY[s])) ||
                                 (same(X[s], in.SX[s]) && same(Y[s], in.SY[s])))) {
                Cycled[s] = true;
                found = true;
                const int px = in.Pixel[s];
                counts[px] = 0;
                if (smooth) smooth->NotEscaped(px);
                cycleWork += FinishCycle(X[s], Y[s], in.CX[s], in.CY[s], Count[s], maxStepsValue,
                                         line.NeedLastR2, lastR2[px]);
            } else if (Count[s] >= in.NextSave[s]) {
                in.SX[s] = X[s];
                in.SY[s] = Y[s];
                in.NextSave[s] = 2 * Count[s];
            }
        }
        if (found) {
            for (std::size_t s = 0; s < 2 * L; ++s) Live[s] = Cycled[s] ? 0 : -1;
            stay0 = hn::And(stay0, hn::MaskFromVec(hn::BitCast(d, hn::Load(di, Live))));
            stay1 = hn::And(stay1, hn::MaskFromVec(hn::BitCast(d, hn::Load(di, Live + L))));
        }
    }
    if (line.Work) *line.Work += work * static_cast<std::int64_t>(2 * L) + cycleWork;
    hn::Store(count0, di, Count);
    hn::Store(count1, di, Count + L);
    hn::Store(hn::BitCast(di, hn::VecFromMask(d, stay0)), di, Live);
    hn::Store(hn::BitCast(di, hn::VecFromMask(d, stay1)), di, Live + L);
    hn::Store(r2Kept0, d, R2);
    hn::Store(r2Kept1, d, R2 + L);
    hn::Store(zx0, d, X);
    hn::Store(zy0, d, Y);
    hn::Store(zx1, d, X + L);
    hn::Store(zy1, d, Y + L);
    std::size_t put = smooth ? smooth->Begin(2 * L) : 0;
    for (std::size_t s = 0; s < 2 * L; ++s) {
        const int px = in.Pixel[s];
        if (px < 0 || Cycled[s]) continue;
        if (Live[s] == 0) {
            counts[px] = static_cast<std::int32_t>(Count[s]);
            if (smooth) put = smooth->Put(put, px, Count[s], X[s], Y[s], in.CX[s], in.CY[s]);
        } else {
            counts[px] = 0;
            if (smooth) smooth->NotEscaped(px);
            lastR2[px] = R2[s];
        }
    }
    if (smooth) smooth->End(put);
    return true;
}

// The line kernel (see the top of the file); false when given up at line.Stop.
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
    std::optional<TSmoothBatch> smoothBatch;
    if (line.SmoothCodes) smoothBatch.emplace(line);
    TSmoothBatch* const smooth = smoothBatch ? &*smoothBatch : nullptr;

    // The lanes' state at the start of a block; vector k holds slots k*L .. k*L+L-1.
    HWY_ALIGN double X[kSlots], Y[kSlots], CX[kSlots], CY[kSlots], R2[kSlots];
    HWY_ALIGN std::int64_t Count[kSlots]; // tests of the last counting block
    // Lanes that escaped in it, one bit per slot (a vector's lanes never straddle
    // two words: the lane count is a power of two up to 64).
    constexpr std::size_t kWords = (kSlots + 63) / 64;
    std::uint64_t Escaped[kWords];
    // Lanes that came back to an earlier point in the last block, likewise, and
    // those of them back at their point of two iterations ago.
    std::uint64_t Cycled[kWords], Fixed[kWords];
    HWY_ALIGN std::int64_t Start[kSlots]; // block clock when the lane's pixel started
    int Pixel[kSlots];                    // -1: idle
    // The saved point of each lane's orbit and the age at which the next is saved.
    HWY_ALIGN double SX[kSlots], SY[kSlots];
    HWY_ALIGN std::int64_t NextSave[kSlots];
    // For smooth values: the points the lanes tested in the last chunk of a
    // counting block (the chunk where the escapes happened), and its start.
    HWY_ALIGN double ZX[kCountingChunk * kSlots], ZY[kCountingChunk * kSlots];
    std::int64_t chunkStart = 0;
    const bool detectCycles = line.DetectCycles;
    std::uint64_t checks = 0;     // looks for cycles so far
    std::uint64_t checkEvery = 1; // blocks between looks
    std::uint64_t sinceCheck = 0;
    std::int64_t cycleWork = 0;

    std::int64_t clock = 0; // iterations run so far
    int next = 0;
    int live = 0;
    auto refill = [&](std::size_t s) {
        if (next < width) {
            const int px = next++;
            // TMatrix2D::Transform, written out here (a call costs more than it does).
            const double fx = px, fy = line.Y;
            const TPoint2D p{fx * m.m11() + fy * m.m21() + m.dx(), fx * m.m12() + fy * m.m22() + m.dy()};
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
            SX[s] = p.x;
            SY[s] = p.y;
            NextSave[s] = kFirstSave;
            ++live;
        } else {
            // A NaN point stays NaN: an idle lane never escapes, never finishes
            // and is never taken for a cycle.
            X[s] = Y[s] = SX[s] = SY[s] = std::numeric_limits<double>::quiet_NaN();
            CX[s] = CY[s] = 0;
            Start[s] = kIdleStart;
            NextSave[s] = 0;
            Pixel[s] = -1;
        }
    };
    for (std::size_t s = 0; s < slots; ++s) refill(s);

    std::int64_t firstStart = 0; // the earliest Start of a live lane
    bool counting = false;
    TLineStop stop(line.Stop, line.StopGrace);
    std::int64_t nextStopCheck = 1 << 16;
    const auto addWork = [&] {
        if (line.Work) *line.Work += clock * static_cast<std::int64_t>(slots) + cycleWork;
    };
    while (live > 0) {
        if (clock >= nextStopCheck) {
            if (stop.GiveUp(clock)) return false;
            nextStopCheck = clock + (1 << 16);
        }
        const std::int64_t untilLimit = firstStart + maxSteps - clock;
        bool escaped = false;
        bool cycled = false;

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
#define QUILLON_SIMD_PREVIOUS(k) V xp##k = x##k, yp##k = y##k;
// Before the store: lanes (of those in keep) back at their point of two
// iterations ago (a cycle of length 1 or 2, checked after every fast block), and
// lanes back at their point of the block's
// start or at their saved point; then the saved points due are renewed.
#define QUILLON_SIMD_SAME(k, xo, yo) \
    hn::And(hn::Eq(hn::BitCast(di, x##k), hn::BitCast(di, xo)), hn::Eq(hn::BitCast(di, y##k), hn::BitCast(di, yo)))
#define QUILLON_SIMD_CYCLE(k)                                                                                  \
    const M valid##k = hn::And(keep##k, hn::Eq(x##k, x##k));                                                   \
    const M fixed##k = !shortCheck ? hn::FirstN(d, 0)                                                          \
                                   : hn::And(valid##k, hn::RebindMask(d, QUILLON_SIMD_SAME(k, xp##k, yp##k))); \
    const M cyc##k = !full ? hn::FirstN(d, 0)                                                                  \
                           : hn::AndNot(fixed##k,                                                              \
                                        hn::And(valid##k, hn::RebindMask(d, hn::Or(QUILLON_SIMD_SAME(k, hn::Load(d, X + k * L), \
                                                                                                      hn::Load(d, Y + k * L)), \
                                                                                    QUILLON_SIMD_SAME(k, hn::Load(d, SX + k * L), \
                                                                                                      hn::Load(d, SY + k * L))))));
#define QUILLON_SIMD_SAVE(k)                                                                            \
    {                                                                                                   \
        const VI age = hn::Sub(clockEnd, hn::Load(di, Start + k * L));                                  \
        const VI due = hn::VecFromMask(di, hn::Not(hn::Lt(age, hn::Load(di, NextSave + k * L))));       \
        const M saveNow = hn::MaskFromVec(hn::BitCast(d, due));                                         \
        hn::Store(hn::IfThenElse(saveNow, x##k, hn::Load(d, SX + k * L)), d, SX + k * L);              \
        hn::Store(hn::IfThenElse(saveNow, y##k, hn::Load(d, SY + k * L)), d, SY + k * L);              \
        hn::Store(hn::IfThenElse(hn::MaskFromVec(due), hn::Add(age, age), hn::Load(di, NextSave + k * L)), di, \
                  NextSave + k * L);                                                                    \
    }
#define QUILLON_SIMD_ANY_CYCLE                                                                             \
    !hn::AllFalse(d, hn::Or(hn::Or(hn::Or(hn::Or(cyc0, fixed0), hn::Or(cyc1, fixed1)),                    \
                                   hn::Or(hn::Or(cyc2, fixed2), hn::Or(cyc3, fixed3))),                   \
                            hn::Or(hn::Or(cyc4, fixed4), hn::Or(cyc5, fixed5))))
#define QUILLON_SIMD_CYCLE_BITS(k)                                                \
    Cycled[(k * L) / 64] |= LaneBits(d, hn::Or(cyc##k, fixed##k)) << ((k * L) % 64); \
    Fixed[(k * L) / 64] |= LaneBits(d, fixed##k) << ((k * L) % 64);
#define QUILLON_SIMD_CHECK_CYCLES                                                        \
    const bool look = detectCycles && shortCheck && ++sinceCheck >= checkEvery;           \
    const bool full = look && (++checks & (kFullCheckEvery - 1)) == 0;                   \
    if (look) {                                                                          \
        sinceCheck = 0;                                                                  \
        checkEvery = std::min(checkEvery * 2, kMaxCheckEvery);                           \
        QUILLON_SIMD_EACH(QUILLON_SIMD_CYCLE)                                            \
        if (QUILLON_SIMD_ANY_CYCLE) {                                                    \
            cycled = true;                                                               \
            checkEvery = 1;                                                              \
            std::fill(Cycled, Cycled + kWords, 0);                                       \
            std::fill(Fixed, Fixed + kWords, 0);                                         \
            QUILLON_SIMD_EACH(QUILLON_SIMD_CYCLE_BITS)                                   \
        }                                                                                \
        if (full) {                                                                      \
            const VI clockEnd = hn::Set(di, clock + block);                              \
            QUILLON_SIMD_EACH(QUILLON_SIMD_SAVE)                                         \
        }                                                                                \
    }

        std::int64_t block = std::min(counting ? kCountingBlock : kFastBlock, untilLimit);
        if (!counting) {
            QUILLON_SIMD_EACH(QUILLON_SIMD_LOAD)
            QUILLON_SIMD_EACH(QUILLON_SIMD_TRACK)
#define QUILLON_SIMD_ITERATE(k) Iterate(x##k, y##k, cx##k, cy##k, track##k, r2##k, absMax2);
            // The point two iterations before the end is kept.
            for (std::int64_t i = 2; i < block; ++i) {
                QUILLON_SIMD_EACH(QUILLON_SIMD_ITERATE)
            }
            QUILLON_SIMD_EACH(QUILLON_SIMD_PREVIOUS)
            for (std::int64_t i = std::min<std::int64_t>(block, 2); i > 0; --i) {
                QUILLON_SIMD_EACH(QUILLON_SIMD_ITERATE)
            }
            const bool shortCheck = block >= 2;
#undef QUILLON_SIMD_ITERATE
            if (QUILLON_SIMD_NONE_ESCAPED) {
#define QUILLON_SIMD_KEEP(k) const M keep##k = hn::FirstN(d, L);
                QUILLON_SIMD_EACH(QUILLON_SIMD_KEEP)
#undef QUILLON_SIMD_KEEP
                QUILLON_SIMD_CHECK_CYCLES
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
            // Ends early, a few iterations after the first escape, so that the
            // escaped lanes take new pixels soon.
            std::int64_t done = 0;
            QUILLON_SIMD_EACH(QUILLON_SIMD_PREVIOUS)
            const bool shortCheck = false; // counting blocks are short and rare in the interior
            while (done < block) {
                const std::int64_t chunk = std::min(kCountingChunk, block - done);
                chunkStart = done;
                for (std::int64_t i = 0; i < chunk; ++i) {
                    if (smooth) {
                        // Stores: they do not compete with the arithmetic for its pipes.
#define QUILLON_SIMD_TESTED(k)                                \
    hn::Store(x##k, d, ZX + i * kSlots + k * L); \
    hn::Store(y##k, d, ZY + i * kSlots + k * L);
                        QUILLON_SIMD_EACH(QUILLON_SIMD_TESTED)
#undef QUILLON_SIMD_TESTED
                    }
#define QUILLON_SIMD_ITERATE(k) IterateCounting(d, di, x##k, y##k, cx##k, cy##k, count##k, stay##k, r2##k, absMax2);
                    QUILLON_SIMD_EACH(QUILLON_SIMD_ITERATE)
#undef QUILLON_SIMD_ITERATE
                }
                done += chunk;
                if (!QUILLON_SIMD_ALL_STAYED) {
                    escaped = true;
                    break;
                }
            }
            block = done;
#define QUILLON_SIMD_KEEP(k) const M keep##k = stay##k;
            QUILLON_SIMD_EACH(QUILLON_SIMD_KEEP)
#undef QUILLON_SIMD_KEEP
            QUILLON_SIMD_CHECK_CYCLES
            QUILLON_SIMD_EACH(QUILLON_SIMD_STORE)
            if (escaped) {
                std::fill(Escaped, Escaped + kWords, 0);
#define QUILLON_SIMD_STORE_COUNT(k)         \
    hn::Store(count##k, di, Count + k * L); \
    Escaped[(k * L) / 64] |= LaneBits(d, hn::Not(stay##k)) << ((k * L) % 64);
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
#undef QUILLON_SIMD_CYCLE
#undef QUILLON_SIMD_SAME
#undef QUILLON_SIMD_PREVIOUS
#undef QUILLON_SIMD_SAVE
#undef QUILLON_SIMD_ANY_CYCLE
#undef QUILLON_SIMD_CYCLE_BITS
#undef QUILLON_SIMD_CHECK_CYCLES

        const std::int64_t blockStart = clock;
        clock += block;
        const bool atLimit = block >= untilLimit;
        if (!escaped && !atLimit && !cycled) continue;

        // Lanes that came back to an earlier point never escape; those that also
        // reached the limit are left to the look below.
        if (cycled) {
            for (std::size_t w = 0; w < kWords; ++w) {
                for (std::uint64_t bits = Cycled[w]; bits != 0; bits &= bits - 1) {
                    const std::size_t s = w * 64 + static_cast<std::size_t>(__builtin_ctzll(bits));
                    const int px = Pixel[s];
                    const std::int64_t age = clock - Start[s];
                    if (px < 0 || age >= maxSteps) continue;
                    counts[px] = 0;
                    if (smooth) smooth->NotEscaped(px);
                    if ((Fixed[w] >> (s % 64)) & 1) {
                        // Back where it was two steps ago: the last test is of this
                        // point or of the one before, whose magnitude was the block's last.
                        const double x = X[s], y = Y[s];
                        const double xx = x * x;
                        const double yy = y * y;
                        lastR2[px] = (maxSteps - 1 - age) % 2 == 0 ? xx + yy : R2[s];
                    } else
                        cycleWork += FinishCycle(X[s], Y[s], CX[s], CY[s], age, maxSteps, line.NeedLastR2,
                                                 lastR2[px]);
                    --live;
                    refill(s);
                }
            }
        }

        // Hand over the finished lanes and refill them: the escaped ones from the
        // mask bits, those at the limit by a look at every lane.
        if (escaped) {
            std::size_t put = smooth ? smooth->Begin(slots) : 0;
            for (std::size_t w = 0; w < kWords; ++w) {
                for (std::uint64_t bits = Escaped[w]; bits != 0; bits &= bits - 1) {
                    const std::size_t s = w * 64 + static_cast<std::size_t>(__builtin_ctzll(bits));
                    const int px = Pixel[s];
                    if (px < 0) continue;
                    counts[px] = static_cast<std::int32_t>(blockStart - Start[s] + Count[s]);
                    if (smooth) {
                        // The escaping test was the block's Count-th, in its last chunk.
                        const std::size_t i = static_cast<std::size_t>(Count[s] - 1 - chunkStart) * kSlots + s;
                        put = smooth->Put(put, px, counts[px], ZX[i], ZY[i], CX[s], CY[s]);
                    }
                    --live;
                    refill(s);
                }
            }
            if (smooth) smooth->End(put);
        }
        if (atLimit) {
            // firstStart is a lower bound in between (a refilled lane starts later).
            firstStart = kIdleStart;
            for (std::size_t s = 0; s < slots; ++s) {
                const int px = Pixel[s];
                if (px >= 0 && clock - Start[s] >= maxSteps) {
                    counts[px] = 0;
                    if (smooth) smooth->NotEscaped(px);
                    lastR2[px] = R2[s];
                    --live;
                    refill(s);
                }
                firstStart = std::min(firstStart, Start[s]);
            }
        }

        if (next >= width && live > 0 && static_cast<std::size_t>(live) <= 2 * L) {
            // The last few pixels: gather them into the first two vectors.
            std::size_t j = 0;
            for (std::size_t s = 0; s < slots; ++s) {
                if (Pixel[s] < 0) continue;
                X[j] = X[s];
                Y[j] = Y[s];
                CX[j] = CX[s];
                CY[j] = CY[s];
                SX[j] = SX[s];
                SY[j] = SY[s];
                NextSave[j] = NextSave[s];
                Count[j] = clock - Start[s];
                Pixel[j] = Pixel[s];
                ++j;
            }
            for (; j < 2 * L; ++j) {
                X[j] = Y[j] = CX[j] = CY[j] = SX[j] = SY[j] = 0;
                Count[j] = NextSave[j] = 0;
                Pixel[j] = -1;
            }
            addWork();
            return FinishLine({X, Y, CX, CY, Count, Pixel, SX, SY, NextSave}, line, clock, stop, counts, lastR2,
                              smooth);
        }
    }
    addWork();
    return true;
}

} // namespace
} // namespace HWY_NAMESPACE
} // namespace quillon
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace quillon {

HWY_EXPORT(EscapeLine);

namespace {

using TEscapeLineFn = bool (*)(const TEscapeLine&, std::int32_t*, double*);

// The kernel of one instruction set, from the dispatch table.
TEscapeLineFn KernelOf(std::int64_t target)
{
    hwy::ChosenTarget one;
    one.Update(target);
    return HWY_DISPATCH_TABLE(EscapeLine)[one.GetIndex()];
}

double ThreadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Processor seconds of one kernel on a short sample of the work it does: a line
// of orbits that never escape (every step run) and a line across the whole set
// (escapes, refills and cycles), the best of three tries each.
double SampleSeconds(TEscapeLineFn kernel)
{
    std::int32_t counts[320];
    double lastR2[320];
    TMatrix2D interior;
    interior.m = {{{1e-4, 0, -0.2 - 32e-4}, {0, 0, 1e-3}}};
    TMatrix2D whole;
    whole.m = {{{3.0 / 320, 0, -2.1}, {0, 0, 0.3}}};
    TEscapeLine plain;
    plain.Matrix = &interior;
    plain.Width = 64;
    plain.MaxSteps = 12000;
    plain.DetectCycles = false;
    TEscapeLine mixed;
    mixed.Matrix = &whole;
    mixed.Width = 320;
    mixed.MaxSteps = 500;
    double total = 0;
    for (const TEscapeLine* line : {&plain, &mixed}) {
        double best = 1e9;
        for (int attempt = 0; attempt < 3; ++attempt) {
            const double t0 = ThreadCpuSeconds();
            kernel(*line, counts, lastR2);
            best = std::min(best, ThreadCpuSeconds() - t0);
        }
        total += best;
    }
    return total;
}

// The instruction set the kernel runs with, for each set of available ones
// (tests and the benchmark narrow it): the widest, unless a narrower one is
// measured clearly faster on this processor (a few milliseconds, once per
// process). Every instruction set gives the same images, so only speed differs.
struct TChoice {
    std::int64_t Available = -1;
    std::int64_t Target = 0;
    TEscapeLineFn Kernel = nullptr;
};

std::mutex gChoiceMutex;
std::vector<std::unique_ptr<const TChoice>> gChoices; // guarded by gChoiceMutex; never changed once made
std::atomic<const TChoice*> gCurrent{nullptr};        // the last one asked for

TChoice Choose(std::int64_t available)
{
    std::vector<std::int64_t> candidates;
    for (std::int64_t bits = available; bits != 0; bits &= bits - 1) {
        const std::int64_t target = bits & -bits;
        // Vectors of one double cannot win; they run only when nothing else can.
        if ((target & (HWY_SCALAR | HWY_EMU128)) == 0 || available == target) candidates.push_back(target);
    }
    if (candidates.empty()) candidates.push_back(available & -available);
    // Lower bits are the wider, preferred instruction sets.
    std::int64_t best = candidates.front();
    if (candidates.size() > 1) {
        double bestSeconds = SampleSeconds(KernelOf(best));
        for (std::size_t k = 1; k < candidates.size(); ++k) {
            const double seconds = SampleSeconds(KernelOf(candidates[k]));
            // A narrower one must be clearly faster: the sample is short.
            if (seconds < 0.95 * bestSeconds) {
                best = candidates[k];
                bestSeconds = seconds;
            }
        }
    }
    return {available, best, KernelOf(best)};
}

const TChoice& Chosen()
{
    // Asking for the available instruction sets is slow (under a hypervisor each
    // processor query traps), so it is asked only when Highway's own choice was
    // reset: that is what narrowing them (tests, the benchmark) does.
    const TChoice* current = gCurrent.load(std::memory_order_acquire);
    if (current && hwy::GetChosenTarget().IsInitialized()) return *current;
    const std::int64_t available = hwy::SupportedTargets() & HWY_TARGETS;
    if (current && current->Available == available) return *current;
    std::lock_guard<std::mutex> lock(gChoiceMutex);
    for (const auto& choice : gChoices)
        if (choice->Available == available) current = choice.get();
    if (!current || current->Available != available) {
        gChoices.push_back(std::make_unique<const TChoice>(Choose(available)));
        current = gChoices.back().get();
    }
    gCurrent.store(current, std::memory_order_release);
    return *current;
}

} // namespace

bool SimdEscapeLine(const TEscapeLine& line, std::int32_t* counts, double* lastR2)
{
    if (line.Width <= 0) return true;
    return Chosen().Kernel(line, counts, lastR2);
}

std::string SimdTargetName()
{
    return hwy::TargetName(Chosen().Target);
}

} // namespace quillon
#endif
