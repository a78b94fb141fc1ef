// Palette animation with smooth colors: one tick is a rotation of the palette
// and one recoloring of the whole 1920x1080 picture from the index image and
// the continuous values, as the window paints it. Prints the milliseconds per
// tick (best and mean of the ticks), the frames per second they allow, and
// the processor time per tick (the recoloring is shared among the logical
// processors; a busy machine inflates the wall clock, not that).
//
// Usage: quillon-bench-smooth [TICKS]
#include "engine/MandelbrotProcessor.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <thread>
#include <vector>

using namespace quillon;

namespace {

double ProcessCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}

} // namespace

int main(int argc, char** argv)
{
    const int ticks = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    TProcessor p;
    p.SetSize({1920, 1080});
    p.SetView(TView::Create({-0.6, 0}, 0.00625 * 400 / 1920, 0));
    p.SetSmoothColors(true);
    p.Start();
    while (p.Running()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::vector<std::uint32_t> pixels(1920u * 1080u);
    double best = 1e9, total = 0;
    const double cpu0 = ProcessCpuMs();
    for (int k = 0; k < ticks; ++k) {
        const auto t0 = std::chrono::steady_clock::now();
        p.RotatePalette(drUp);
        p.CopySmoothPixels(pixels.data(), 1920, 0, 1080);
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        best = std::min(best, ms);
        total += ms;
    }
    const double cpuPerTick = (ProcessCpuMs() - cpu0) / ticks;
    const double mean = total / ticks;
    std::printf("Ticks: %d\nBest ms per tick: %.2f\nMean ms per tick: %.2f\nFrames per second (mean): %.0f\n"
                "Processor ms per tick (all threads): %.2f\n", ticks, best, mean, 1000.0 / mean, cpuPerTick);
    return 0;
}
