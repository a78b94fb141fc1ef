#pragma once
// Reading PNG pictures back as plain RGB, whatever their color type, for
// joining frames into a video.
#include "engine/Matrix2D.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillon {

// 8-bit RGB, three bytes a pixel, the top row first, rows without padding.
struct TRgbImage {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Pixels;
};

// Decodes Path to RGB: palettes are expanded, gray is spread to the three
// channels, 16-bit samples are reduced and transparency is laid over black.
// Fails with "Cannot open file "<path>". <reason>" when the file cannot be read
// or is no intact PNG.
TRgbImage ReadPngRgb(const std::string& path);

// The size in the header of Path; no value when Path does not start like a
// PNG. Fails when it cannot be read.
std::optional<TSize> ReadPngSize(const std::string& path);

} // namespace quillon
