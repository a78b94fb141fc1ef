#pragma once
// Uncompressed Windows bitmaps: 24 bits per pixel from colors, 8 bits per pixel
// from an index image with its color table.
#include <cstdint>
#include <string>

#include "imageio/IndexedImage.h"

namespace quillon {

// The bytes of a 24-bit bitmap. Pixels are TColor values (red in the low byte),
// Width * Height of them, top row first.
std::string EncodeBmp24(int width, int height, const std::uint32_t* pixels);

// Writes EncodeBmp24 to Path through a temporary file; a failure leaves no
// partial file and the previous file intact.
void WriteBmp24(const std::string& path, int width, int height, const std::uint32_t* pixels);

// The bytes of an 8-bit bitmap with the image's full 256-entry color table.
std::string EncodeBmp8(const TIndexedImage& image);

// Writes EncodeBmp8 to Path through a temporary file.
void WriteBmp8(const std::string& path, const TIndexedImage& image);

} // namespace quillon
