// The processor: settings, running state, line hand-out, workers, palette.
#include "EngineTestUtil.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <mutex>
#include <thread>

using namespace quillon;
using namespace quillon::test;

namespace {

// Records the lines that workers compute, optionally holding the first one until
// the processor asks its workers to end, or failing on one line.
class TRecordingProcessor : public TProcessor {
public:
    ~TRecordingProcessor() override { Stop(); }

    void ComputeLine(int y) override
    {
        bool first;
        {
            std::lock_guard lock(FMutex);
            first = FLines.empty();
            FLines.push_back(y);
        }
        if (first && HoldFirstLine) {
            FirstLineStarted.store(true);
            while (!TerminateRequested() && !ReleaseFirstLine.load())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (y == FailOnLine) throw EQuillonError("boom");
        TProcessor::ComputeLine(y);
    }

    std::vector<int> Lines()
    {
        std::lock_guard lock(FMutex);
        return FLines;
    }
    void ClearLines()
    {
        std::lock_guard lock(FMutex);
        FLines.clear();
    }

    bool HoldFirstLine = false;  // set while idle
    int FailOnLine = -1;         // set while idle
    std::atomic<bool> FirstLineStarted{false};
    std::atomic<bool> ReleaseFirstLine{false};

private:
    std::mutex FMutex;
    std::vector<int> FLines;
};

void WaitFor(const std::atomic<bool>& flag)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!flag.load() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(flag.load());
}

std::vector<int> Sorted(std::vector<int> v)
{
    std::sort(v.begin(), v.end());
    return v;
}

std::vector<int> Iota(int n)
{
    std::vector<int> v(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) v[static_cast<std::size_t>(i)] = i;
    return v;
}

// A plain evaluation of one pixel, written out here independently of the kernel.
int ReferenceIndex(const TProcessor& p, int px, int py)
{
    const TPoint2D z0 = p.PixelToLog({px, py});
    const TPoint2D c = p.Algorithm() == alJulia ? p.JuliaPoint() : z0;
    const double r2max = p.MaxAbs() * p.MaxAbs();
    double x = z0.x, y = z0.y, r2 = 0;
    std::int64_t n = 0;
    for (int i = 1;; ++i) {
        const double xx = x * x, yy = y * y;
        r2 = xx + yy;
        if (r2 >= r2max) {
            n = i;
            break;
        }
        if (i >= p.MaxSteps()) break;
        const double nx = (xx - yy) + c.x;
        y = 2 * x * y + c.y;
        x = nx;
    }
    const std::int64_t colors = p.ColorCount(), top = colors - 1, offset = p.ColorOffset();
    if (n == 0) {
        if (!p.Options().Contains(poInterior)) return 0;
        n = static_cast<std::int64_t>(std::nearbyint(std::sqrt(r2) * p.InteriorFactor())) % colors;
    }
    const std::int64_t index = p.Options().Contains(poColorWrapping) ? (offset + n) % top + 1 : std::min(offset + n + 1, top);
    return static_cast<int>(index & 0xFF);
}

} // namespace

TEST(Processor, DefaultsAndReset)
{
    TProcessor p;
    EXPECT_EQ(p.Algorithm(), alMandelbrot);
    EXPECT_TRUE(p.Options().Empty());
    EXPECT_EQ(p.InteriorFactor(), 100.0);
    EXPECT_EQ(p.View(), TView::Create({-0.6, 0}, 0.00625, 0));
    EXPECT_EQ(p.MaxSteps(), 50);
    EXPECT_EQ(p.MaxAbs(), 2.0);
    EXPECT_EQ(p.Colors(), MakeHueColors(256, clBlue));
    EXPECT_EQ(p.Bitmap().Colors(), p.Colors());
    EXPECT_EQ(p.ColorCount(), 256);
    EXPECT_EQ(p.ColorOffset(), 0);
    EXPECT_EQ(p.JuliaPoint(), (TPoint2D{0, 0}));
    EXPECT_EQ(p.Size(), (TSize{400, 300}));
    EXPECT_FALSE(p.Running());

    p.SetAlgorithm(alJulia);
    p.SetOptions(TProcessorOptions{poInterior}.Include(poColorWrapping));
    p.SetInteriorFactor(5);
    p.SetMaxSteps(500);
    p.SetMaxAbs(10);
    p.SetJuliaPoint({0.3, -0.1});
    p.SetColors({clBlack, clRed, clWhite});
    p.SetColorOffset(2);
    p.SetSize({64, 48});
    p.SetView(TView::Create({0, 0}, 0.1, 1));
    const TMatrix2D changed = p.PxToLogMatrix;
    p.Start();
    p.Reset();

    EXPECT_FALSE(p.Running());
    EXPECT_EQ(p.Algorithm(), alMandelbrot);
    EXPECT_TRUE(p.Options().Empty());
    EXPECT_EQ(p.View(), TView::Create({-0.6, 0}, 0.00625, 0));
    EXPECT_EQ(p.MaxSteps(), 50);
    EXPECT_EQ(p.Colors(), MakeHueColors(256, clBlue));
    EXPECT_EQ(p.ColorOffset(), 0);
    EXPECT_NE(p.PxToLogMatrix, changed);
    EXPECT_EQ(p.JuliaPoint(), (TPoint2D{0.3, -0.1}));
    EXPECT_EQ(p.Size(), (TSize{64, 48}));
}

TEST(Processor, OptionsSet)
{
    TProcessorOptions o;
    EXPECT_FALSE(o.Contains(poInterior));
    o.Include(poInterior).Include(poColorWrapping).Exclude(poInterior);
    EXPECT_FALSE(o.Contains(poInterior));
    EXPECT_TRUE(o.Contains(poColorWrapping));
    EXPECT_EQ(o, TProcessorOptions{poColorWrapping});
}

TEST(Processor, OneWorkerTakesEvenLinesFirst)
{
    struct Row { int height; std::vector<int> lines; };
    for (const Row& r : {Row{7, {0, 2, 4, 6, 1, 3, 5}}, Row{6, {0, 2, 4, 1, 3, 5}}, Row{2, {0, 1}},
                         Row{1, {0, 1}}}) {  // one line: the odd pass hands out line 1, which is ignored
        TRecordingProcessor p;
        p.SetThreadCount(1);
        p.SetSize({3, r.height});
        ASSERT_TRUE(Render(p));
        EXPECT_EQ(p.Lines(), r.lines) << "height " << r.height;
        EXPECT_EQ(p.LinesDone(), r.height);
    }
}

TEST(Processor, EveryLineGoesToExactlyOneWorker)
{
    TRecordingProcessor p;
    p.SetThreadCount(3);
    p.SetSize({16, 101});
    ASSERT_TRUE(Render(p));
    EXPECT_EQ(Sorted(p.Lines()), Iota(101));
    EXPECT_EQ(p.LinesDone(), 101);
    EXPECT_FALSE(p.Running());
    EXPECT_GT(p.ElapsedMs(), 0);
}

TEST(Processor, WritingTheCurrentStateDoesNotRestart)
{
    TRecordingProcessor p;
    p.SetThreadCount(2);
    p.SetSize({8, 40});
    p.HoldFirstLine = true;
    p.Start();
    WaitFor(p.FirstLineStarted);
    p.Start();
    p.SetRunning(true);
    p.SetView(p.View());
    p.SetSize(p.Size());
    EXPECT_TRUE(p.Running());
    p.ReleaseFirstLine = true;
    ASSERT_TRUE(WaitIdle(p));
    EXPECT_EQ(Sorted(p.Lines()), Iota(40));  // no line computed twice

    p.Stop();  // idle: nothing happens
    p.SetRunning(false);
    EXPECT_FALSE(p.Running());
}

TEST(Processor, ViewAndSizeChangesRestartARunningRenderingOnly)
{
    TRecordingProcessor p;
    p.SetThreadCount(1);
    p.SetSize({4, 6});
    p.SetView(TView::Create({0, 0}, 0.1, 0));  // idle: stays idle
    EXPECT_FALSE(p.Running());
    EXPECT_TRUE(p.Lines().empty());

    p.HoldFirstLine = true;
    p.Start();
    WaitFor(p.FirstLineStarted);
    p.SetView(TView::Create({0, 0}, 0.2, 0));  // stops (line 0 finishes), restarts from line 0
    ASSERT_TRUE(WaitIdle(p));
    EXPECT_EQ(p.Lines(), (std::vector<int>{0, 0, 2, 4, 1, 3, 5}));
}

TEST(Processor, StopFinishesTheLineInProgress)
{
    TRecordingProcessor p;
    p.SetThreadCount(1);
    p.SetSize({50, 20});
    p.SetView(TView::Create({-0.75, 0.1}, 0, 0));  // every pixel: index 34
    p.HoldFirstLine = true;
    p.Start();
    WaitFor(p.FirstLineStarted);
    EXPECT_EQ(p.LinesDone(), 0);
    p.Stop();
    EXPECT_FALSE(p.Running());
    EXPECT_EQ(p.Lines(), (std::vector<int>{0}));
    for (int x = 0; x < 50; ++x) EXPECT_EQ(p.Bitmap().GetBuffer(x, 0), 34) << x;
    EXPECT_EQ(p.Bitmap().GetBuffer(0, 2), 0);
    EXPECT_GT(p.ElapsedMs(), 0);
}

TEST(Processor, StopStillFinishesALineThatNeedsLittleMoreWork)
{
    // A line asked to stop as it starts, on orbits that neither escape nor repeat
    // (points far out overflow into NaN; a NaN escape radius lets none escape):
    // an ordinary line is finished, not given up after a few thousand tests.
    struct Row {
        TKernel Kernel;
        int Width;
        int MaxSteps;
    };
    for (const Row& r : {Row{TKernel::Simd, 2000, 3000}, Row{TKernel::Scalar, 2000, 3000},
                         Row{TKernel::Scalar, 40, 100000}}) {
        SCOPED_TRACE(r.MaxSteps);
        TRecordingProcessor p;
        p.SetKernel(r.Kernel);
        p.SetThreadCount(1);
        p.SetSize({r.Width, 4});
        p.SetMaxSteps(r.MaxSteps);
        p.SetMaxAbs(std::numeric_limits<double>::quiet_NaN());
        p.SetView(TView::Create({1e3, 1e3}, 1.0, 0));
        for (int x = 0; x < r.Width; ++x) p.Bitmap().SetBuffer(x, 0, 7); // no outcome here gives 7
        p.HoldFirstLine = true;
        p.Start();
        WaitFor(p.FirstLineStarted);
        p.Stop();
        EXPECT_EQ(p.Lines(), (std::vector<int>{0}));
        int unwritten = 0;
        for (int x = 0; x < r.Width; ++x) unwritten += p.Bitmap().GetBuffer(x, 0) == 7;
        EXPECT_EQ(unwritten, 0);
    }
}

TEST(Processor, OnFinishedComesOnceFromTheLastWorkerOfEachRendering)
{
    TRecordingProcessor p;
    p.SetThreadCount(3);
    p.SetSize({40, 30});
    std::mutex lock;
    std::vector<bool> runningThen;
    std::vector<double> elapsedThen;
    std::vector<std::thread::id> threads;
    p.OnFinished = [&] {
        std::lock_guard guard(lock);
        runningThen.push_back(p.Running());
        elapsedThen.push_back(p.ElapsedMs());
        threads.push_back(std::this_thread::get_id());
    };
    // Finished by itself: once, no worker left, its time known.
    ASSERT_TRUE(Render(p));
    {
        std::lock_guard guard(lock);
        ASSERT_EQ(runningThen.size(), 1u);
        EXPECT_FALSE(runningThen[0]);
        EXPECT_GT(elapsedThen[0], 0);
        EXPECT_NE(threads[0], std::this_thread::get_id());
    }
    // Stopped: once more, before the stop returns.
    p.ClearLines();
    p.HoldFirstLine = true;
    p.Start();
    WaitFor(p.FirstLineStarted);
    p.Stop();
    {
        std::lock_guard guard(lock);
        EXPECT_EQ(runningThen.size(), 2u);
        EXPECT_FALSE(runningThen.back());
    }
    p.OnFinished = nullptr;
}

TEST(Processor, FailedSizeChangeLeavesTheRenderingStopped)
{
    TRecordingProcessor p;
    p.SetThreadCount(1);
    p.HoldFirstLine = true;
    p.Start();
    WaitFor(p.FirstLineStarted);
    const TMatrix2D before = p.PxToLogMatrix;
    const TView view = p.View();
    EXPECT_EQ(ErrorOf([&] { p.SetSize({0, 300}); }), "Invalid size.");
    EXPECT_FALSE(p.Running());
    EXPECT_EQ(p.Size(), (TSize{400, 300}));
    EXPECT_EQ(p.View(), view);
    EXPECT_EQ(p.PxToLogMatrix, before);
}

// Nested pairs: an inner pair finds the rendering already stopped and must
// not make the outer one forget that it ran.
TEST(Processor, NestedStopRestartPairsRestartOnceAtTheOuterEnd)
{
    for (const bool running : {true, false}) {
        TRecordingProcessor p;
        p.SetThreadCount(1);
        p.SetSize({4, 6});
        if (running) {
            p.HoldFirstLine = true;
            p.Start();
            WaitFor(p.FirstLineStarted);
        }
        {
            TRenderPause outer(p);
            EXPECT_FALSE(p.Running());
            p.SetView(TView::Create({0, 0}, 0.2, 0)); // an inner pair
            EXPECT_FALSE(p.Running());
            EXPECT_EQ(ErrorOf([&] { p.SetSize({0, 1}); }), "Invalid size.");
            EXPECT_FALSE(p.Running());
            p.ClearLines(); // the restarted rendering holds its first line again
        }
        EXPECT_EQ(p.Running(), running) << running;
        p.ReleaseFirstLine = true;
        ASSERT_TRUE(WaitIdle(p));
        // A later pair on an idle processor leaves it idle.
        p.StopIfRunning();
        p.RestartIfStopped();
        p.RestartIfStopped(); // unpaired: nothing to restart
        EXPECT_FALSE(p.Running());
    }
}

TEST(Processor, FailingWorkerEndsAndReportsOnStandardError)
{
    TRecordingProcessor p;
    p.SetThreadCount(2);
    p.SetSize({10, 30});
    p.FailOnLine = 4;
    testing::internal::CaptureStderr();
    p.Start();
    const bool ended = WaitIdle(p);
    const std::string err = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(ended);
    EXPECT_NE(err.find("Exception: boom"), std::string::npos) << err;
    EXPECT_GT(p.ElapsedMs(), 0);

    // The processor stays usable.
    p.FailOnLine = -1;
    p.ClearLines();
    ASSERT_TRUE(Render(p));
    EXPECT_EQ(Sorted(p.Lines()), Iota(30));
}

TEST(Processor, SameImageForAnyNumberOfWorkersAndAsAPlainEvaluation)
{
    struct Setup { TAlgorithm algorithm; TProcessorOptions options; TView view; int offset; };
    for (const Setup& s : {Setup{alMandelbrot, {}, TView::Create({-0.6, 0}, 0.02, 0), 0},
                           Setup{alMandelbrot, {poInterior, poColorWrapping}, TView::Create({-0.74, 0.12}, 1e-4, 0.3), 7},
                           Setup{alJulia, {poColorWrapping}, TView::Create({0, 0}, 0.025, 0), 100}}) {
        std::vector<std::vector<std::uint8_t>> images;
        for (int workers : {1, 2, 8}) {
            TProcessor p;
            p.SetThreadCount(workers);
            p.SetSize({157, 101});
            p.SetMaxSteps(300);
            p.SetAlgorithm(s.algorithm);
            p.SetJuliaPoint({-0.8, 0.156});
            p.SetOptions(s.options);
            p.SetView(s.view);
            p.SetColorOffset(s.offset);
            ASSERT_TRUE(Render(p));
            images.push_back(p.Bitmap().CopyPixels());
            if (workers == 1) {
                int mismatches = 0, distinct = 0;
                std::vector<bool> seen(256);
                for (int y = 0; y < p.Height(); ++y)
                    for (int x = 0; x < p.Width(); ++x) {
                        const int got = p.Bitmap().GetBuffer(x, y);
                        mismatches += got != ReferenceIndex(p, x, y);
                        if (!seen[static_cast<std::size_t>(got)]) ++distinct, seen[static_cast<std::size_t>(got)] = true;
                    }
                EXPECT_EQ(mismatches, 0);
                EXPECT_GT(distinct, 10);  // a real image, not a flat one
            }
        }
        EXPECT_EQ(images[0], images[1]);
        EXPECT_EQ(images[0], images[2]);
    }
}

TEST(Processor, ScaleZeroViewRendersOneColor)
{
    TProcessor p;
    p.SetSize({40, 30});
    p.Start();
    p.SetView(TView::Create({-0.75, 0.1}, 0, 0));
    ASSERT_TRUE(WaitIdle(p));
    p.Start();  // from the start with the empty view
    ASSERT_TRUE(WaitIdle(p));
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) ASSERT_EQ(p.Bitmap().GetBuffer(x, y), 34);
}

TEST(Palette, InstallingColors)
{
    TProcessor p;
    p.SetColorOffset(17);
    const std::vector<TColor> three = {clBlack, clRed, clBlue};
    std::vector<TColor> callers = three;
    p.SetColors(callers);
    callers[1] = clWhite;  // the processor keeps its own copy
    EXPECT_EQ(p.Colors(), three);
    EXPECT_EQ(p.ColorCount(), 3);
    EXPECT_EQ(p.ColorOffset(), 0);
    EXPECT_EQ(p.Bitmap().Colors(), three);

    EXPECT_EQ(ErrorOf([&] { p.SetColors({clRed}); }), "Invalid palette.");
    EXPECT_EQ(ErrorOf([&] { p.SetColors({}); }), "Invalid palette.");
    EXPECT_EQ(p.Colors(), three);
}

TEST(Palette, MoreThan256ColorsKeepsThePreviousPaletteEntirely)
{
    TProcessor p;
    p.SetColorOffset(5);
    const auto colors = p.Colors();
    const auto table = p.Bitmap().ColorTable();
    EXPECT_EQ(ErrorOf([&] { p.SetColors(std::vector<TColor>(257, clRed)); }), "Invalid number of colors (up to 256).");
    EXPECT_EQ(p.Colors(), colors);
    EXPECT_EQ(p.ColorCount(), 256);
    EXPECT_EQ(p.ColorOffset(), 5);
    EXPECT_EQ(p.Bitmap().ColorTable(), table);
    // A later rotation still works on the previous palette.
    p.RotatePalette(drDown);
    EXPECT_EQ(p.Colors()[1], colors[2]);
}

TEST(Palette, ColorOffsetRange)
{
    TProcessor p;
    p.SetColorOffset(255);
    EXPECT_EQ(p.ColorOffset(), 255);
    p.SetColorOffset(255);
    for (int bad : {256, -1}) {
        EXPECT_EQ(ErrorOf([&] { p.SetColorOffset(bad); }), "Invalid color offset.") << bad;
        EXPECT_EQ(p.ColorOffset(), 255);
    }
    p.SetColors({clBlack, clWhite});
    EXPECT_EQ(ErrorOf([&] { p.SetColorOffset(2); }), "Invalid color offset.");
    p.SetColorOffset(1);
    EXPECT_EQ(p.ColorOffset(), 1);
}

TEST(Palette, TwoColorsGiveIndexOneToEveryEscapedPixel)
{
    for (bool wrap : {false, true}) {
        TProcessor p;
        p.SetSize({60, 40});
        p.SetColors({clBlack, clWhite});
        if (wrap) p.SetOptions({poColorWrapping});
        ASSERT_TRUE(Render(p));
        std::vector<int> histogram(256);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 60; ++x) ++histogram[p.Bitmap().GetBuffer(x, y)];
        EXPECT_GT(histogram[0], 0);
        EXPECT_GT(histogram[1], 0);
        EXPECT_EQ(histogram[0] + histogram[1], 60 * 40);
    }
}

TEST(Palette, RotationKeepsEntryZero)
{
    const TColor a = 0x0000AA, b = 0x00BB00, c = 0xCC0000;
    TProcessor p;
    p.SetColors({clBlack, a, b, c});
    p.RotatePalette(drDown);
    EXPECT_EQ(p.Colors(), (std::vector<TColor>{clBlack, b, c, a}));
    EXPECT_EQ(p.Bitmap().Colors(), p.Colors());
    p.SetColors({clBlack, a, b, c});
    p.RotatePalette(drUp);
    EXPECT_EQ(p.Colors(), (std::vector<TColor>{clBlack, c, a, b}));
    EXPECT_EQ(p.Bitmap().Colors(), p.Colors());

    p.SetColors({clWhite, a});
    p.RotatePalette(drUp);
    p.RotatePalette(drDown);
    EXPECT_EQ(p.Colors(), (std::vector<TColor>{clWhite, a}));

    // The bitmap's table, written directly, is overwritten by the next rotation.
    p.SetColors({clBlack, a, b, c});
    p.Bitmap().SetColors({clWhite, clWhite});
    p.RotatePalette(drDown);
    EXPECT_EQ(p.Bitmap().Colors(), (std::vector<TColor>{clBlack, b, c, a}));
}

TEST(Palette, RotatingTheDefaultPalette255TimesRestoresIt)
{
    for (TUpDown dir : {drUp, drDown}) {
        TProcessor p;
        const auto start = p.Colors();
        for (int i = 0; i < 254; ++i) p.RotatePalette(dir);
        EXPECT_NE(p.Colors(), start);
        p.RotatePalette(dir);
        EXPECT_EQ(p.Colors(), start);
        EXPECT_EQ(p.Bitmap().Colors(), start);
    }
}

TEST(Palette, DefaultHueColors)
{
    const auto colors = MakeHueColors(256, clBlue);
    ASSERT_EQ(colors.size(), 256u);
    struct Row { int entry; TColor color; };
    for (const Row& r : {Row{0, 0x000000}, Row{1, 0xFF0006}, Row{85, 0x0000FF}, Row{86, 0x0000FF},
                         Row{127, 0x00F6FF}, Row{255, 0xFF0600}})
        EXPECT_EQ(colors[static_cast<std::size_t>(r.entry)], r.color) << "entry " << r.entry;
    // The base hue itself is missing; red occurs twice.
    EXPECT_EQ(std::count(colors.begin(), colors.end(), clBlue), 0);
    EXPECT_EQ(std::count(colors.begin(), colors.end(), clRed), 2);
    EXPECT_EQ(MakeHueColors(2, clRed).size(), 2u);
}
