#include "session/Session.h"

#include "colormap/ColorMap.h"
#include "engine/Errors.h"
#include "engine/FileFns.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include <unistd.h>

namespace quillon {
namespace {

const TView Somewhere = TView::Create({-0.75, 0.1}, 0.001, 0.25);
const TView Elsewhere = TView::Create({0.3, -0.4}, 0.0002, 0);

// A session on a small image, recording what it reports.
class SessionTest : public ::testing::Test {
protected:
    SessionTest()
    {
        Session.Processor().SetThreadCount(1);
        {
            TRenderLock lock(Session);
            Session.SetSize({16, 12});
        }
        Session.OnChanged = [this](TSessionChanges changes) { Reports.push_back(changes); };
    }
    ~SessionTest() override { Session.OnChanged = nullptr; }

    void WaitIdle()
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (Session.Running() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_FALSE(Session.Running());
    }
    // The session, idle, with nothing reported yet.
    void Settle()
    {
        WaitIdle();
        Session.SetRunning(false);
        Reports.clear();
    }
    TSessionChanges OnlyReport()
    {
        EXPECT_EQ(Reports.size(), 1u);
        return Reports.empty() ? TSessionChanges{} : Reports.back();
    }

    TSession Session;
    std::vector<TSessionChanges> Reports;
};

TEST_F(SessionTest, StartsFromTheDefaultStateWithoutRendering)
{
    EXPECT_FALSE(Session.Running());
    EXPECT_EQ(Session.RenderStartCount(), 0);
    EXPECT_EQ(Session.View(), HomeView(alMandelbrot));
    EXPECT_TRUE(Session.ColorMap().Compare(Session.DefaultColorMap()));
    EXPECT_EQ(Session.Processor().Colors(), Session.ColorMap().AsColorArray());
    EXPECT_EQ(Session.AnimationSpeed(), DefaultAnimationSpeed);
    EXPECT_EQ(Session.AnimationDirection(), drUp);
    EXPECT_EQ(Session.ToolMode(), tmNone);
    EXPECT_FALSE(Session.AutoRender());
    EXPECT_FALSE(Session.Selection().GetValid());
    EXPECT_EQ(Session.LockCount(), 0);
}

// Each operation reports once, with what it changed; a value that is already
// in force reports nothing and starts nothing.
TEST_F(SessionTest, OneReportPerOperation)
{
    struct TCase {
        const char* Name;
        std::function<void(TSession&)> Operation;
        TSessionChanges Expected; // empty: no report at all
        bool Renders;
    };
    const std::vector<TCase> cases = {
        {"view", [](TSession& s) { s.SetView(Somewhere); }, {scView, scRunning}, true},
        {"same view", [](TSession& s) { s.SetView(s.View()); }, {}, false},
        {"empty view", [](TSession& s) { s.SetView(TView{}); }, {}, false},
        {"size", [](TSession& s) { s.SetSize({20, 10}); }, {scSize, scView, scRunning}, true},
        {"steps, no auto-render", [](TSession& s) { s.SetMaxSteps(77); }, {scParameters}, false},
        {"same steps", [](TSession& s) { s.SetMaxSteps(s.MaxSteps()); }, {}, false},
        {"limit", [](TSession& s) { s.SetMaxAbs(3.5); }, {scParameters}, false},
        {"interior", [](TSession& s) { s.SetInteriorVisible(true); }, {scParameters}, false},
        {"wrapping", [](TSession& s) { s.SetColorWrapping(true); }, {scParameters}, false},
        {"color offset", [](TSession& s) { s.SetColorOffset(3); }, {scPalette}, false},
        {"palette step", [](TSession& s) { s.RotatePalette(); }, {scPalette}, false},
        {"palette anew", [](TSession& s) { s.ApplyColorMap(); }, {scPalette, scRunning}, true},
        {"animation speed", [](TSession& s) { s.SetAnimationSpeed(8); }, {scParameters}, false},
        {"tool", [](TSession& s) { s.SetToolMode(tmSelection); }, {scParameters}, false},
        {"selection", [](TSession& s) { s.SetSelection(Somewhere); }, {scSelection}, false},
        {"no selection to delete", [](TSession& s) { s.DeleteSelection(); }, {}, false},
        {"zoom", [](TSession& s) { s.ZoomBy(0.5); }, {scView, scRunning}, true},
        {"home from home", [](TSession& s) { s.Home(); }, {scHistory, scSelection, scRunning}, true},
        {"empty history", [](TSession& s) { EXPECT_FALSE(s.PopHistory()); }, {}, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TSession session;
        session.Processor().SetThreadCount(1);
        std::vector<TSessionChanges> reports;
        session.OnChanged = [&](TSessionChanges changes) { reports.push_back(changes); };
        c.Operation(session);
        if (c.Expected.Empty()) {
            EXPECT_TRUE(reports.empty());
        } else {
            ASSERT_EQ(reports.size(), 1u);
            EXPECT_EQ(reports[0], c.Expected);
        }
        EXPECT_EQ(session.RenderStartCount(), c.Renders ? 1 : 0);
        session.OnChanged = nullptr;
    }
}

TEST_F(SessionTest, RenderLockDropsStartsUntilReleased)
{
    {
        TRenderLock lock(Session);
        TRenderLock nested(Session);
        Session.SetView(Somewhere);
        Session.ApplyColorMap();
        Session.SetRunning(true);
        EXPECT_FALSE(Session.Running());
        EXPECT_EQ(Session.LockCount(), 2);
    }
    EXPECT_EQ(Session.LockCount(), 0);
    EXPECT_EQ(Session.RenderStartCount(), 0);
    Session.SetRunning(true);
    EXPECT_EQ(Session.RenderStartCount(), 1);
    EXPECT_TRUE(Session.Rendering());
}

TEST_F(SessionTest, AutoRenderStartsOnParameterChanges)
{
    Session.SetAutoRender(true);
    Session.SetMaxSteps(123);
    EXPECT_EQ(Session.RenderStartCount(), 1);
    Settle();
    Session.SetColorWrapping(true);
    EXPECT_EQ(Session.RenderStartCount(), 2);
    // The interior factor and the Julia point wait for the next rendering.
    Settle();
    Session.SetInteriorFactor(7);
    Session.SetJuliaPoint({0.1, 0.2});
    EXPECT_EQ(Session.RenderStartCount(), 2);
}

// The end of a rendering is seen when it is checked for, or when the
// rendering is stopped after it ended on its own; each reports it once.
TEST_F(SessionTest, TheEndOfARenderingIsReportedOnce)
{
    Session.SetRunning(true);
    ASSERT_TRUE(Session.Rendering());
    WaitIdle();
    Reports.clear();
    EXPECT_TRUE(Session.CheckRendering());
    EXPECT_FALSE(Session.Rendering());
    EXPECT_EQ(OnlyReport(), TSessionChanges{scRunning});
    EXPECT_FALSE(Session.CheckRendering());
    Session.SetRunning(false);
    EXPECT_EQ(Reports.size(), 1u);

    Session.SetRunning(true);
    WaitIdle();
    Reports.clear();
    Session.SetRunning(false);
    EXPECT_FALSE(Session.Rendering());
    EXPECT_EQ(OnlyReport(), TSessionChanges{scRunning});
}

TEST_F(SessionTest, JuliaPointFromTheSelectionElseTheView)
{
    Session.SetView(Somewhere);
    Session.SetAlgorithm(alJulia);
    EXPECT_EQ(Session.JuliaPoint(), Somewhere.Center);
    EXPECT_EQ(Session.View(), HomeView(alJulia));
    Session.SetAlgorithm(alMandelbrot);
    EXPECT_EQ(Session.View(), Somewhere);

    Session.SetSelection(Elsewhere);
    Session.SetAlgorithm(alJulia);
    EXPECT_EQ(Session.JuliaPoint(), Elsewhere.Center);
    EXPECT_FALSE(Session.Selection().GetValid());
}

TEST_F(SessionTest, TheJuliaSetKeepsTheMandelbrotHistoryAndSelection)
{
    Session.SetToolMode(tmCursor);
    Session.SetView(Somewhere);
    Session.ZoomToTarget(Elsewhere.Center);
    ASSERT_EQ(Session.History().Count(), 1);
    const TView mandelbrot = Session.View();
    Session.SetSelection(Elsewhere);
    Settle();

    Session.SetAlgorithm(alJulia);
    EXPECT_EQ(OnlyReport(), (TSessionChanges{scView, scParameters, scHistory, scSelection, scRunning}));
    EXPECT_EQ(Session.History().Count(), 0);
    Session.ZoomBy(0.5);

    Session.SetAlgorithm(alMandelbrot);
    EXPECT_EQ(Session.View(), mandelbrot);
    EXPECT_EQ(Session.Selection(), Elsewhere);
    ASSERT_EQ(Session.History().Count(), 1);
    ASSERT_TRUE(Session.PopHistory());
    EXPECT_EQ(Session.View(), Somewhere);
}

TEST_F(SessionTest, DeepViewsKeepTheirPreciseCentreThroughZoomsHistoryAndTheJuliaSwitch)
{
    Session.SetToolMode(tmCursor);
    const TView deep = MoveView(TView::Create({-0.75, 0.1}, 1e-80, 0.25), {3e-79, -2e-79});
    ASSERT_TRUE(deep.HasPreciseCenter());
    Session.SetView(deep);
    // A click five pixels right of the centre, with the centre's every digit.
    const TView target = MoveView(deep, {5e-80, 0});
    Session.ZoomToTarget(target.PreciseCenter());
    EXPECT_EQ(Session.View().PreciseCenter(), target.PreciseCenter());
    EXPECT_EQ(Session.View().Scale, 1e-81);
    Session.ZoomBy(0.5);
    EXPECT_EQ(Session.View().PreciseCenter(), target.PreciseCenter());
    const TView zoomed = Session.View();
    Session.SetAlgorithm(alJulia);
    Session.SetAlgorithm(alMandelbrot);
    EXPECT_EQ(Session.View(), zoomed);
    ASSERT_TRUE(Session.PopHistory());
    EXPECT_EQ(Session.View(), deep);

    // Zooming stops at the deepest scale.
    Session.SetView(TView::Create({-0.75, 0.1}, 3e-300, 0));
    Session.ZoomBy(0.1);
    EXPECT_EQ(Session.View().Scale, DeepestScale);
    Session.ZoomBy(0.5);
    EXPECT_EQ(Session.View().Scale, DeepestScale);
    Session.DeleteSelection(); // PopHistory marked the view it left
    Session.ZoomToTarget(Session.View().PreciseCenter());
    EXPECT_EQ(Session.View().Scale, DeepestScale);
    Session.ZoomBy(2);
    EXPECT_EQ(Session.View().Scale, 2 * DeepestScale);
}

TEST_F(SessionTest, ClearingTheHistoryForgetsTheKeptOneToo)
{
    Session.SetToolMode(tmCursor);
    Session.ZoomToTarget(Somewhere.Center);
    Session.SetAlgorithm(alJulia);
    Session.ClearHistory();
    Session.SetAlgorithm(alMandelbrot);
    EXPECT_EQ(Session.History().Count(), 0);
}

TEST_F(SessionTest, ZoomTargetPerToolMode)
{
    struct TCase {
        TToolMode Mode;
        bool WithSelection;
        TView Expected;
    };
    const TView view = Session.View();
    const TPoint2D click{0.25, 0.5};
    const TView selection = TView::Create({-1, 0.1}, 0.0001, 0.3);
    const std::vector<TCase> cases = {
        {tmNone, false, view},
        {tmCursor, false, TView::Create(click, view.Scale / 10, view.Angle)},
        {tmCursor, true, TView::Create(click, selection.Scale, selection.Angle)},
        {tmSelection, false, TView::Create(click, view.Scale / 10, view.Angle)},
        {tmSelection, true, selection},
    };
    for (const TCase& c : cases) {
        TSession session;
        session.SetToolMode(c.Mode);
        if (c.WithSelection) session.SetSelection(selection);
        session.ZoomToTarget(click);
        EXPECT_EQ(session.View(), c.Expected) << c.Mode << c.WithSelection;
        EXPECT_EQ(session.History().Count(), 1);
        EXPECT_FALSE(session.Selection().GetValid());
    }
}

TEST_F(SessionTest, LastViewMarksTheViewItLeaves)
{
    Session.SetToolMode(tmCursor);
    Session.ZoomToTarget(Somewhere.Center);
    const TView zoomed = Session.View();
    Settle();
    ASSERT_TRUE(Session.PopHistory());
    EXPECT_EQ(Session.View(), HomeView(alMandelbrot));
    EXPECT_EQ(Session.Selection(), zoomed);
    EXPECT_EQ(OnlyReport(), (TSessionChanges{scView, scHistory, scSelection, scRunning}));
    EXPECT_TRUE(Session.Running() || Session.Rendering());
}

TEST_F(SessionTest, HomeMarksWhereTheExplorationStarted)
{
    Session.SetToolMode(tmCursor);
    Session.ZoomToTarget({0.1, 0.1});
    const TView first = Session.View();
    Session.Home();
    EXPECT_EQ(Session.Selection(), first); // one zoom: the view left
    EXPECT_EQ(Session.View(), HomeView(alMandelbrot));
    EXPECT_EQ(Session.History().Count(), 0);

    Session.ZoomToTarget({0.1, 0.1});
    const TView second = Session.View();
    Session.ZoomToTarget({0.2, 0.1});
    Session.ZoomToTarget({0.3, 0.1});
    Session.Home();
    EXPECT_EQ(Session.Selection(), second); // the target of the first zoom
}

TEST_F(SessionTest, ResetBringsBackTheDefaultsWithOneRendering)
{
    TColorMap map;
    map.Add(RGB(255, 255, 255), 1);
    map.Add(RGB(1, 2, 3), 99);
    Session.SetColorMap(map);
    Session.SetToolMode(tmCursor);
    Session.ZoomToTarget(Somewhere.Center);
    Session.SetMaxSteps(500);
    Session.SetInteriorVisible(true);
    Session.SetAlgorithm(alJulia);
    Session.SetSelection(Elsewhere);
    Settle();
    const int starts = Session.RenderStartCount();

    Session.Reset();
    EXPECT_EQ(Session.RenderStartCount(), starts + 1);
    EXPECT_EQ(Session.View(), HomeView(alMandelbrot));
    EXPECT_EQ(Session.Algorithm(), alMandelbrot);
    EXPECT_EQ(Session.MaxSteps(), 50);
    EXPECT_FALSE(Session.InteriorVisible());
    EXPECT_EQ(Session.History().Count(), 0);
    EXPECT_FALSE(Session.Selection().GetValid());
    EXPECT_TRUE(Session.ColorMap().Compare(Session.DefaultColorMap()));
    EXPECT_EQ(Session.Processor().Colors(), Session.DefaultColorMap().AsColorArray());
    ASSERT_EQ(Reports.size(), 1u);
    EXPECT_EQ(Reports[0], TSessionChanges::All().Exclude(scSize));
}

TEST_F(SessionTest, SelectionCommands)
{
    EXPECT_FALSE(Session.ScaleSelection(2));
    Session.SetSelectionAngle(0.5); // kept without a selection
    EXPECT_EQ(Session.Selection().Angle, 0.5);
    Session.SetSelection(Somewhere);
    EXPECT_TRUE(Session.ScaleSelection(2));
    EXPECT_EQ(Session.Selection().Scale, Somewhere.Scale * 2);
    EXPECT_TRUE(Session.DeleteSelection());
    EXPECT_FALSE(Session.Selection().GetValid());
    // The next click view is a tenth of the view again.
    EXPECT_EQ(Session.ClickView({1, 1}).Scale, Session.View().Scale / 10);
}

TEST_F(SessionTest, TheSameColorMapInstallsItsPaletteAgain)
{
    Session.RotatePalette();
    ASSERT_NE(Session.Processor().Colors(), Session.ColorMap().AsColorArray());
    Session.SetColorOffset(5);
    Session.SetColorMap(Session.DefaultColorMap());
    EXPECT_EQ(Session.Processor().Colors(), Session.ColorMap().AsColorArray());
    EXPECT_EQ(Session.ColorOffset(), 0);
}

TEST_F(SessionTest, AnimationSpeedIsClampedToTheScale)
{
    Session.SetAnimationSpeed(0);
    EXPECT_EQ(Session.AnimationSpeed(), MinAnimationSpeed);
    EXPECT_EQ(Session.AnimationInterval(), 1000);
    Session.SetAnimationSpeed(99);
    EXPECT_EQ(Session.AnimationSpeed(), MaxAnimationSpeed);
    EXPECT_EQ(Session.AnimationInterval(), 20);
}

// A scene saved and loaded again gives the same file; loading neither starts
// a rendering nor leaves the lock held, and a failed load reports what it
// changed and keeps the rest.
TEST_F(SessionTest, ScenesThroughFiles)
{
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("quillon-session-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string first = (dir / "first.qsf").string();
    const std::string second = (dir / "second.qsf").string();

    Session.SetView(Somewhere);
    Session.SetSelection(Elsewhere);
    Session.SetAlgorithm(alJulia);
    Session.SetMaxSteps(321);
    Session.SetAnimationDirection(drDown);
    Session.SaveToFile(first);

    TSession loaded;
    loaded.LoadFromFile(first);
    EXPECT_FALSE(loaded.Running());
    EXPECT_EQ(loaded.RenderStartCount(), 0);
    EXPECT_EQ(loaded.LockCount(), 0);
    EXPECT_EQ(loaded.JuliaPoint(), Elsewhere.Center);
    loaded.SaveToFile(second);
    EXPECT_EQ(ReadFileBytes(first), ReadFileBytes(second));

    Settle();
    const std::string bad = (dir / "bad.qsf").string();
    WriteFileAtomic(bad, "[Common]\r\nType=QSF\r\nVersion=100\r\n[Settings]\r\nAlgorithm=0\r\nView=x\r\n");
    EXPECT_THROW(Session.LoadFromFile(bad), EQuillonError);
    EXPECT_EQ(Session.Algorithm(), alMandelbrot); // applied before the failure
    EXPECT_EQ(Session.MaxSteps(), 321);
    EXPECT_EQ(Session.LockCount(), 0);
    ASSERT_EQ(Reports.size(), 1u);
    EXPECT_TRUE(Reports[0].Contains(scParameters));
    std::filesystem::remove_all(dir);
}

TEST_F(SessionTest, NextViewRetracesLastViewUntilANewView)
{
    Session.SetToolMode(tmCursor);
    const TView start = Session.View();
    Session.ZoomToTarget(Somewhere.Center);
    const TView first = Session.View();
    Session.ZoomToTarget(Elsewhere.Center);
    const TView second = Session.View();
    EXPECT_FALSE(Session.NextView());
    ASSERT_TRUE(Session.PopHistory());
    ASSERT_TRUE(Session.PopHistory());
    EXPECT_EQ(Session.View(), start);
    Settle();
    ASSERT_TRUE(Session.NextView());
    EXPECT_EQ(Session.View(), first);
    EXPECT_FALSE(Session.Selection().GetValid());
    EXPECT_EQ(OnlyReport(), (TSessionChanges{scView, scHistory, scSelection, scRunning}));
    ASSERT_TRUE(Session.NextView());
    EXPECT_EQ(Session.View(), second);
    EXPECT_FALSE(Session.NextView());
    EXPECT_EQ(Session.History().Count(), 2);

    // Back once, then a zoom of another kind: the way forward is gone.
    ASSERT_TRUE(Session.PopHistory());
    Settle();
    Session.ZoomAt(Somewhere.Center, 0.8);
    EXPECT_TRUE(OnlyReport().Contains(scHistory));
    EXPECT_FALSE(Session.NextView());
    // Home and a cleared history end it as well.
    ASSERT_TRUE(Session.PopHistory());
    Session.Home();
    EXPECT_FALSE(Session.NextView());
}

TEST_F(SessionTest, ZoomAtKeepsTheAnchorsPixel)
{
    Session.SetView(Somewhere);
    const TPoint pixel{3, 9};
    const TPoint2D anchor = Session.Processor().PixelToLog(pixel);
    Session.ZoomAt(anchor, 1.25);
    EXPECT_EQ(Session.View().Scale, Somewhere.Scale * 1.25);
    EXPECT_EQ(Session.Processor().LogToPixel(anchor), pixel);
    const TPoint2D after = Session.Processor().PixelToLog(pixel);
    EXPECT_NEAR(after.x, anchor.x, 1e-6 * Somewhere.Scale);
    EXPECT_NEAR(after.y, anchor.y, 1e-6 * Somewhere.Scale);
}

TEST_F(SessionTest, ShowJuliaSetSwitchesWithOneRendering)
{
    Session.SetToolMode(tmCursor);
    Session.ZoomToTarget(Somewhere.Center);
    const TView mandelbrot = Session.View();
    Session.SetSelection(Elsewhere);
    Settle();
    const int renders = Session.RenderStartCount();
    Session.ShowJuliaSet({-0.7269, 0.1889});
    EXPECT_EQ(Session.Algorithm(), alJulia);
    EXPECT_EQ(Session.JuliaPoint(), (TPoint2D{-0.7269, 0.1889}));
    EXPECT_EQ(Session.View(), HomeView(alJulia));
    EXPECT_EQ(Session.RenderStartCount(), renders + 1);
    // In the Julia set only the point changes.
    Session.ZoomBy(0.5);
    const TView julia = Session.View();
    Session.ShowJuliaSet({0.285, 0.01});
    EXPECT_EQ(Session.View(), julia);
    EXPECT_EQ(Session.JuliaPoint(), (TPoint2D{0.285, 0.01}));
    Session.SetAlgorithm(alMandelbrot);
    EXPECT_EQ(Session.View(), mandelbrot);
    EXPECT_EQ(Session.Selection(), Elsewhere);
    EXPECT_EQ(Session.History().Count(), 1);
}

} // namespace
} // namespace quillon
