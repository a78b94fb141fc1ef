#pragma once

namespace quillon {

// Makes the icons and cursors reachable below ":/icons" and ":/cursors".
void InitResources();

} // namespace quillon
