// Probes of the floating-point pipes, with the instruction set the vectorised
// kernel is dispatched to: how many vector multiplications and additions of
// doubles one core starts per second when nothing waits on anything.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "bench/FpPipes.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep
#include <hwy/highway.h>

#include "bench/FpPipes.h"

#include <algorithm>
#include <cstdint>
#include <ctime>

HWY_BEFORE_NAMESPACE();
namespace quillon {
namespace HWY_NAMESPACE {
namespace {

namespace hn = hwy::HWY_NAMESPACE;

// Processor time of this thread: other processes on a shared machine do not count.
double ThreadSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Twelve independent chains (more than latency times pipes, and with the two
// constants they fit into sixteen registers), so only the pipes limit.
template <int kMuls>
double ProbeT(std::int64_t rounds, double seed)
{
    const hn::ScalableTag<double> d;
    const auto a = hn::Set(d, 1.0 - seed * 1e-9);
    const auto b = hn::Set(d, seed * 1e-300);
    auto v0 = hn::Set(d, seed), v1 = hn::Add(v0, v0), v2 = hn::Add(v1, v0), v3 = hn::Add(v2, v0);
    auto v4 = hn::Add(v3, v0), v5 = hn::Add(v4, v0), v6 = hn::Add(v5, v0), v7 = hn::Add(v6, v0);
    auto v8 = hn::Add(v7, v0), v9 = hn::Add(v8, v0), v10 = hn::Add(v9, v0), v11 = hn::Add(v10, v0);
    // Chains 0 .. kMuls-1 multiply, the others add.
#define QUILLON_PROBE_OP(k) v##k = (k < kMuls) ? hn::Mul(v##k, a) : hn::Add(v##k, b);
    const double t0 = ThreadSeconds();
    for (std::int64_t r = 0; r < rounds; ++r) {
        QUILLON_PROBE_OP(0) QUILLON_PROBE_OP(1) QUILLON_PROBE_OP(2) QUILLON_PROBE_OP(3)
        QUILLON_PROBE_OP(4) QUILLON_PROBE_OP(5) QUILLON_PROBE_OP(6) QUILLON_PROBE_OP(7)
        QUILLON_PROBE_OP(8) QUILLON_PROBE_OP(9) QUILLON_PROBE_OP(10) QUILLON_PROBE_OP(11)
    }
    const double seconds = ThreadSeconds() - t0;
#undef QUILLON_PROBE_OP
    const auto sum = hn::Add(hn::Add(hn::Add(hn::Add(v0, v1), hn::Add(v2, v3)), hn::Add(hn::Add(v4, v5), hn::Add(v6, v7))),
                             hn::Add(hn::Add(v8, v9), hn::Add(v10, v11)));
    // Keeps the chains alive without costing anything measurable.
    if (hn::GetLane(sum) == 12345.678) return -1;
    return 12.0 * static_cast<double>(rounds) / seconds;
}

// Cycles per second while the vector units are busy (wide vectors may lower the
// clock): a chain of dependent integer multiplications (three cycles each on
// current x86 cores) beside independent vector multiplications.
double ClockHz(std::int64_t rounds, double seed)
{
#if HWY_ARCH_X86
    const hn::ScalableTag<double> d;
    const auto a = hn::Set(d, 1.0 - seed * 1e-9);
    auto v0 = hn::Set(d, seed), v1 = hn::Add(v0, v0), v2 = hn::Add(v1, v0), v3 = hn::Add(v2, v0);
    unsigned long chain = 3;
    const double t0 = ThreadSeconds();
    for (std::int64_t r = 0; r < rounds; ++r) {
        asm volatile("imul %0, %0\n\timul %0, %0\n\timul %0, %0\n\timul %0, %0" : "+r"(chain));
        v0 = hn::Mul(v0, a);
        v1 = hn::Mul(v1, a);
        v2 = hn::Mul(v2, a);
        v3 = hn::Mul(v3, a);
    }
    const double seconds = ThreadSeconds() - t0;
    if (hn::GetLane(hn::Add(hn::Add(v0, v1), hn::Add(v2, v3))) == 12345.678) return -1;
    return 12.0 * static_cast<double>(rounds) / seconds;
#else
    (void)rounds;
    (void)seed;
    return 0;
#endif
}

TPipeRates Probe(std::int64_t rounds, double seed)
{
    // The best of a few runs: other processes only ever make a run slower.
    TPipeRates r;
    r.Lanes = static_cast<int>(hn::Lanes(hn::ScalableTag<double>()));
    for (int attempt = 0; attempt < 3; ++attempt) {
        r.ClockHz = std::max(r.ClockHz, ClockHz(rounds / 2, seed));
        r.MulPerSecond = std::max(r.MulPerSecond, ProbeT<12>(rounds, seed));
        r.AddPerSecond = std::max(r.AddPerSecond, ProbeT<0>(rounds, seed));
        r.HalfHalfPerSecond = std::max(r.HalfHalfPerSecond, ProbeT<6>(rounds, seed));
    }
    return r;
}

} // namespace
} // namespace HWY_NAMESPACE
} // namespace quillon
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace quillon {

HWY_EXPORT(Probe);

TPipeRates ProbeFpPipes(std::int64_t rounds, double seed)
{
    return HWY_DYNAMIC_DISPATCH(Probe)(rounds, seed);
}

} // namespace quillon
#endif
