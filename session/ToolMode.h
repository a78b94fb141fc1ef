#pragma once
// What a click on the image does: nothing, pick a zoom target, or place and
// shape the selection rectangle.

namespace quillon {

enum TToolMode : int { tmNone, tmCursor, tmSelection };

} // namespace quillon
