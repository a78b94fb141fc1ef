#pragma once
// Small pure functions on colors shared by the engine, the color maps and the editors.
#include <cstdint>
#include <string>

namespace quillon {

// Red in bits 0..7, green in 8..15, blue in 16..23. A non-zero top byte marked a
// platform system color; off Windows it is kept as written and resolves to the RGB part.
using TColor = std::uint32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clWhite = 0xFFFFFF;

constexpr std::uint8_t GetRValue(TColor c) { return static_cast<std::uint8_t>(c & 0xFF); }
constexpr std::uint8_t GetGValue(TColor c) { return static_cast<std::uint8_t>((c >> 8) & 0xFF); }
constexpr std::uint8_t GetBValue(TColor c) { return static_cast<std::uint8_t>((c >> 16) & 0xFF); }
constexpr TColor RGB(unsigned r, unsigned g, unsigned b) { return (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16); }

// Exchanges bytes 0 and 2: TColor to color-table entry (blue, green, red, reserved) and back.
constexpr std::uint32_t SwapRedBlue(std::uint32_t value)
{
    return (value & 0xFF00FF00u) | ((value & 0xFFu) << 16) | ((value >> 16) & 0xFFu);
}

// The RGB value a color stands for (system colors have no meaning here: the top byte is dropped).
constexpr TColor ResolveColor(TColor c) { return c & 0xFFFFFF; }

// The blend of A towards B: A for T <= 0 (or NaN), B for T >= 1.
TColor BlendColor(TColor a, TColor b, float t);

// "Color<letter>=<8 hex digits>" for the color dialog's custom colors; Index 0..15,
// otherwise ERangeError "CustomColor index out of range.".
std::string FormatCustomColor(int index, TColor color);

} // namespace quillon
