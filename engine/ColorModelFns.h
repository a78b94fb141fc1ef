#pragma once
// Conversions between RGB and hue-saturation-lightness, in single precision.
#include "ColorFns.h"

#include <array>

namespace quillon {

// RGB: red, green, blue in [0, 1]. HSL: hue in [0, 1) as a fraction of the
// circle, saturation and lightness in [0, 1].
using TColorVector = std::array<float, 3>;

TColorVector RGBToHSL(const TColorVector& rgb);
TColorVector HSLToRGB(const TColorVector& hsl);
TColorVector ColorToHSL(TColor color);
TColor HSLToColor(const TColorVector& hsl);
// Each channel times 255, rounded half to even; its low 8 bits (inputs must be in [0, 1]).
TColor RGBToColor(const TColorVector& rgb);

} // namespace quillon
