#pragma once
// An 8-bit index image with its color table, as the encoders take it. It only
// points at the caller's memory; the caller keeps that alive while writing.
#include <cstddef>
#include <cstdint>
#include <string>

namespace quillon {

struct TIndexedImage {
    int Width = 0;
    int Height = 0;
    // Row 0 of the memory is the top row, or the bottom row when BottomUp.
    const std::uint8_t* Pixels = nullptr;
    // Distance between the starts of two rows in memory; at least Width.
    int BytesPerLine = 0;
    bool BottomUp = false;
    // 256 entries, TColor form (red in the low byte). Indices at or beyond
    // ColorCount use the entry as it stands.
    const std::uint32_t* ColorTable = nullptr;
    // The palette's count (1..256); entries below it are the image's colors.
    int ColorCount = 256;

    // The row that is Y-th from the top.
    const std::uint8_t* Row(int y) const
    {
        int memoryRow = BottomUp ? Height - 1 - y : y;
        return Pixels + static_cast<std::ptrdiff_t>(memoryRow) * BytesPerLine;
    }
};

// Fails with EQuillonError naming Path when the description is unusable (no
// pixels or table, an empty size, a stride shorter than a row, a bad count).
// Each format checks its own upper size limit.
void CheckIndexedImage(const TIndexedImage& image, const std::string& path);

} // namespace quillon
