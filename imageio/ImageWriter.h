#pragma once
// Saving an index image in the format its file name's extension selects.
#include <string>
#include <vector>

#include "imageio/IndexedImage.h"
#include "imageio/PngWriter.h"

namespace quillon {

enum class TImageFormat { Bmp, Png, Jpeg, Gif };

// ".jpg" JPEG, ".png" PNG, ".gif" GIF, compared without case; every other
// extension (".bmp", ".jpeg", none, ...) an 8-bit Windows bitmap.
TImageFormat ImageFormatFromFileName(const std::string& path);

// The extension of Path with its dot ("" when the last name has none).
std::string ExtractFileExt(const std::string& path);

// Fails unless a Width x Height image fits Format, with a message naming the
// file and the format's limit; checked before rendering so nothing is wasted.
void CheckImageSizeFor(TImageFormat format, const std::string& path, int width, int height);

// Writes the image to Path in the format ImageFormatFromFileName selects, through
// a temporary file. PngTexts are stored when the format is PNG and ignored otherwise.
void WriteImage(const std::string& path, const TIndexedImage& image,
                const std::vector<TPngTextChunk>& pngTexts = {});

// True when the format of Path holds 24-bit color (every format but GIF).
bool HoldsColorImages(const std::string& path);
// Writes a color image: 24-bit PNG, JPEG, or 24-bit Windows bitmap. A GIF name
// fails with "Cannot write file "<path>". Invalid image." (GIF holds index images only).
void WriteImage(const std::string& path, const TColorImage& image, const std::vector<TPngTextChunk>& pngTexts = {});

} // namespace quillon
