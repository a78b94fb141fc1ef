#include "ColorModelFns.h"

#include "NumberFns.h"

#include <algorithm>

namespace quillon {

TColorVector RGBToHSL(const TColorVector& rgb)
{
    const float r = rgb[0], g = rgb[1], b = rgb[2];
    const float mx = std::max({r, g, b});
    const float mn = std::min({r, g, b});
    const float l = (mx + mn) / 2;
    if (mx == mn) return {0.0f, 0.0f, l};
    const float d = mx - mn;
    const float s = l > 0.5f ? d / (2 - mx - mn) : d / (mx + mn);
    float h;
    if (mx == r) h = (g - b) / d;
    else if (mx == g) h = (b - r) / d + 2;
    else h = (r - g) / d + 4;
    h = h / 6;
    if (h < 0) h = h + 1;
    return {h, s, l};
}

namespace {

float Hue(float p, float q, float t)
{
    if (t < 0) t = t + 1;
    if (t > 1) t = t - 1;
    if (t < 1.0f / 6) return p + (q - p) * 6 * t;
    if (t < 1.0f / 2) return q;
    if (t < 2.0f / 3) return p + (q - p) * (2.0f / 3 - t) * 6;
    return p;
}

} // namespace

TColorVector HSLToRGB(const TColorVector& hsl)
{
    const float h = hsl[0], s = hsl[1], l = hsl[2];
    if (s == 0) return {l, l, l};
    const float q = l >= 0.5f ? l + s - l * s : l * (1 + s);
    const float p = 2 * l - q;
    return {Hue(p, q, h + 1.0f / 3), Hue(p, q, h), Hue(p, q, h - 1.0f / 3)};
}

TColorVector ColorToHSL(TColor color)
{
    const TColor c = ResolveColor(color);
    return RGBToHSL({GetRValue(c) / 255.0f, GetGValue(c) / 255.0f, GetBValue(c) / 255.0f});
}

TColor RGBToColor(const TColorVector& rgb)
{
    auto channel = [](float v) { return static_cast<unsigned>(RoundHalfEven(static_cast<double>(v) * 255) & 0xFF); };
    return RGB(channel(rgb[0]), channel(rgb[1]), channel(rgb[2]));
}

TColor HSLToColor(const TColorVector& hsl)
{
    return RGBToColor(HSLToRGB(hsl));
}

} // namespace quillon
