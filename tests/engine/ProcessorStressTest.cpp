// Stopping, restarting and changing the processor while workers run and another
// thread copies the pixels: it must neither hang nor crash, and (under
// ThreadSanitizer) show no data race. Afterwards a clean rendering must still give
// exactly the image of a fresh processor.
#include "EngineTestUtil.h"

#include <atomic>
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
