#pragma once

namespace quillon {

// Makes the icons and cursors reachable below ":/icons" and ":/cursors".
// Only the first call does something.
void InitResources();

} // namespace quillon
