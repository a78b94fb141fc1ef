#include "ui/main/logic/MouseLogic.h"

#include <cstdint>

namespace quillon {

bool WithinDistance(const TPoint& a, const TPoint& b, int distance)
{
    const std::int64_t dx = std::int64_t{a.x} - b.x;
    const std::int64_t dy = std::int64_t{a.y} - b.y;
    return dx * dx + dy * dy <= std::int64_t{distance} * distance;
}

TPressResult MouseDown(TMouseState& state, TMouseButton button, const TPoint& p, TToolMode mode, bool hasSelection)
{
    state.ActionCancelled = false;
    state.Clicked = true;
    // The second press of a double-click: the zoom has used the first one.
    if (state.DblClicked)
        return TPressResult::None;
    state.DownPoint = p;
    switch (button) {
    case TMouseButton::Left:
        return mode == tmSelection && hasSelection ? TPressResult::SelectionHitTest : TPressResult::None;
    case TMouseButton::Right:
        return TPressResult::PopHistory;
    default:
        return TPressResult::None;
    }
}

void MouseDblClick(TMouseState& state)
{
    state.DblClicked = true;
}

bool ViewDragStarts(const TMouseState& state, const TPoint& p, bool onlyLeftHeld)
{
    return onlyLeftHeld && !WithinDistance(p, state.DownPoint, ClickTolerance);
}

TReleaseResult MouseUp(TMouseState& state, TMouseButton button, const TPoint& p, TToolMode mode)
{
    TReleaseResult result = TReleaseResult::Nothing;
    if (!state.Clicked || state.DblClicked || state.ActionCancelled)
        result = TReleaseResult::RestoreCursor;
    else if (button == TMouseButton::Middle)
        result = TReleaseResult::ZoomToTarget;
    else if (mode == tmCursor)
        result = button == TMouseButton::Left ? TReleaseResult::Pan : TReleaseResult::Nothing;
    else if (mode == tmSelection) {
        if (state.DragAction == daMoveView)
            result = TReleaseResult::Pan;
        else if (state.DragAction == daNone && button == TMouseButton::Left &&
                 WithinDistance(p, state.DownPoint, ClickTolerance))
            result = TReleaseResult::PlaceSelection;
    }
    state.Clicked = false;
    state.DblClicked = false;
    state.DragAction = daNone;
    state.ActionCancelled = false;
    return result;
}

TDragAction CancelDrag(TMouseState& state)
{
    const TDragAction cancelled = state.DragAction;
    if (cancelled == daNone)
        return daNone;
    state.ActionCancelled = true;
    state.DragAction = daNone;
    return cancelled;
}

} // namespace quillon
