#pragma once
// Geometry of the selection rectangle on the current image: its size in
// pixels, its corners in its own frame, the placement of that frame on the
// paint box, the hit tests of its handles and the turning and stretching
// arithmetic. Pixels: x to the right, y down.
#include <array>
#include <optional>

#include "engine/Matrix2D.h"
#include "ui/main/logic/MouseLogic.h"

namespace quillon {

// 5 degrees: the step of the Ctrl-snapped turns.
constexpr double SnapAngleStep = 0.08726646259971647;

// Width and height of the image the selection would produce, in pixels of
// the current image: round(W x Ss / Sv), round(H x Ss / Sv), halves to even.
TSize GetSelectionSize(const TSize& image, double viewScale, double selectionScale);

// P0 top-left, P1 bottom-left, P2 bottom-right, P3 top-right, around the
// centre (divisions truncating towards zero).
using TCorners = std::array<TPoint, 4>;
TCorners GetSelectionCorners(const TSize& size);

// The selection's frame on the paint box: a frame point (x, y) lies at
// (x cos d + y sin d + cx, -x sin d + y cos d + cy), d the selection's angle
// minus the view's, (cx, cy) the centre's paint-box pixel.
struct TSelectionPlacement {
    double Cos = 1;
    double Sin = 0;
    double Cx = 0;
    double Cy = 0;

    static TSelectionPlacement Create(double selectionAngle, double viewAngle, const TPoint& centre);
    TPoint2D Map(const TPoint2D& framePoint) const;
    // Rounded to whole pixels.
    TPoint MapRounded(const TPoint& framePoint) const;
};

// The corners placed on the paint box and rounded.
TCorners PlaceCorners(const TCorners& corners, const TSelectionPlacement& placement);

// The centre handle is hit within 10 px of the centre's pixel.
bool SelectionCenterAt(const TPoint& centre, const TPoint& p);
// The first placed corner (P0, P1, P2, P3) within 10 px of P, or -1.
int SelectionCornerAt(const TCorners& placed, const TPoint& p);

// The drag a left press at P starts: the centre moves, P0 and P2 turn, P1
// and P3 stretch; daNone when no handle is hit.
TDragAction SelectionDragAt(const TPoint& centre, const TCorners& placed, const TPoint& p);

// The signed angle that turns A onto B on a screen with y down, as the
// rectangle follows the pointer (single-precision lengths). 0 for a null vector.
double AngleBetween(const TPoint& a, const TPoint& b);
// The nearest multiple of 5 degrees (halves to even).
double SnapAngle(double x);

// The scale after stretching a corner from Down to P around the centre C;
// empty when C equals Down or P (nothing changes then).
std::optional<double> StretchScale(double downScale, const TPoint& c, const TPoint& down, const TPoint& p);

// Four arrows of seven points around the centre, pointing down, right, up
// and left.
using TArrow = std::array<TPoint, 7>;
const std::array<TArrow, 4>& ArrowPolygons();

// The centre cross: four segments around the middle of P0 and P2, leaving
// the middle pixel free.
struct TSegment {
    TPoint A;
    TPoint B;
};
std::array<TSegment, 4> CentreCross(const TCorners& corners);

// Selections narrower or lower than 16 px are drawn thin and without handles.
bool IsSmallSelection(const TSize& size);

} // namespace quillon
