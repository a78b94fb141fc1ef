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

} // namespace quillon
