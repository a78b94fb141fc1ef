// Rendering speed of the engine: a 1920x1080 image with 1000 steps, on one worker
// and on one worker per logical processor, for two views.
//
// Time is the processor's own ElapsedMs (start to end of the last worker), the best
// of --repeat runs. Iterations are the escape tests summed over all pixels; they
// are counted in a separate, untimed single-threaded pass that runs the same
// scalar kernel on the same pixel mapping (a pixel that escapes at test n counts
// n, one that never escapes counts MaxSteps).
//
// Usage: quillon-bench-engine [--repeat N]
#include "engine/MandelbrotProcessor.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <string>
#include <thread>

using namespace quillon;

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kMaxSteps = 1000;

struct TBenchView {
    const char* Name;
    TView View;
};

void Configure(TProcessor& p, const TView& view, int workers)
{
    p.SetThreadCount(workers);
    p.SetSize({kWidth, kHeight});
    p.SetMaxSteps(kMaxSteps);
    p.SetView(view);
}

double RenderMs(TProcessor& p)
{
    p.Start();
    while (p.Running()) std::this_thread::sleep_for(std::chrono::microseconds(200));
    return p.ElapsedMs();
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

} // namespace

int main(int argc, char** argv)
{
    int repeat = 3;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--repeat") == 0 && i + 1 < argc) {
            repeat = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "Usage: %s [--repeat N]\n", argv[0]);
            return 2;
        }
    }

    const int all = TProcessor::DefaultThreadCount();
    const TBenchView views[] = {
        {"whole set (-0.6,0) scale 4/1920", TView::Create({-0.6, 0}, 4.0 / 1920, 0)},
        {"cardioid interior (-0.2,0) scale 1e-4", TView::Create({-0.2, 0}, 1e-4, 0)},
    };

    std::printf("Quillon engine benchmark: %dx%d, MaxSteps %d, scalar kernel, best of %d, %d logical processors\n",
                kWidth, kHeight, kMaxSteps, repeat, all);
    std::printf("%-40s %7s %10s %12s %14s\n", "view", "workers", "ms", "Mpixels/s", "Giterations/s");
    for (const TBenchView& v : views) {
        TProcessor counter;
        Configure(counter, v.View, 1);
        const std::uint64_t iterations = CountIterations(counter);
        for (int workers : {1, all}) {
            TProcessor p;
            Configure(p, v.View, workers);
            double best = 0;
            for (int r = 0; r < repeat; ++r) {
                const double ms = RenderMs(p);
                best = r == 0 ? ms : std::min(best, ms);
            }
            const double seconds = best / 1000.0;
            const double pixels = static_cast<double>(kWidth) * kHeight;
            std::printf("%-40s %7d %10.1f %12.2f %14.3f\n", v.Name, workers, best, pixels / seconds / 1e6,
                        static_cast<double>(iterations) / seconds / 1e9);
            if (workers == all) break;  // one logical processor: one row is enough
        }
        std::printf("%-40s iterations %llu (%.1f per pixel)\n", "", static_cast<unsigned long long>(iterations),
                    static_cast<double>(iterations) / (static_cast<double>(kWidth) * kHeight));
    }
    return 0;
}
