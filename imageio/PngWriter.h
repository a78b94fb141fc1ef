#pragma once
// PNG files: palette PNGs (color type 3) from index images, lossless and small;
// 24-bit PNGs (color type 2) from color images.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "imageio/IndexedImage.h"
#include "imageio/ColorImage.h"

namespace quillon {

// A text chunk: Keyword is 1 to 79 printable Latin-1 characters (no leading,
// trailing or double spaces); Text holds no NUL byte. Both are stored as given.
struct TPngTextChunk {
    std::string Keyword;
    std::string Text;
};

// Writes the image as an 8-bit palette PNG through a temporary file. The
// palette covers the image's colors and every index its pixels use. Texts are
// written as tEXt chunks (zTXt when long) in order.
void WritePng(const std::string& path, const TIndexedImage& image, const std::vector<TPngTextChunk>& texts = {});
// Writes the image as an 8-bit-per-channel RGB PNG, the same way.
void WritePng(const std::string& path, const TColorImage& image, const std::vector<TPngTextChunk>& texts = {});

// The text of the first tEXt, zTXt or iTXt chunk of Path whose keyword is
// Keyword, as its bytes stand (Latin-1 for tEXt and zTXt, UTF-8 for iTXt); no
// value when there is none. Fails when the file cannot be read or is no PNG.
// Declared lengths are checked against the file's size before anything is
// read; a scene's text larger than a file the program reads whole is damage.
std::optional<std::string> ReadPngText(const std::string& path, const std::string& keyword);
// The same over an open stream, positioned at the signature; Name is the file
// named in messages.
std::optional<std::string> ReadPngText(std::FILE* file, const std::string& name, const std::string& keyword);

} // namespace quillon
