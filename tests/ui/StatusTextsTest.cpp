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

TEST(StatusTexts, Hints)
{
    EXPECT_EQ(MaxStepsHint(50), "Maximum steps = 50");
    EXPECT_EQ(MaxAbsHint(2.0), "Maximum absolute value = 2.0");
    EXPECT_EQ(FrameRateHint(1000.0f / 176), "5.7 frames/s");
}

} // namespace
} // namespace quillon
