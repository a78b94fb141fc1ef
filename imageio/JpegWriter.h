#pragma once
// JPEG files from index images (the palette colors as 24-bit RGB) and from color images.
#include <string>

#include "imageio/IndexedImage.h"
#include "imageio/ColorImage.h"

namespace quillon {

constexpr int DefaultJpegQuality = 90;

// Writes the image as a baseline JPEG through a temporary file. Quality 1..100.
void WriteJpeg(const std::string& path, const TIndexedImage& image, int quality = DefaultJpegQuality);
void WriteJpeg(const std::string& path, const TColorImage& image, int quality = DefaultJpegQuality);

} // namespace quillon
