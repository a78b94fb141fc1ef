#pragma once
// Palette animation defaults that the window and the command-line renderer
// both start from (the speed scale itself is in engine/AnimationSpeed.h).
#include "engine/AnimationSpeed.h"
#include "engine/MandelbrotProcessor.h"

namespace quillon {

inline constexpr TUpDown DefaultAnimationDirection = drUp;

} // namespace quillon
