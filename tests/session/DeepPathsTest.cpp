// Deep views through every operation that makes a new view: at a scale of
// 1e-60 the centre must land where exact arithmetic puts it, and a pan there
// must move the picture by whole pixels.
#include "session/Session.h"

#include "engine/PreciseNumberImpl.h"
#include "session/PointerZoom.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace quillon {
namespace {

constexpr double Scale = 1e-60;

// mpfr_t with a lifetime, wide enough for any sum of these tests exactly.
struct TBig {
    mpfr_t v;
    TBig() { mpfr_init2(v, 8192); }
    explicit TBig(const TPreciseNumber& n) : TBig() { ToMpfr(n, v); }
    ~TBig() { mpfr_clear(v); }
    TBig(const TBig&) = delete;
    TBig& operator=(const TBig&) = delete;
};

// (a - b) / unit, in doubles: how many pixels apart two coordinates are.
double PixelsApart(const TPreciseNumber& a, const mpfr_t b, double unit)
{
    TBig d(a);
    mpfr_sub(d.v, d.v, b, MPFR_RNDN);
    return mpfr_get_d(d.v, MPFR_RNDN) / unit;
}

TPreciseNumber Dec(const char* text)
{
    return TPreciseNumber::FromDecimal(text).value_or(TPreciseNumber());
}

class DeepPaths : public ::testing::Test {
protected:
    DeepPaths()
    {
        Session.Processor().SetThreadCount(1);
        // No rendering: these tests are about views.
        Session.Processor().SetMaxSteps(1);
        TRenderLock lock(Session);
        Session.SetSize({64, 48});
        Deep = TView::Create({}, Scale, 0.4);
        // A boundary point with digits far below a double's.
        Deep.SetPreciseCenter({Dec("-1.7499576837060935036022145060706997072711057972625207793024283782081"),
                               Dec("0.0000000000000000000000000000000000000000000000000000000000001234567")});
        Session.SetView(Deep);
    }

    // The plane point of pixel p in the current view, at full precision.
    TPreciseCenter PixelPoint(const TPoint& p) const
    {
        return MoveView(Session.View(), Session.Processor().PixelToOffset(p)).PreciseCenter();
    }

    // The current view's centre is within a millionth of a pixel of (x, y).
    void ExpectCentreAt(const mpfr_t x, const mpfr_t y) const
    {
        const TPreciseCenter c = Session.View().PreciseCenter();
        EXPECT_LT(std::abs(PixelsApart(c.X, x, Session.View().Scale)), 1e-6);
        EXPECT_LT(std::abs(PixelsApart(c.Y, y, Session.View().Scale)), 1e-6);
    }
    void ExpectCentreAt(const TPreciseCenter& c) const { ExpectCentreAt(TBig(c.X).v, TBig(c.Y).v); }

    // A pan by whole pixels moves every plane point by exactly those pixels.
    void ExpectPanMovesByWholePixels()
    {
        const TPoint from{10, 20}, to{17, 15};
        const TPreciseCenter before = PixelPoint(from);
        const TPoint2D d = Session.Processor().PxToLogMatrix.TransformDistance(TPoint{to.x - from.x, to.y - from.y});
        Session.SetView(MoveView(Session.View(), {-d.x, -d.y}));
        const TPreciseCenter after = PixelPoint(to);
        const double unit = Session.View().Scale;
        EXPECT_LT(std::abs(after.X.Minus(before.X).ToDouble()) / unit, 1e-6);
        EXPECT_LT(std::abs(after.Y.Minus(before.Y).ToDouble()) / unit, 1e-6);
    }

    TSession Session;
    TView Deep;
};

TEST_F(DeepPaths, PointerZoomKeepsThePointUnderThePointer)
{
    for (const double factor : {0.8, 1.25}) {
        SCOPED_TRACE(factor);
        Session.SetView(Deep);
        const TPoint pixel{5, 40};
        const TPreciseCenter anchor = PixelPoint(pixel);
        Session.ZoomAt(anchor, factor);
        EXPECT_EQ(Session.View().Scale, Scale * factor);
        // Exactly: anchor + (centre - anchor) * factor.
        const TPreciseCenter c = Deep.PreciseCenter();
        TBig x(c.X), y(c.Y), ax(anchor.X), ay(anchor.Y);
        for (auto [v, a] : {std::pair{&x, &ax}, std::pair{&y, &ay}}) {
            mpfr_sub(v->v, v->v, a->v, MPFR_RNDN);
            mpfr_mul_d(v->v, v->v, factor, MPFR_RNDN);
            mpfr_add(v->v, v->v, a->v, MPFR_RNDN);
        }
        ExpectCentreAt(x.v, y.v);
        // The anchor is still under the same pixel.
        const TPreciseCenter still = PixelPoint(pixel);
        EXPECT_LT(std::abs(still.X.Minus(anchor.X).ToDouble()) / Session.View().Scale, 1e-6);
        EXPECT_LT(std::abs(still.Y.Minus(anchor.Y).ToDouble()) / Session.View().Scale, 1e-6);
        ExpectPanMovesByWholePixels();
    }
}

TEST_F(DeepPaths, ZoomCommandsClicksAndTheSelectionKeepTheCentre)
{
    Session.SetToolMode(tmCursor);
    Session.ZoomBy(0.5);
    ExpectCentreAt(Deep.PreciseCenter());
    EXPECT_EQ(Session.View().PreciseCenter(), Deep.PreciseCenter());

    // A click: the point under the pixel becomes the centre.
    const TPreciseCenter clicked = PixelPoint({3, 4});
    Session.ZoomToTarget(clicked);
    EXPECT_EQ(Session.View().PreciseCenter(), clicked);
    ExpectPanMovesByWholePixels();

    // The selection: placed at a pixel, resized by its corners and the wheel,
    // then zoomed into.
    Session.SetToolMode(tmSelection);
    const TPreciseCenter placed = PixelPoint({50, 9});
    TView selection = Session.ClickView(placed);
    selection.Scale *= 1.7; // a corner dragged
    Session.SetSelection(selection);
    ASSERT_TRUE(Session.ScaleSelection(1.15)); // the selection wheel
    const TView zoomInto = Session.Selection();
    EXPECT_EQ(zoomInto.PreciseCenter(), placed);
    Session.ZoomToTarget(PixelPoint({0, 0}));
    EXPECT_EQ(Session.View().PreciseCenter(), placed);
    EXPECT_EQ(Session.View().Scale, zoomInto.Scale);
    ExpectPanMovesByWholePixels();
}

TEST_F(DeepPaths, HistoryHomeAndTheJuliaSwitchGiveTheViewBack)
{
    Session.SetToolMode(tmCursor);
    const TPreciseCenter clicked = PixelPoint({60, 40});
    Session.ZoomToTarget(clicked);
    const TView zoomed = Session.View();

    ASSERT_TRUE(Session.PopHistory()); // Last view
    EXPECT_EQ(Session.View(), Deep);
    ASSERT_TRUE(Session.NextView());
    EXPECT_EQ(Session.View(), zoomed);
    EXPECT_EQ(Session.View().PreciseCenter(), clicked);

    // The Julia point is a double; the Mandelbrot view comes back whole.
    Session.SetAlgorithm(alJulia);
    EXPECT_EQ(Session.JuliaPoint(), zoomed.Center);
    EXPECT_EQ(Session.View(), HomeView(alJulia));
    Session.SetAlgorithm(alMandelbrot);
    EXPECT_EQ(Session.View(), zoomed);
    ExpectPanMovesByWholePixels();

    // A Julia set zoomed deep keeps its centre through its own history.
    Session.ShowJuliaSet({-0.75, 0.1});
    Session.SetView(Deep);
    Session.ZoomToTarget(clicked);
    ASSERT_TRUE(Session.PopHistory());
    EXPECT_EQ(Session.View(), Deep);

    // Home leaves the deep view; Last view is gone with the history, as always.
    Session.Home();
    EXPECT_EQ(Session.View(), HomeView(alJulia));
}

TEST_F(DeepPaths, SceneryFilesCarryTheCentre)
{
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("quillon-deep-paths-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string file = (dir / "deep.qsf").string();
    Session.SaveToFile(file);
    TSession loaded;
    loaded.Processor().SetThreadCount(1);
    loaded.LoadFromFile(file);
    loaded.SetRunning(false);
    EXPECT_EQ(loaded.View(), Deep);
    EXPECT_EQ(loaded.View().PreciseCenter(), Deep.PreciseCenter());
    std::filesystem::remove_all(dir);
}

// The pointer zoom stops at the deepest scale, about the pointer.
TEST_F(DeepPaths, PointerZoomStopsAtTheDeepestScale)
{
    TView v = Deep;
    v.Scale = 1.1 * DeepestScale;
    Session.SetView(v);
    const TPreciseCenter anchor = PixelPoint({5, 5});
    Session.ZoomAt(anchor, 0.8);
    EXPECT_EQ(Session.View().Scale, DeepestScale);
    const TPreciseCenter still = PixelPoint({5, 5});
    EXPECT_LT(std::abs(still.X.Minus(anchor.X).ToDouble()) / DeepestScale, 1e-3);
    const TView stopped = Session.View();
    Session.ZoomAt(anchor, 0.8);
    EXPECT_EQ(Session.View(), stopped);
}

} // namespace
} // namespace quillon
