// Rendering speed of the engine: a 1920x1080 image with 1000 steps, on one worker
// and on one worker per logical processor, for two views, with the scalar and the
// vectorised kernel.
//
// Time is the processor's own ElapsedMs (start to end of the last worker), the best
// of --repeat runs; beside it the processor time the process used meanwhile, which
// other processes on a shared machine do not inflate (per-worker rates use it). Iterations are the escape tests summed over all pixels; they
// are counted in a separate, untimed single-threaded pass that runs the same
// scalar kernel on the same pixel mapping (a pixel that escapes at test n counts
// n, one that never escapes counts MaxSteps).
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
// Usage: quillon-bench-engine [--repeat N] [--kernel scalar|simd|both] [--target NAME]
// --target runs the vectorised kernel with another instruction set that this
// processor supports (AVX2, SSE4, ...), for comparison.
#include "bench/FpPipes.h"
#include "engine/MandelbrotProcessor.h"
#include "engine/NumberFns.h"

#include <hwy/targets.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

using namespace quillon;

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kMaxSteps = 1000;

struct TBenchView {
    const char* Name;
    TView View;
};

constexpr double kFpOpsPerIteration = 8;

void Configure(TProcessor& p, const TView& view, int workers, TKernel kernel)
{
    p.SetKernel(kernel);
    p.SetThreadCount(workers);
    p.SetSize({kWidth, kHeight});
    p.SetMaxSteps(kMaxSteps);
    p.SetView(view);
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

std::uint64_t CountIterations(const TProcessor& p)
{
    const double absMax2 = p.MaxAbs() * p.MaxAbs();
    std::uint64_t total = 0;
    for (int y = 0; y < p.Height(); ++y)
        for (int x = 0; x < p.Width(); ++x) {
            const TPoint2D c = p.PixelToLog({x, y});
            double r2 = 0;
            const int n = TProcessor::EscapeCount(c.x, c.y, c.x, c.y, p.MaxSteps(), absMax2, r2);
            total += static_cast<std::uint64_t>(n != 0 ? n : std::max(p.MaxSteps(), 1));
        }
    return total;
}

const char* KernelName(TKernel kernel)
{
    return kernel == TKernel::Simd ? "simd" : "scalar";
}

} // namespace

int main(int argc, char** argv)
{
    int repeat = 3;
    std::vector<TKernel> kernels = {TKernel::Scalar, TKernel::Simd};
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--repeat") == 0 && i + 1 < argc) {
            repeat = std::max(1, StrToIntDef(argv[++i], 1));
        } else if (std::strcmp(argv[i], "--kernel") == 0 && i + 1 < argc && std::strcmp(argv[i + 1], "scalar") == 0) {
            kernels = {TKernel::Scalar};
            ++i;
        } else if (std::strcmp(argv[i], "--kernel") == 0 && i + 1 < argc && std::strcmp(argv[i + 1], "simd") == 0) {
            kernels = {TKernel::Simd};
            ++i;
        } else if (std::strcmp(argv[i], "--kernel") == 0 && i + 1 < argc && std::strcmp(argv[i + 1], "both") == 0) {
            ++i;
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
            std::fprintf(stderr, "Usage: %s [--repeat N] [--kernel scalar|simd|both] [--target NAME]\n", argv[0]);
            return 2;
        }
    }

    const int all = TProcessor::DefaultThreadCount();
    const TBenchView views[] = {
        {"whole set (-0.6,0) scale 4/1920", TView::Create({-0.6, 0}, 4.0 / 1920, 0)},
        {"cardioid interior (-0.2,0) scale 1e-4", TView::Create({-0.2, 0}, 1e-4, 0)},
    };

    const TPipeRates pipes = ProbeFpPipes(20'000'000, 1.0 + static_cast<double>(argc) * 1e-3);
    const double clockHz = pipes.ClockHz;
    const double boundPerSecond = pipes.HalfHalfPerSecond * pipes.Lanes / kFpOpsPerIteration;

    std::printf("Quillon engine benchmark: %dx%d, MaxSteps %d, best of %d, %d logical processors\n", kWidth, kHeight,
                kMaxSteps, repeat, all);
    std::printf("vectorised kernel: %s, %d doubles per vector\n", TProcessor::KernelTargetName().c_str(), pipes.Lanes);
    if (clockHz > 0) {
        std::printf("clock %.2f GHz; vector operations per cycle: mul %.2f, add %.2f, half and half %.2f\n",
                    clockHz / 1e9, pipes.MulPerSecond / clockHz, pipes.AddPerSecond / clockHz,
                    pipes.HalfHalfPerSecond / clockHz);
    }
    std::printf("arithmetic bound (%.0f operations per iteration): %.3f Giterations/s per worker; "
                "bound = the fraction reached per second of processor time\n",
                kFpOpsPerIteration, boundPerSecond / 1e9);
    std::printf("%-38s %-6s %7s %9s %9s %9s %13s %17s %6s\n", "view", "kernel", "workers", "ms", "cpu ms",
                "Mpixels/s", "Giterations/s", "Giter/s/worker-cpu", "bound");
    for (const TBenchView& v : views) {
        TProcessor counter;
        Configure(counter, v.View, 1, TKernel::Scalar);
        const std::uint64_t iterations = CountIterations(counter);
        double rate[2][2] = {{0, 0}, {0, 0}};    // [kernel][one worker, all], wall clock
        double cpuRate[2][2] = {{0, 0}, {0, 0}}; // per second of processor time
        for (TKernel kernel : kernels) {
            for (int workers : {1, all}) {
                TProcessor p;
                Configure(p, v.View, workers, kernel);
                TTiming best;
                for (int r = 0; r < repeat; ++r) {
                    const TTiming t = Render(p);
                    if (r == 0 || t.Ms < best.Ms) best.Ms = t.Ms;
                    if (r == 0 || t.CpuMs < best.CpuMs) best.CpuMs = t.CpuMs;
                }
                const double seconds = best.Ms / 1000.0;
                const double pixels = static_cast<double>(kWidth) * kHeight;
                const double perSecond = static_cast<double>(iterations) / seconds;
                const double perCpuSecond = static_cast<double>(iterations) / (best.CpuMs / 1000.0);
                rate[kernel == TKernel::Simd][workers == 1 ? 0 : 1] = perSecond;
                cpuRate[kernel == TKernel::Simd][workers == 1 ? 0 : 1] = perCpuSecond;
                std::printf("%-38s %-6s %7d %9.1f %9.1f %9.2f %13.3f %17.3f %6.2f\n", v.Name, KernelName(kernel),
                            workers, best.Ms, best.CpuMs, pixels / seconds / 1e6, perSecond / 1e9, perCpuSecond / 1e9,
                            perCpuSecond / boundPerSecond);
                if (workers == all) break; // one logical processor: one row is enough
            }
        }
        std::printf("%-40s iterations %llu (%.1f per pixel)\n", "", static_cast<unsigned long long>(iterations),
                    static_cast<double>(iterations) / (static_cast<double>(kWidth) * kHeight));
        if (kernels.size() == 2) {
            std::printf("%-40s simd/scalar: %.2f on 1 worker, %.2f on %d (processor time: %.2f, %.2f)\n", "",
                        rate[1][0] / rate[0][0], all > 1 ? rate[1][1] / rate[0][1] : rate[1][0] / rate[0][0], all,
                        cpuRate[1][0] / cpuRate[0][0],
                        all > 1 ? cpuRate[1][1] / cpuRate[0][1] : cpuRate[1][0] / cpuRate[0][0]);
        }
        for (TKernel kernel : kernels) {
            const int k = kernel == TKernel::Simd;
            if (all > 1)
                std::printf("%-40s %s: %d workers / 1 worker: %.2f\n", "", KernelName(kernel), all,
                            rate[k][1] / rate[k][0]);
        }
    }
    return 0;
}
