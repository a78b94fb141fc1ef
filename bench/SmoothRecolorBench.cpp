// Palette animation with smooth colors: one tick is a rotation of the palette
// and one recoloring of the whole 1920x1080 picture from the index image and
// the continuous values, as the window paints it. Prints the milliseconds per
// tick (best and mean of the ticks), the frames per second they allow, and
// the processor time per tick (the recoloring is shared among the logical
// processors; a busy machine inflates the wall clock, not that).
//
// With --quality it measures the pictures instead: the default view at 1600x1200
// with palette colors and with smooth colors, the distinct colors in the whole
// picture and where escape counts are 2 to 8, and there the horizontally
// neighbouring pixel pairs that jump by more than 2 levels in a channel.
//
// Usage: quillon-bench-smooth [TICKS] | --quality
#include "engine/MandelbrotProcessor.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <set>
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

void RenderAndWait(TProcessor& p)
{
    p.Start();
    while (p.Running()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

int Quality()
{
    constexpr int W = 1600, H = 1200;
    TProcessor p;
    p.SetSize({W, H});
    p.SetView(TView::Create({-0.6, 0}, 0.00625, 0));
    std::vector<std::uint32_t> plain(W * H), smooth(W * H);
    RenderAndWait(p);
    p.CopySmoothPixels(plain.data(), W, 0, H);
    p.SetSmoothColors(true);
    RenderAndWait(p);
    p.CopySmoothPixels(smooth.data(), W, 0, H);
    const auto channelJump = [](std::uint32_t a, std::uint32_t b) {
        int most = 0;
        for (int shift = 0; shift <= 16; shift += 8)
            most = std::max(most, std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)));
        return most;
    };
    for (const auto* picture : {&plain, &smooth}) {
        const std::vector<std::uint32_t>& c = *picture;
        const std::set<std::uint32_t> all(c.begin(), c.end());
        std::set<std::uint32_t> band;
        long pairs = 0, jumps = 0;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const int n = p.Bitmap().GetBuffer(x, y); // offset 0, no wrapping: the count
                if (n < 2 || n > 8) continue;
                const std::size_t k = static_cast<std::size_t>(y) * W + static_cast<std::size_t>(x);
                band.insert(c[k]);
                if (x + 1 < W && p.Bitmap().GetBuffer(x + 1, y) >= 2 && p.Bitmap().GetBuffer(x + 1, y) <= 8) {
                    ++pairs;
                    if (channelJump(c[k], c[k + 1]) > 2) ++jumps;
                }
            }
        std::printf("%s: %zu distinct colors; counts 2 to 8: %zu distinct colors, %ld of %ld neighbouring pairs "
                    "(%.3f %%) jump by more than 2 levels\n",
                    picture == &plain ? "palette colors" : "smooth colors", all.size(), band.size(), jumps, pairs,
                    pairs ? 100.0 * static_cast<double>(jumps) / static_cast<double>(pairs) : 0.0);
    }
    // A blend of two entries changes one channel level at a time along the way:
    // it gives at most 1 + the sum of the channels' differences distinct colors.
    // Counts 2 to 8 blend entries 1 to 10 (a value lies within one count of its own).
    const auto table = p.Bitmap().ColorTable();
    long most = 0;
    for (int n = 1; n <= 9; ++n) {
        most += 1;
        for (int shift = 0; shift <= 16; shift += 8)
            most += std::abs(static_cast<int>((table[n] >> shift) & 0xFF) - static_cast<int>((table[n + 1] >> shift) & 0xFF));
    }
    std::printf("counts 2 to 8: blending palette entries 1 to 10 can give at most %ld distinct colors\n", most);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--quality") == 0) return Quality();
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
