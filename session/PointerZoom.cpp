#include "session/PointerZoom.h"

namespace quillon {

TView ZoomAbout(const TView& View, const TPoint2D& Anchor, double Factor)
{
    // A pixel's point is Center + R * Scale * (pixel offset from the middle);
    // keeping it for the anchor's pixel gives Center' - Anchor = Factor * (Center - Anchor).
    const TPoint2D center{Anchor.x + (View.Center.x - Anchor.x) * Factor,
                          Anchor.y + (View.Center.y - Anchor.y) * Factor};
    return TView::Create(center, View.Scale * Factor, View.Angle);
}

TView ZoomAbout(const TView& View, const TPreciseCenter& Anchor, double Factor)
{
    if (!View.HasPreciseCenter() && Anchor.X.IsDouble() && Anchor.Y.IsDouble())
        return ZoomAbout(View, TPoint2D{Anchor.X.ToDouble(), Anchor.Y.ToDouble()}, Factor);
    // Center' = Center + (1 - Factor) * (Anchor - Center): the difference is a
    // few thousand pixels at most, so doubles hold it to a tiny part of one.
    const TPreciseCenter c = View.PreciseCenter();
    const double part = 1.0 - Factor;
    TView result = MoveView(View, {Anchor.X.Minus(c.X).ToDouble() * part, Anchor.Y.Minus(c.Y).ToDouble() * part});
    result.Scale = View.Scale * Factor;
    return result;
}

} // namespace quillon
