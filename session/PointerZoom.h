#pragma once
// Zooming about a point of the plane rather than about the centre of the view.
#include "engine/MandelbrotProcessor.h"

namespace quillon {

// View scaled by Factor (below 1 zooms in) so that the plane point Anchor
// shows at the same pixel as before: the centre moves towards the anchor in
// proportion. The angle stays.
TView ZoomAbout(const TView& View, const TPoint2D& Anchor, double Factor);
// The same about an anchor with every bit it has: the centre moves at its full
// precision, so deep views zoom about the right point. A double anchor in a
// view without a precise centre zooms as above.
TView ZoomAbout(const TView& View, const TPreciseCenter& Anchor, double Factor);

} // namespace quillon
