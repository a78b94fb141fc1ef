#include "ColorFns.h"

#include "Errors.h"
#include "NumberFns.h"

#include <cmath>

namespace quillon {

TColor BlendColor(TColor a, TColor b, float t)
{
    if (!(t > 0)) return a;
    if (t >= 1) return b;
    auto channel = [t](unsigned ca, unsigned cb) -> unsigned {
        long double d = static_cast<long double>(static_cast<int>(cb) - static_cast<int>(ca));
        float v = static_cast<float>(static_cast<long double>(t) * d + static_cast<long double>(ca));
        std::int64_t r = RoundHalfEven(v);
        if (r < 0) r = 0;
        if (r > 255) r = 255;
        return static_cast<unsigned>(r);
    };
    TColor ra = ResolveColor(a), rb = ResolveColor(b);
    return RGB(channel(GetRValue(ra), GetRValue(rb)), channel(GetGValue(ra), GetGValue(rb)),
               channel(GetBValue(ra), GetBValue(rb)));
}

std::string FormatCustomColor(int index, TColor color)
{
    if (index < 0 || index > 15) throw ERangeError("CustomColor index out of range.");
    std::string letter(1, static_cast<char>('A' + index));
    return Format("Color%s=%.8x", {letter, static_cast<long long>(ResolveColor(color))});
}

} // namespace quillon
