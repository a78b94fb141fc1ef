#pragma once
// Zooming about a point of the plane rather than about the centre of the view.
#include "engine/MandelbrotProcessor.h"

namespace quillon {

// View scaled by Factor (below 1 zooms in) so that the plane point Anchor
// shows at the same pixel as before: the centre moves towards the anchor in
// proportion. The angle stays.
TView ZoomAbout(const TView& View, const TPoint2D& Anchor, double Factor);

} // namespace quillon
