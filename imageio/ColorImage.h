#pragma once
// A 24-bit color image as the encoders take it: one TColor (red in the low
// byte, the top byte ignored) per pixel. It only points at the caller's memory.
#include <cstddef>
#include <cstdint>
#include <string>

namespace quillon {

struct TColorImage {
    int Width = 0;
    int Height = 0;
    // Top row first, PixelsPerLine values from one row to the next (at least Width).
    const std::uint32_t* Pixels = nullptr;
    int PixelsPerLine = 0;

    const std::uint32_t* Row(int y) const { return Pixels + static_cast<std::ptrdiff_t>(y) * PixelsPerLine; }
};

// Fails with EQuillonError naming Path when the description is unusable (no
// pixels, an empty size, a stride shorter than a row).
void CheckColorImage(const TColorImage& image, const std::string& path);

} // namespace quillon
