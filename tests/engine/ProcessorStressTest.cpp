// Stopping, restarting and changing the processor while workers run and another
// thread copies the pixels: it must neither hang nor crash, and (under
// ThreadSanitizer) show no data race. Every rendering that runs to its end with
// the settings it started with gives exactly the image of a fresh processor.
#include "EngineTestUtil.h"

#include <atomic>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <random>

using namespace quillon;
using namespace quillon::test;

TEST(ProcessorStress, ChangesWhileRenderingAndReading)
{
    TProcessor p;
    p.SetThreadCount(4);
    p.SetMaxSteps(300);
    p.SetSize({64, 48});

    std::atomic<bool> done{false};
    std::atomic<long> copies{0};
    std::thread reader([&] {
        std::mt19937 rng(7);
        while (!done.load()) {
            TSize size;
            const auto pixels = p.Bitmap().CopyPixels(&size);
            if (pixels.size() != static_cast<std::size_t>((size.Width + 3) / 4 * 4) * size.Height) {
                ADD_FAILURE() << "copy of " << pixels.size() << " bytes for " << size.Width << "x" << size.Height;
                return;
            }
            const auto table = p.Bitmap().ColorTable();
            (void)table;
            (void)p.Bitmap().GetBuffer(static_cast<int>(rng() % 64), static_cast<int>(rng() % 48));
            copies.fetch_add(1);
        }
    });

    std::mt19937 rng(12345);
    auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
    for (int i = 0; i < 5000; ++i) {
        switch (rng() % 12) {
        case 0:
        case 1: p.Start(); break;
        case 2: p.Stop(); break;
        case 3:
        case 4: p.SetView(TView::Create({uniform(-2, 1), uniform(-1, 1)}, uniform(1e-6, 0.05), uniform(-3, 3))); break;
        case 5: p.SetSize({1 + static_cast<int>(rng() % 90), 1 + static_cast<int>(rng() % 70)}); break;
        case 6:
            p.SetAlgorithm(rng() % 2 ? alJulia : alMandelbrot);
            p.SetJuliaPoint({uniform(-1, 1), uniform(-1, 1)});
            break;
        case 7: p.SetColorOffset(static_cast<int>(rng() % static_cast<unsigned>(p.ColorCount()))); break;
        case 8: p.RotatePalette(rng() % 2 ? drUp : drDown); break;
        case 9: p.SetColors(MakeHueColors(2 + static_cast<int>(rng() % 255), static_cast<TColor>(rng() & 0xFFFFFF))); break;
        case 10:
            p.StopIfRunning();
            p.SetOptions(rng() % 2 ? TProcessorOptions{poInterior, poColorWrapping} : TProcessorOptions{});
            p.RestartIfStopped();
            break;
        default:
            (void)p.Running();
            (void)p.ElapsedMs();
            std::this_thread::sleep_for(std::chrono::microseconds(rng() % 300));
            break;
        }
    }
    p.Stop();
    EXPECT_FALSE(p.Running());

    // A clean rendering after all that equals the one of a fresh processor.
    ASSERT_TRUE(Render(p));
    done = true;
    reader.join();
    EXPECT_GT(copies.load(), 0);

    TProcessor fresh;
    fresh.SetThreadCount(1);
    fresh.SetMaxSteps(p.MaxSteps());
    fresh.SetSize(p.Size());
    fresh.SetView(p.View());
    fresh.SetAlgorithm(p.Algorithm());
    fresh.SetJuliaPoint(p.JuliaPoint());
    fresh.SetOptions(p.Options());
    fresh.SetColors(p.Colors());
    fresh.SetColorOffset(p.ColorOffset());
    ASSERT_TRUE(Render(fresh));
    EXPECT_EQ(fresh.Bitmap().CopyPixels(), p.Bitmap().CopyPixels());
}

namespace {

// The image of a fresh processor, on one thread with the reference kernel.
std::vector<std::uint8_t> FreshRendering(const TProcessor& p)
{
    TProcessor fresh;
    fresh.SetThreadCount(1);
    fresh.SetKernel(TKernel::Scalar);
    fresh.SetMaxSteps(p.MaxSteps());
    fresh.SetMaxAbs(p.MaxAbs());
    fresh.SetInteriorFactor(p.InteriorFactor());
    fresh.SetSize(p.Size());
    fresh.SetView(p.View());
    fresh.SetAlgorithm(p.Algorithm());
    fresh.SetJuliaPoint(p.JuliaPoint());
    fresh.SetOptions(p.Options());
    fresh.SetColors(p.Colors());
    fresh.SetColorOffset(p.ColorOffset());
    EXPECT_TRUE(Render(fresh));
    return fresh.Bitmap().CopyPixels();
}

} // namespace

// Random changes of every kind while a reader copies pixels; now and then the
// current rendering is let run to its end and compared with a fresh one.
TEST(ProcessorStress, EveryFinishedRenderingEqualsAFreshOne)
{
    TProcessor p;
    p.SetThreadCount(3);
    p.SetMaxSteps(200);
    p.SetSize({48, 36});

    std::atomic<bool> done{false};
    std::thread reader([&] {
        while (!done.load()) {
            TSize size;
            (void)p.Bitmap().CopyPixels(&size);
            std::this_thread::yield();
        }
    });

    std::mt19937 rng(20240611);
    auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
    // A rendering whose result no longer matches the current settings: one that
    // was running while a setting changed without a restart.
    bool stale = false;
    auto changing = [&] {
        if (p.Running()) stale = true;
    };
    int compared = 0;
    for (int i = 0; i < 4000; ++i) {
        switch (rng() % 14) {
        case 0: p.Start(); break;
        case 1: p.Stop(); break;
        case 2: p.SetView(TView::Create({uniform(-2, 1), uniform(-1, 1)}, uniform(1e-5, 0.06), uniform(-3, 3))); break;
        case 3: p.SetSize({1 + static_cast<int>(rng() % 64), 1 + static_cast<int>(rng() % 48)}); break;
        case 4:
            changing();
            p.SetAlgorithm(rng() % 2 ? alJulia : alMandelbrot);
            p.SetJuliaPoint({uniform(-1, 1), uniform(-1, 1)});
            break;
        case 5:
            changing();
            p.SetColorOffset(static_cast<int>(rng() % static_cast<unsigned>(p.ColorCount())));
            break;
        case 6: p.RotatePalette(rng() % 2 ? drUp : drDown); break;
        case 7:
            changing();
            p.SetColors(MakeHueColors(2 + static_cast<int>(rng() % 255), static_cast<TColor>(rng() & 0xFFFFFF)));
            break;
        case 8:
            changing();
            p.SetOptions(TProcessorOptions{}
                             .Include(rng() % 2 ? poInterior : poColorWrapping)
                             .Exclude(rng() % 2 ? poInterior : poColorWrapping));
            p.SetInteriorFactor(uniform(0, 300));
            break;
        case 9:
            changing();
            p.SetMaxSteps(1 + static_cast<int>(rng() % 400));
            p.SetMaxAbs(uniform(1, 8));
            break;
        case 10: p.SetKernel(rng() % 2 ? TKernel::Simd : TKernel::Scalar); break;
        case 11:
        case 12: std::this_thread::sleep_for(std::chrono::microseconds(rng() % 200)); break;
        default: {
            // Let a rendering run to its end; restart it when it cannot match.
            if (stale || !p.Running()) {
                p.Stop();
                p.Start();
            }
            stale = false;
            ASSERT_TRUE(WaitIdle(p));
            const auto image = p.Bitmap().CopyPixels();
            ASSERT_EQ(image, FreshRendering(p)) << "after step " << i << ", view " << ViewToStr(p.View()) << ", size "
                                                << SizeToStr(p.Size()) << ", algorithm " << p.Algorithm();
            ++compared;
            break;
        }
        }
        // A restart (view, size, start) renders the current settings again.
        if (!p.Running()) stale = false;
    }
    done = true;
    reader.join();
    EXPECT_GT(compared, 100);
}

// A huge iteration limit (a scenery file may hold one) only makes a rendering
// long: stopping it still returns without waiting for the lines to finish.
TEST(ProcessorStress, HugeMaxStepsStillStops)
{
    for (TKernel kernel : {TKernel::Scalar, TKernel::Simd}) {
        TProcessor p;
        p.SetKernel(kernel);
        p.SetThreadCount(2);
        p.SetMaxSteps(INT_MAX);
        p.SetSize({400, 300}); // the default view: the middle lines cross the interior
        p.Start();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_TRUE(p.Running());
        std::atomic<bool> stopped{false};
        std::thread stopper([&] {
            p.Stop();
            stopped = true;
        });
        // A generous limit: a stop that waits for a line would take minutes here.
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!stopped && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (!stopped) {
            // Joining would hang the test run; fail loudly instead.
            std::fprintf(stderr, "Stop did not return within 30 s\n");
            std::abort();
        }
        stopper.join();
        EXPECT_FALSE(p.Running());
    }
}
