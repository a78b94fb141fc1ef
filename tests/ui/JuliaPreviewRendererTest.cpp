#include "ui/main/logic/JuliaPreviewRenderer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace quillon {
namespace {

// The processor's Julia image of the same request, top row first.
std::vector<std::uint8_t> ProcessorPicture(const TJuliaPreviewRequest& r)
{
    TProcessor p;
    p.SetThreadCount(1);
    p.SetSize(r.Size);
    p.SetView(r.View);
    p.SetAlgorithm(alJulia);
    p.SetJuliaPoint(r.JuliaPoint);
    p.SetMaxSteps(r.MaxSteps);
    p.SetMaxAbs(r.MaxAbs);
    p.SetInteriorFactor(r.InteriorFactor);
    TProcessorOptions options;
    if (r.Interior) options.Include(poInterior);
    if (r.ColorWrapping) options.Include(poColorWrapping);
    p.SetOptions(options);
    p.SetColors(MakeHueColors(r.ColorCount, TColor{}));
    p.SetColorOffset(r.ColorOffset);
    p.Start();
    while (p.Running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(r.Size.Width) * r.Size.Height);
    p.Bitmap().CopyPixels(pixels.data(), r.Size.Width, true);
    return pixels;
}

TJuliaPreviewRequest Request(TPoint2D c)
{
    TJuliaPreviewRequest r;
    r.JuliaPoint = c;
    r.View = TJuliaPreviewRenderer::WholeSetView(r.Size);
    return r;
}

TEST(JuliaPreviewRenderer, PicturesEqualTheProcessorsJuliaImage)
{
    struct TCase {
        const char* Name;
        TJuliaPreviewRequest R;
    };
    std::vector<TCase> cases;
    cases.push_back({"defaults", Request({-0.75, 0.1})});
    TJuliaPreviewRequest r = Request({-0.123, 0.745});
    r.MaxSteps = 300;
    r.MaxAbs = 3.5;
    r.ColorOffset = 17;
    r.ColorCount = 40;
    r.ColorWrapping = true;
    cases.push_back({"wrapping, offset, few colors", r});
    r = Request({0.285, 0.01});
    r.Interior = true;
    r.InteriorFactor = 37.5;
    r.ColorCount = 256;
    cases.push_back({"interior shades", r});
    r = Request({-0.75, 0.1});
    r.Size = TSize{33, 17};
    r.View = TView::Create({0.1, -0.2}, 0.05, 0.7);
    cases.push_back({"odd size, turned view", r});
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TJuliaPreviewPicture picture;
        ASSERT_TRUE(TJuliaPreviewRenderer::Render(c.R, picture));
        EXPECT_EQ(picture.Size, c.R.Size);
        EXPECT_EQ(picture.JuliaPoint, c.R.JuliaPoint);
        EXPECT_EQ(picture.Indices, ProcessorPicture(c.R));
    }
}

TEST(JuliaPreviewRenderer, TheWholeSetFitsTheView)
{
    for (const TSize size : {TSize{240, 180}, TSize{100, 300}, TSize{300, 100}}) {
        const TView v = TJuliaPreviewRenderer::WholeSetView(size);
        EXPECT_EQ(v.Center, (TPoint2D{0, 0}));
        EXPECT_GE(v.Scale * size.Width, 4.0);
        EXPECT_GE(v.Scale * size.Height, 3.0);
    }
}

// Collects the pictures the worker hands over.
struct TCollector {
    std::mutex Mutex;
    std::condition_variable Arrived;
    std::vector<TJuliaPreviewPicture> Pictures;

    void Take(TJuliaPreviewPicture&& p)
    {
        std::lock_guard lock(Mutex);
        Pictures.push_back(std::move(p));
        Arrived.notify_all();
    }
    bool WaitFor(std::size_t count)
    {
        std::unique_lock lock(Mutex);
        return Arrived.wait_for(lock, std::chrono::seconds(30), [&] { return Pictures.size() >= count; });
    }
};

TEST(JuliaPreviewRenderer, OvertakenRequestsAreDroppedAndOnlyTheNewestIsDrawn)
{
    TCollector collector;
    TJuliaPreviewRenderer renderer;
    renderer.OnPicture = [&](TJuliaPreviewPicture&& p) { collector.Take(std::move(p)); };
    // Held while the main rendering runs: requests queue up, and replace each other.
    renderer.SetPaused(true);
    renderer.Request(Request({0.1, 0.1}));
    renderer.Request(Request({0.2, 0.2}));
    const std::uint64_t last = renderer.Request(Request({-0.75, 0.1}));
    EXPECT_EQ(renderer.DroppedCount(), 2);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(renderer.Idle());
    {
        std::lock_guard lock(collector.Mutex);
        EXPECT_TRUE(collector.Pictures.empty()); // nothing drawn while paused
    }
    renderer.SetPaused(false);
    ASSERT_TRUE(collector.WaitFor(1));
    while (!renderer.Idle())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::lock_guard lock(collector.Mutex);
    ASSERT_EQ(collector.Pictures.size(), 1u);
    EXPECT_EQ(collector.Pictures[0].Serial, last);
    EXPECT_EQ(collector.Pictures[0].JuliaPoint, (TPoint2D{-0.75, 0.1}));
    EXPECT_EQ(collector.Pictures[0].Indices, ProcessorPicture(Request({-0.75, 0.1})));
    EXPECT_EQ(renderer.FinishedCount(), 1);
}

TEST(JuliaPreviewRenderer, AStreamOfRequestsEndsWithTheNewestPicture)
{
    TCollector collector;
    TJuliaPreviewRenderer renderer;
    renderer.OnPicture = [&](TJuliaPreviewPicture&& p) { collector.Take(std::move(p)); };
    std::uint64_t last = 0;
    for (int i = 0; i < 200; ++i)
        last = renderer.Request(Request({-0.8 + i * 0.001, 0.156}));
    while (!renderer.Idle())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::lock_guard lock(collector.Mutex);
    ASSERT_FALSE(collector.Pictures.empty());
    EXPECT_EQ(collector.Pictures.back().Serial, last);
    EXPECT_EQ(renderer.FinishedCount() + renderer.DroppedCount(), 200);
    // Serials only grow: no picture overtakes a newer one.
    for (std::size_t i = 1; i < collector.Pictures.size(); ++i)
        EXPECT_LT(collector.Pictures[i - 1].Serial, collector.Pictures[i].Serial);
}

TEST(JuliaPreviewRenderer, DestroyingWhilePausedMidPictureEnds)
{
    TJuliaPreviewRenderer renderer;
    TJuliaPreviewRequest r = Request({-0.75, 0.1});
    r.MaxSteps = 100000; // a slow picture, to be paused in the middle
    renderer.OnPicture = [](TJuliaPreviewPicture&&) {};
    renderer.Request(r);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    renderer.SetPaused(true);
    // The destructor must neither hang nor draw on.
}

} // namespace
} // namespace quillon
