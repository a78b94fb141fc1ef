#pragma once
// The paint box's click-and-drag state machine: what a press, a move, a
// release or Escape means in each tool mode. The window keeps the state and
// carries out the decisions (panning, zooming, placing the selection).
#include "engine/Matrix2D.h"
#include "session/ToolMode.h"

namespace quillon {

enum TDragAction : int { daNone, daMoveView, daMoveSelection, daAngle, daSize };

enum class TMouseButton { Left, Right, Middle, Other };

// The drag threshold and the click tolerance, in paint-box pixels.
constexpr int ClickTolerance = 10;

struct TMouseState {
    TPoint DownPoint;          // pixel of the last press (any button)
    bool Clicked = false;      // a press was seen since the last release
    bool DblClicked = false;   // the current press is a double-click's second
    TDragAction DragAction = daNone;
    bool ActionCancelled = false; // Escape cancelled the drag in progress
};

// Euclidean distance of A and B is at most Distance (exact on integers).
bool WithinDistance(const TPoint& a, const TPoint& b, int distance);

enum class TPressResult {
    None,             // nothing more to do
    SelectionHitTest, // left press in selection mode with a selection: the handles may start a drag
    PopHistory,       // right press: Last view at once
};

// A button press at P.
TPressResult MouseDown(TMouseState& state, TMouseButton button, const TPoint& p, TToolMode mode, bool hasSelection);

// A double-click: the toolkit reports it in place of the second press, whose
// position the zoom does not use.
void MouseDblClick(TMouseState& state);

// A move to P starts a view drag: only the left button held, no Shift, Ctrl
// or Alt, and more than 10 px from the press.
bool ViewDragStarts(const TMouseState& state, const TPoint& p, bool onlyLeftHeld);

enum class TReleaseResult {
    RestoreCursor,  // only the tool cursor is restored
    ZoomToTarget,   // middle click
    Pan,            // pan the view by P - DownPoint
    PlaceSelection, // a click in selection mode
    Nothing,        // nothing (a selection drag has already applied itself)
};

// A button release at P. Decides, then clears the click state (DownPoint stays).
TReleaseResult MouseUp(TMouseState& state, TMouseButton button, const TPoint& p, TToolMode mode);

// Escape: when a drag is in progress, cancels it and returns what it was (the
// caller undoes its effect); otherwise daNone and the key passes on.
TDragAction CancelDrag(TMouseState& state);

} // namespace quillon
