// Geometry of the selection rectangle: size, corners, placement, hit tests,
// turning and stretching.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "ui/main/logic/SelectionGeometry.h"

using namespace quillon;

TEST(SelectionGeometry, SizeRoundsHalvesToEvenAndCornersSplitOddSizes)
{
    // 101 x 0.5 = 50.5 -> 50; 103 x 0.5 = 51.5 -> 52.
    EXPECT_EQ(GetSelectionSize(TSize{101, 103}, 0.01, 0.005), (TSize{50, 52}));
    EXPECT_EQ(GetSelectionSize(TSize{640, 480}, 0.01, 0.001), (TSize{64, 48}));

    const TCorners odd = GetSelectionCorners(TSize{5, 3});
    EXPECT_EQ(odd[0], (TPoint{-2, -1}));
    EXPECT_EQ(odd[1], (TPoint{-2, 2}));
    EXPECT_EQ(odd[2], (TPoint{3, 2}));
    EXPECT_EQ(odd[3], (TPoint{3, -1}));
}

TEST(SelectionGeometry, PlacementTurnsCounterClockwiseOnScreen)
{
    const TCorners k = GetSelectionCorners(TSize{40, 20});
    // No turn: shifted to the centre.
    const TCorners flat = PlaceCorners(k, TSelectionPlacement::Create(0.3, 0.3, TPoint{100, 50}));
    EXPECT_EQ(flat[0], (TPoint{80, 40}));
    EXPECT_EQ(flat[2], (TPoint{120, 60}));
    // A quarter turn counter-clockwise (selection angle above the view's):
    // the top-left corner goes to the bottom-left, the top-right to the top-left.
    const TCorners turned =
        PlaceCorners(k, TSelectionPlacement::Create(std::numbers::pi / 2 + 0.1, 0.1, TPoint{100, 50}));
    EXPECT_EQ(turned[0], (TPoint{90, 70}));
    EXPECT_EQ(turned[3], (TPoint{90, 30}));
    EXPECT_EQ(turned[2], (TPoint{110, 30}));
}

TEST(SelectionGeometry, HitTestsCentreFirstThenCornersInOrder)
{
    const TPoint c{100, 100};
    const TCorners placed = {{{80, 90}, {80, 110}, {120, 110}, {120, 90}}};
    EXPECT_EQ(SelectionDragAt(c, placed, TPoint{106, 108}), daMoveSelection); // 10 px from the centre
    EXPECT_EQ(SelectionDragAt(c, placed, TPoint{74, 82}), daAngle);          // 10 px from P0
    EXPECT_EQ(SelectionDragAt(c, placed, TPoint{121, 111}), daAngle);        // P2
    EXPECT_EQ(SelectionDragAt(c, placed, TPoint{79, 112}), daSize);          // P1
    EXPECT_EQ(SelectionDragAt(c, placed, TPoint{127, 84}), daSize);          // P3
    EXPECT_EQ(SelectionDragAt(c, placed, TPoint{73, 82}), daNone);           // 10.6 px from P0
    // Overlapping corners of a tiny selection: the first in order wins.
    const TCorners tiny = {{{98, 98}, {98, 102}, {102, 102}, {102, 98}}};
    EXPECT_EQ(SelectionCornerAt(tiny, TPoint{100, 104}), 0);
}

TEST(SelectionGeometry, AngleBetweenFollowsThePointer)
{
    struct TCase {
        TPoint A, B;
        double Expected;
    };
    const double pi = std::numbers::pi;
    const TCase cases[] = {
        {{10, 0}, {10, 0}, 0},
        // With y down, from the right to below is clockwise on screen: a negative turn.
        {{10, 0}, {0, 10}, -pi / 2},
        {{10, 0}, {0, -10}, pi / 2},
        {{10, 0}, {-10, 0}, -pi},
        {{0, 0}, {5, 5}, 0},
        {{3, 4}, {0, 0}, 0},
    };
    for (const TCase& c : cases)
        EXPECT_NEAR(AngleBetween(c.A, c.B), c.Expected, 1e-6) << c.A.x << "," << c.A.y << " " << c.B.x << "," << c.B.y;
}

TEST(SelectionGeometry, SnapAngleToFiveDegreesHalvesToEven)
{
    const double deg = std::numbers::pi / 180;
    EXPECT_NEAR(SnapAngle(7 * deg), 5 * deg, 1e-12);
    EXPECT_NEAR(SnapAngle(-8 * deg), -10 * deg, 1e-12);
    EXPECT_EQ(SnapAngle(1.5 * SnapAngleStep), 2 * SnapAngleStep);
    EXPECT_EQ(SnapAngle(2.5 * SnapAngleStep), 2 * SnapAngleStep);
    // Ctrl+wheel from 7 degrees: snap, then one step either way.
    EXPECT_NEAR(SnapAngle(7 * deg) + SnapAngleStep, 10 * deg, 1e-12);
    EXPECT_NEAR(SnapAngle(7 * deg) - SnapAngleStep, 0, 1e-12);
}

TEST(SelectionGeometry, StretchScalesByTheDistanceRatio)
{
    const TPoint c{100, 100};
    EXPECT_DOUBLE_EQ(*StretchScale(0.5, c, TPoint{110, 100}, TPoint{120, 100}), 1.0);
    EXPECT_NEAR(*StretchScale(0.5, c, TPoint{103, 104}, TPoint{100, 95}), 0.5, 1e-7);
    EXPECT_FALSE(StretchScale(0.5, c, c, TPoint{120, 100}));
    EXPECT_FALSE(StretchScale(0.5, c, TPoint{110, 100}, c)); // the pointer on the centre pixel
}

TEST(SelectionGeometry, ArrowsAndCrossAroundTheCentre)
{
    const auto& arrows = ArrowPolygons();
    // Tips: down, right, up, left.
    EXPECT_EQ(arrows[0][3], (TPoint{0, 12}));
    EXPECT_EQ(arrows[1][3], (TPoint{12, 0}));
    EXPECT_EQ(arrows[2][3], (TPoint{0, -12}));
    EXPECT_EQ(arrows[3][3], (TPoint{-12, 0}));
    EXPECT_EQ(arrows[1][0], (TPoint{4, 2}));

    const auto cross = CentreCross(GetSelectionCorners(TSize{40, 20}));
    EXPECT_EQ(cross[0].A, (TPoint{-8, 0}));
    EXPECT_EQ(cross[0].B, (TPoint{-3, 0}));
    EXPECT_EQ(cross[3].B, (TPoint{0, 9}));
    EXPECT_TRUE(IsSmallSelection(TSize{15, 100}));
    EXPECT_FALSE(IsSmallSelection(TSize{16, 16}));
}
