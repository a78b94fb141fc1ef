// Rendering speed of the engine: 1920x1080 images on one worker and on one worker
// per logical processor, with the scalar kernel, the vectorised kernel without
// cycle detection (every orbit that does not escape runs all its steps) and the
// vectorised kernel as it renders (orbits that come back to an earlier point end
// there); then the plain iteration speed of every instruction set this processor
// supports, and how soon a stop ends a rendering at a huge step limit.
//
// Time is the processor's own ElapsedMs (start to end of the last worker), the best
// of --repeat runs; beside it the processor time the process used meanwhile, which
// other processes on a shared machine do not inflate (per-worker rates use it).
// Iterations accounted are the escape tests the image stands for (a pixel that
// escapes at test n counts n, one that never escapes counts MaxSteps); iterations
// run are the lane iterations the vectorised kernel really made (idle lanes
// included) plus its scalar steps round cycles. Both come from a separate,
// untimed single-threaded pass of the line kernel. Rates are in iterations
// accounted per second.
//
// The arithmetic bound: one iteration (a test and a step) is four multiplications
// and four additions or subtractions of doubles (the vectorised kernel does 2*x as
// x + x: three and five). The bound is the iterations per second that the
// floating-point pipes of one core could carry if they did nothing else: the
// measured rate of vector operations in an even mix of multiplications and
// additions, times the lanes, divided by 8. The escape comparison and the lane
// bookkeeping are not counted as useful work. The clock is measured while the
// vector units are busy (see FpPipes.h).
//
// Usage: quillon-bench-engine [--repeat N] [--kernel scalar|simd|both] [--target NAME] [--quick] [--smooth]
// --target runs the vectorised kernel with another instruction set that this
// processor supports (AVX2, SSE4, ...), for comparison. --quick leaves out the
// view with 100000 steps. --smooth runs only the comparison with and without
// smooth colors.
#include "bench/FpPipes.h"
#include "engine/MandelbrotProcessor.h"
#include "engine/NumberFns.h"
#include "engine/SimdKernel.h"

#include <hwy/targets.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <string>
#include <thread>
#include <vector>

using namespace quillon;

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

struct TBenchView {
    const char* Name;
    TView View;
    int MaxSteps;
    bool Interior;
};

constexpr double kFpOpsPerIteration = 8;

// The kernels compared: the scalar one, the vectorised one without and with cycle detection.
enum class TVariant { Scalar, Plain, Cycles };

const char* VariantName(TVariant v)
{
    switch (v) {
    case TVariant::Scalar: return "scalar";
    case TVariant::Plain: return "simd-plain";
    case TVariant::Cycles: return "simd";
    }
    return "";
}

void Configure(TProcessor& p, const TBenchView& view, int workers, TVariant variant)
{
    p.SetKernel(variant == TVariant::Scalar ? TKernel::Scalar : TKernel::Simd);
    p.SetCycleDetection(variant == TVariant::Cycles);
    p.SetThreadCount(workers);
    p.SetSize({kWidth, kHeight});
    p.SetMaxSteps(view.MaxSteps);
    p.SetOptions(view.Interior ? TProcessorOptions{poInterior} : TProcessorOptions{});
    p.SetView(view.View);
}

double ProcessCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct TTiming {
    double Ms = 0;    // wall clock, the processor's ElapsedMs
    double CpuMs = 0; // processor time of the whole process (the workers, and a little polling)
};

TTiming Render(TProcessor& p)
{
    const double cpu0 = ProcessCpuSeconds();
    p.Start();
    // ElapsedMs is measured by the processor; polling rarely keeps the cpu time for the workers.
    while (p.Running()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return {p.ElapsedMs(), (ProcessCpuSeconds() - cpu0) * 1000.0};
}

struct TIterations {
    std::uint64_t Accounted = 0;
    std::uint64_t Run = 0;
};

// Both kinds of iterations of the image, from the line kernel with cycle detection.
TIterations CountIterations(const TProcessor& p, bool interior)
{
    TIterations result;
    std::vector<std::int32_t> counts(kWidth);
    std::vector<double> lastR2(kWidth);
    std::int64_t work = 0;
    for (int y = 0; y < p.Height(); ++y) {
        TEscapeLine line;
        line.Matrix = &p.PxToLogMatrix;
        line.Y = y;
        line.Width = p.Width();
        line.MaxSteps = p.MaxSteps();
        line.AbsMax2 = p.MaxAbs() * p.MaxAbs();
        line.NeedLastR2 = interior;
        line.Work = &work;
        SimdEscapeLine(line, counts.data(), lastR2.data());
        for (const std::int32_t n : counts)
            result.Accounted += static_cast<std::uint64_t>(n != 0 ? n : std::max(p.MaxSteps(), 1));
    }
    result.Run = static_cast<std::uint64_t>(work);
    return result;
}

// Milliseconds from asking a rendering to stop until its workers have ended,
// the worst of a few tries, on a view whose orbits neither escape nor repeat
// (a NaN escape radius: points far out overflow into NaN) at a huge step limit;
// beside it the processor time the process used meanwhile (the worker's, as
// the asking thread waits), which a busy machine does not inflate.
TTiming StopLatency(TKernel kernel)
{
    TProcessor p;
    p.SetKernel(kernel);
    p.SetThreadCount(1);
    p.SetSize({2000, 100});
    p.SetMaxSteps(1'000'000'000);
    p.SetMaxAbs(std::numeric_limits<double>::quiet_NaN());
    p.SetView(TView::Create({1e3, 1e3}, 1.0, 0));
    TTiming worst;
    for (int attempt = 0; attempt < 5; ++attempt) {
        p.Start();
        std::this_thread::sleep_for(std::chrono::milliseconds(100 + 37 * attempt));
        const auto t0 = std::chrono::steady_clock::now();
        const double cpu0 = ProcessCpuSeconds();
        p.Stop();
        worst.CpuMs = std::max(worst.CpuMs, (ProcessCpuSeconds() - cpu0) * 1000.0);
        worst.Ms = std::max(worst.Ms,
                            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    return worst;
}

} // namespace

int main(int argc, char** argv)
{
    int repeat = 3;
    bool quick = false;
    bool smoothOnly = false;
    std::vector<TVariant> variants = {TVariant::Scalar, TVariant::Plain, TVariant::Cycles};
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--repeat") == 0 && i + 1 < argc) {
            repeat = std::max(1, StrToIntDef(argv[++i], 1));
        } else if (std::strcmp(argv[i], "--kernel") == 0 && i + 1 < argc && std::strcmp(argv[i + 1], "scalar") == 0) {
            variants = {TVariant::Scalar};
            ++i;
        } else if (std::strcmp(argv[i], "--kernel") == 0 && i + 1 < argc && std::strcmp(argv[i + 1], "simd") == 0) {
            variants = {TVariant::Plain, TVariant::Cycles};
            ++i;
        } else if (std::strcmp(argv[i], "--kernel") == 0 && i + 1 < argc && std::strcmp(argv[i + 1], "both") == 0) {
            ++i;
        } else if (std::strcmp(argv[i], "--quick") == 0) {
            quick = true;
        } else if (std::strcmp(argv[i], "--smooth") == 0) {
            smoothOnly = true;
            variants = {TVariant::Cycles};
        } else if (std::strcmp(argv[i], "--target") == 0 && i + 1 < argc) {
            const char* name = argv[++i];
            bool found = false;
            for (const std::int64_t target : hwy::SupportedAndGeneratedTargets())
                if (std::strcmp(hwy::TargetName(target), name) == 0) {
                    hwy::SetSupportedTargetsForTest(target);
                    found = true;
                }
            if (!found) {
                std::fprintf(stderr, "Instruction set %s is not available here.\n", name);
                return 2;
            }
        } else {
            std::fprintf(stderr,
                         "Usage: %s [--repeat N] [--kernel scalar|simd|both] [--target NAME] [--quick] [--smooth]\n",
                         argv[0]);
            return 2;
        }
    }

    const int all = TProcessor::DefaultThreadCount();
    const TView whole = TView::Create({-0.6, 0}, 4.0 / 1920, 0);
    const TView cardioid = TView::Create({-0.2, 0}, 1e-4, 0);
    std::vector<TBenchView> views = {
        {"whole set (-0.6,0) scale 4/1920", whole, 1000, false},
        {"no interior (-0.7436,0.1318) scale 1e-7", TView::Create({-0.7436, 0.1318}, 1e-7, 0), 1000, false},
        {"cardioid interior (-0.2,0) scale 1e-4", cardioid, 1000, false},
        {"cardioid interior, interior coloring", cardioid, 1000, true},
    };
    if (!quick) views.push_back({"cardioid interior, interior coloring", cardioid, 100000, true});
    if (smoothOnly) views.clear();

    const TPipeRates pipes = ProbeFpPipes(20'000'000, 1.0 + static_cast<double>(argc) * 1e-3);
    const double clockHz = pipes.ClockHz;
    const double boundPerSecond = pipes.HalfHalfPerSecond * pipes.Lanes / kFpOpsPerIteration;

    std::printf("Quillon engine benchmark: %dx%d, best of %d, %d logical processors\n", kWidth, kHeight, repeat,
                all);
    std::printf("vectorised kernel: %s, %d doubles per vector\n", TProcessor::KernelTargetName().c_str(), pipes.Lanes);
    if (clockHz > 0) {
        std::printf("clock %.2f GHz; vector operations per cycle: mul %.2f, add %.2f, half and half %.2f\n",
                    clockHz / 1e9, pipes.MulPerSecond / clockHz, pipes.AddPerSecond / clockHz,
                    pipes.HalfHalfPerSecond / clockHz);
    }
    std::printf("arithmetic bound (%.0f operations per iteration): %.3f Giterations/s per worker; "
                "bound = the fraction reached per second of processor time\n",
                kFpOpsPerIteration, boundPerSecond / 1e9);
    std::printf("%-38s %6s %-10s %7s %9s %9s %9s %13s %17s %6s\n", "view", "steps", "kernel", "workers", "ms",
                "cpu ms", "Mpixels/s", "Giterations/s", "Giter/s/worker-cpu", "bound");
    for (const TBenchView& v : views) {
        TProcessor counter;
        Configure(counter, v, 1, TVariant::Cycles);
        const TIterations iterations = CountIterations(counter, v.Interior);
        double rate[3][2] = {};    // [variant][one worker, all], wall clock
        double cpuRate[3][2] = {}; // per second of processor time
        for (TVariant variant : variants) {
            // Hours of scalar work; the vectorised kernel without cycles stands for it.
            if (variant == TVariant::Scalar && v.MaxSteps > 1000) continue;
            const bool slow = variant != TVariant::Cycles && v.MaxSteps > 1000;
            for (int workers : {1, all}) {
                TProcessor p;
                Configure(p, v, workers, variant);
                TTiming best;
                for (int r = 0; r < (slow ? 1 : repeat); ++r) {
                    const TTiming t = Render(p);
                    if (r == 0 || t.Ms < best.Ms) best.Ms = t.Ms;
                    if (r == 0 || t.CpuMs < best.CpuMs) best.CpuMs = t.CpuMs;
                }
                const double seconds = best.Ms / 1000.0;
                const double pixels = static_cast<double>(kWidth) * kHeight;
                const double perSecond = static_cast<double>(iterations.Accounted) / seconds;
                const double perCpuSecond = static_cast<double>(iterations.Accounted) / (best.CpuMs / 1000.0);
                const int k = static_cast<int>(variant);
                rate[k][workers == 1 ? 0 : 1] = perSecond;
                cpuRate[k][workers == 1 ? 0 : 1] = perCpuSecond;
                std::printf("%-38s %6d %-10s %7d %9.1f %9.1f %9.2f %13.3f %17.3f %6.2f\n", v.Name, v.MaxSteps,
                            VariantName(variant), workers, best.Ms, best.CpuMs, pixels / seconds / 1e6,
                            perSecond / 1e9, perCpuSecond / 1e9, perCpuSecond / boundPerSecond);
                if (workers == all || slow) break; // one logical processor: one row is enough
            }
        }
        std::printf("%-40s iterations accounted %llu (%.1f per pixel), run %llu (%.1f per pixel, %.4f of accounted)\n",
                    "", static_cast<unsigned long long>(iterations.Accounted),
                    static_cast<double>(iterations.Accounted) / (static_cast<double>(kWidth) * kHeight),
                    static_cast<unsigned long long>(iterations.Run),
                    static_cast<double>(iterations.Run) / (static_cast<double>(kWidth) * kHeight),
                    static_cast<double>(iterations.Run) / static_cast<double>(iterations.Accounted));
        const auto ratio = [&](TVariant a, TVariant b) {
            const int i = static_cast<int>(a), j = static_cast<int>(b);
            if (rate[j][0] == 0 || rate[i][0] == 0) return;
            std::printf("%-40s %s/%s on 1 worker: %.2f (processor time: %.2f)\n", "", VariantName(a), VariantName(b),
                        rate[i][0] / rate[j][0], cpuRate[i][0] / cpuRate[j][0]);
        };
        ratio(TVariant::Cycles, TVariant::Plain);
        ratio(TVariant::Plain, TVariant::Scalar);
    }

    // Smooth colors: the same views with and without the continuous values, one
    // worker, the vectorised kernel as it renders; runs alternate so that a
    // busy machine weighs on both alike.
    if (std::find(variants.begin(), variants.end(), TVariant::Cycles) != variants.end()) {
        const std::vector<TBenchView> smoothViews = {
            {"whole set (-0.6,0) scale 4/1920", whole, 1000, false},
            {"no interior (-0.7436,0.1318) scale 1e-7", TView::Create({-0.7436, 0.1318}, 1e-7, 0), 1000, false},
            {"seahorse valley (-0.7453,0.1127) 1e-5", TView::Create({-0.7453, 0.1127}, 1e-5, 0), 1000, true},
        };
        for (const TBenchView& v : smoothViews) {
            TProcessor plain, smooth;
            Configure(plain, v, 1, TVariant::Cycles);
            Configure(smooth, v, 1, TVariant::Cycles);
            smooth.SetSmoothColors(true);
            TTiming bestPlain, bestSmooth;
            for (int r = 0; r < repeat; ++r) {
                const TTiming a = Render(plain);
                const TTiming b = Render(smooth);
                if (r == 0 || a.CpuMs < bestPlain.CpuMs) bestPlain = a;
                if (r == 0 || b.CpuMs < bestSmooth.CpuMs) bestSmooth = b;
            }
            std::printf("smooth colors, %-40s 1 worker: cpu ms %.1f without, %.1f with: %.3f\n", v.Name,
                        bestPlain.CpuMs, bestSmooth.CpuMs, bestSmooth.CpuMs / bestPlain.CpuMs);
        }
    }

    // The plain iteration speed of each instruction set (no cycles, every step run).
    if (std::find(variants.begin(), variants.end(), TVariant::Plain) != variants.end()) {
        const TBenchView v{"cardioid interior, no cycle detection", cardioid, 1000, false};
        TProcessor counter;
        Configure(counter, v, 1, TVariant::Cycles);
        const TIterations iterations = CountIterations(counter, false);
        for (const std::int64_t target : hwy::SupportedAndGeneratedTargets()) {
            hwy::SetSupportedTargetsForTest(target);
            TProcessor p;
            Configure(p, v, 1, TVariant::Plain);
            TTiming best;
            for (int r = 0; r < repeat; ++r) {
                const TTiming t = Render(p);
                if (r == 0 || t.CpuMs < best.CpuMs) best.CpuMs = t.CpuMs;
            }
            std::printf("instruction set %-8s %s, 1 worker: %.3f Giterations/s per worker-cpu\n",
                        hwy::TargetName(target), v.Name,
                        static_cast<double>(iterations.Accounted) / (best.CpuMs / 1000.0) / 1e9);
        }
        hwy::SetSupportedTargetsForTest(0);
    }

    // How long a stop takes at MaxSteps 10^9 (a line is finished when that is cheap).
    if (smoothOnly) return 0;
    for (TVariant variant : variants) {
        if (variant == TVariant::Plain) continue;
        const TKernel kernel = variant == TVariant::Scalar ? TKernel::Scalar : TKernel::Simd;
        const TTiming t = StopLatency(kernel);
        std::printf("stop at MaxSteps 10^9, %s kernel, 1 worker: worst of 5 tries %.1f ms (cpu %.1f ms)\n",
                    kernel == TKernel::Scalar ? "scalar" : "vectorised", t.Ms, t.CpuMs);
    }
    return 0;
}
