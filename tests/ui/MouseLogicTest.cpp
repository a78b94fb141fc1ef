// The paint box's state machine decisions, without a window.
#include <gtest/gtest.h>

#include "ui/main/logic/MouseLogic.h"

using namespace quillon;

namespace {

struct TReleaseCase {
    const char* Name;
    TToolMode Mode;
    TMouseButton Button;
    TDragAction Drag;
    TPoint Release; // the press is at (100, 100)
    TReleaseResult Expected;
};

const TReleaseCase ReleaseCases[] = {
    {"cursor_left_click_pans", tmCursor, TMouseButton::Left, daNone, {100, 100}, TReleaseResult::Pan},
    {"cursor_left_drag_pans", tmCursor, TMouseButton::Left, daMoveView, {160, 90}, TReleaseResult::Pan},
    // A Shift drag never shows the move cursor but still pans.
    {"cursor_left_unrecognised_drag_pans", tmCursor, TMouseButton::Left, daNone, {160, 90}, TReleaseResult::Pan},
    {"cursor_right_nothing", tmCursor, TMouseButton::Right, daNone, {100, 100}, TReleaseResult::Nothing},
    {"cursor_middle_zooms", tmCursor, TMouseButton::Middle, daNone, {100, 100}, TReleaseResult::ZoomToTarget},
    {"selection_click_places", tmSelection, TMouseButton::Left, daNone, {100, 100}, TReleaseResult::PlaceSelection},
    {"selection_exactly_10px_is_a_click", tmSelection, TMouseButton::Left, daNone, {106, 108},
     TReleaseResult::PlaceSelection},
    {"selection_11px_without_drag_nothing", tmSelection, TMouseButton::Left, daNone, {107, 108},
     TReleaseResult::Nothing},
    {"selection_view_drag_pans", tmSelection, TMouseButton::Left, daMoveView, {150, 150}, TReleaseResult::Pan},
    {"selection_handle_drag_nothing", tmSelection, TMouseButton::Left, daAngle, {101, 101}, TReleaseResult::Nothing},
    {"selection_right_nothing", tmSelection, TMouseButton::Right, daNone, {100, 100}, TReleaseResult::Nothing},
    {"selection_middle_zooms", tmSelection, TMouseButton::Middle, daNone, {100, 100}, TReleaseResult::ZoomToTarget},
    {"none_left_nothing", tmNone, TMouseButton::Left, daNone, {100, 100}, TReleaseResult::Nothing},
    {"none_middle_zooms", tmNone, TMouseButton::Middle, daNone, {100, 100}, TReleaseResult::ZoomToTarget},
};

class ReleaseTest : public testing::TestWithParam<TReleaseCase> {};

} // namespace

TEST_P(ReleaseTest, DecidesByModeButtonAndDrag)
{
    const TReleaseCase& c = GetParam();
    TMouseState state;
    MouseDown(state, c.Button, TPoint{100, 100}, c.Mode, false);
    state.DragAction = c.Drag;
    EXPECT_EQ(MouseUp(state, c.Button, c.Release, c.Mode), c.Expected);
    // Every release clears the click state; the press point stays for the zoom.
    EXPECT_FALSE(state.Clicked);
    EXPECT_FALSE(state.DblClicked);
    EXPECT_FALSE(state.ActionCancelled);
    EXPECT_EQ(state.DragAction, daNone);
    EXPECT_EQ(state.DownPoint, (TPoint{100, 100}));
}

INSTANTIATE_TEST_SUITE_P(MouseLogic, ReleaseTest, testing::ValuesIn(ReleaseCases),
                         [](const testing::TestParamInfo<TReleaseCase>& info) { return info.param.Name; });

TEST(MouseLogic, ReleaseWithoutPressAfterDoubleClickOrEscapeOnlyRestoresTheCursor)
{
    TMouseState state;
    EXPECT_EQ(MouseUp(state, TMouseButton::Left, TPoint{5, 5}, tmCursor), TReleaseResult::RestoreCursor);

    MouseDown(state, TMouseButton::Left, TPoint{10, 10}, tmCursor, false);
    MouseUp(state, TMouseButton::Left, TPoint{10, 10}, tmCursor);
    MouseDblClick(state);
    // The second press keeps the first press's point.
    EXPECT_EQ(MouseDown(state, TMouseButton::Left, TPoint{30, 30}, tmCursor, false), TPressResult::None);
    EXPECT_EQ(state.DownPoint, (TPoint{10, 10}));
    EXPECT_EQ(MouseUp(state, TMouseButton::Left, TPoint{30, 30}, tmCursor), TReleaseResult::RestoreCursor);

    MouseDown(state, TMouseButton::Left, TPoint{10, 10}, tmSelection, false);
    state.DragAction = daMoveView;
    EXPECT_EQ(CancelDrag(state), daMoveView);
    EXPECT_TRUE(state.ActionCancelled);
    EXPECT_EQ(state.DragAction, daNone);
    EXPECT_EQ(MouseUp(state, TMouseButton::Left, TPoint{80, 80}, tmSelection), TReleaseResult::RestoreCursor);
    // Without a drag, Escape passes on.
    EXPECT_EQ(CancelDrag(state), daNone);
    EXPECT_FALSE(state.ActionCancelled);
}

TEST(MouseLogic, PressesAndTheDragThreshold)
{
    TMouseState state;
    EXPECT_EQ(MouseDown(state, TMouseButton::Right, TPoint{1, 2}, tmNone, false), TPressResult::PopHistory);
    EXPECT_EQ(MouseDown(state, TMouseButton::Left, TPoint{1, 2}, tmCursor, true), TPressResult::None);
    EXPECT_EQ(MouseDown(state, TMouseButton::Left, TPoint{1, 2}, tmSelection, false), TPressResult::None);
    EXPECT_EQ(MouseDown(state, TMouseButton::Left, TPoint{1, 2}, tmSelection, true), TPressResult::SelectionHitTest);
    EXPECT_EQ(MouseDown(state, TMouseButton::Middle, TPoint{1, 2}, tmSelection, true), TPressResult::None);

    state.DownPoint = TPoint{100, 100};
    EXPECT_FALSE(ViewDragStarts(state, TPoint{106, 108}, true)); // exactly 10 px
    EXPECT_TRUE(ViewDragStarts(state, TPoint{107, 108}, true));
    EXPECT_FALSE(ViewDragStarts(state, TPoint{200, 200}, false)); // another button or a modifier
    EXPECT_TRUE(WithinDistance(TPoint{0, 0}, TPoint{-6, 8}, 10));
    EXPECT_FALSE(WithinDistance(TPoint{0, 0}, TPoint{-7, 8}, 10));
}
