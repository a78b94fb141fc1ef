#include "ui/main/logic/StatusTexts.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

struct ZoomRow {
    double Zoom;
    const char* Text;
};

class ZoomTextTable : public ::testing::TestWithParam<ZoomRow> {};

TEST_P(ZoomTextTable, ThreeForms)
{
    EXPECT_EQ(ZoomText(GetParam().Zoom), GetParam().Text);
}

INSTANTIATE_TEST_SUITE_P(Figures, ZoomTextTable,
                         ::testing::Values(ZoomRow{0.4, "0.4"}, ZoomRow{99.96, "100.0"}, ZoomRow{100, "100"},
                                           ZoomRow{4567.5, "4568"}, ZoomRow{100000, "100000"},
                                           ZoomRow{100000.5, "1.00E+005"}, ZoomRow{123456.7, "1.23E+005"},
                                           ZoomRow{2.5e14, "2.50E+014"}));

TEST(StatusTexts, ZoomFigureIsTheReciprocalOfThePlaneWidth)
{
    EXPECT_DOUBLE_EQ(ZoomFigure(640, 0.00625), 0.25);
}

TEST(StatusTexts, ViewPanels)
{
    const TView view = TView::Create(TPoint2D::Create(-0.6, 0.0005), 0.00625, -1.5707963267948966);
    EXPECT_EQ(CenterText(view), "-0.600, 0.001");
    EXPECT_EQ(AngleText(view), "-90\u00B0");
    EXPECT_EQ(ElapsedText(12.345), "12.3ms");
}

TEST(StatusTexts, DeepViews)
{
    // The zoom figure stays finite and in the exponent form down to the deepest scale.
    EXPECT_EQ(ZoomText(ZoomFigure(1920, 1e-50)), "5.21E+046");
    EXPECT_EQ(ZoomText(ZoomFigure(1920, 1e-300)), "5.21E+296");
    EXPECT_EQ(ZoomText(ZoomFigure(1, 1e-300)), "1.00E+300");

    // The panel keeps its three decimals; the hint has the digits the scale needs.
    TView view = TView::Create({}, 1e-60, 0);
    const auto x = TPreciseNumber::FromDecimal("-1.7499576837060935036022145060706997072711057972625207793024283782");
    const auto y = TPreciseNumber::FromDecimal("0.00000000000000000000000000000000000000000000000000000000000000123");
    ASSERT_TRUE(x && y);
    view.SetPreciseCenter({*x, *y});
    EXPECT_EQ(CenterText(view), "-1.750, 0.000");
    // Every digit these have: fewer than a millionth of a pixel needs.
    EXPECT_EQ(PreciseCenterText(view),
              "-1.7499576837060935036022145060706997072711057972625207793024283782, "
              "0.00000000000000000000000000000000000000000000000000000000000000123");
    // More digits than that are rounded.
    view.Scale = 1e-20;
    EXPECT_EQ(PreciseCenterText(view), "-1.74995768370609350360221451, 0");
    // Shallow views: the twelve digits of the View chapter.
    EXPECT_EQ(PreciseCenterText(HomeView(alMandelbrot)), "-0.6, 0");
}

TEST(StatusTexts, Progress)
{
    EXPECT_EQ(ProgressText(1234, 2160), "1234/2160 lines");
    EXPECT_EQ(ProgressText(0, 1), "0/1 lines");
}

TEST(StatusTexts, Hints)
{
    EXPECT_EQ(MaxStepsHint(50), "Maximum steps = 50");
    EXPECT_EQ(MaxAbsHint(2.0), "Maximum absolute value = 2.0");
    EXPECT_EQ(FrameRateHint(1000.0f / 176), "5.7 frames/s");
}

} // namespace
} // namespace quillon
