#include "session/PointerZoom.h"

#include <gtest/gtest.h>

#include <cmath>

namespace quillon {
namespace {

struct TZoomCase {
    TView View;
    TPoint Pixel;
    double Factor;
};

class PointerZoom : public ::testing::TestWithParam<TZoomCase> {};

// The plane point under a pixel is under the same pixel after the zoom, with
// the processor's own pixel-to-plane mapping.
TEST_P(PointerZoom, ThePointUnderThePointerStaysUnderIt)
{
    const TZoomCase& c = GetParam();
    TProcessor p;
    p.SetSize(TSize{400, 300});
    p.SetView(c.View);
    const TPoint2D anchor = p.PixelToLog(c.Pixel);
    const TView zoomed = ZoomAbout(c.View, anchor, c.Factor);
    EXPECT_EQ(zoomed.Scale, c.View.Scale * c.Factor);
    EXPECT_EQ(zoomed.Angle, c.View.Angle);
    p.SetView(zoomed);
    const TPoint2D after = p.PixelToLog(c.Pixel);
    // A millionth of a pixel.
    const double tolerance = 1e-6 * c.View.Scale;
    EXPECT_NEAR(after.x, anchor.x, tolerance);
    EXPECT_NEAR(after.y, anchor.y, tolerance);
    EXPECT_EQ(p.LogToPixel(anchor), c.Pixel);
}

INSTANTIATE_TEST_SUITE_P(
    Views, PointerZoom,
    ::testing::Values(TZoomCase{HomeView(alMandelbrot), TPoint{0, 0}, 0.8},
                      TZoomCase{HomeView(alMandelbrot), TPoint{399, 299}, 1.25},
                      TZoomCase{HomeView(alMandelbrot), TPoint{200, 150}, 0.8}, // the centre: a plain zoom
                      TZoomCase{TView::Create({-0.7436, 0.1318}, 1e-9, 0.6), TPoint{37, 250}, 0.8},
                      TZoomCase{TView::Create({0.25, -0.5}, 0.002, -2.5), TPoint{390, 10}, 1.25}));

TEST(PointerZoomCentre, AtTheCentreOnlyTheScaleChanges)
{
    const TView v = TView::Create({-0.6, 0.2}, 0.01, 0.3);
    EXPECT_EQ(ZoomAbout(v, v.Center, 0.8), TView::Create(v.Center, 0.01 * 0.8, 0.3));
}

} // namespace
} // namespace quillon
