#include "ImageWriter.h"

#include <algorithm>

#include "engine/Errors.h"
#include "imageio/BmpWriter.h"
#include "imageio/GifWriter.h"
#include "imageio/ImageIoFns.h"
#include "imageio/JpegWriter.h"

namespace quillon {

std::string ExtractFileExt(const std::string& path)
{
#ifdef _WIN32
    const char* delimiters = "\\/:.";
#else
    const char* delimiters = "/.";
#endif
    std::size_t i = path.find_last_of(delimiters);
    if (i == std::string::npos || path[i] != '.') return {};
    return path.substr(i);
}

TImageFormat ImageFormatFromFileName(const std::string& path)
{
    std::string ext = ExtractFileExt(path);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (ext == ".jpg") return TImageFormat::Jpeg;
    if (ext == ".png") return TImageFormat::Png;
    if (ext == ".gif") return TImageFormat::Gif;
    return TImageFormat::Bmp;
}

void CheckImageSizeFor(TImageFormat format, const std::string& path, int width, int height)
{
    // The sides each writer accepts; a BMP is limited by its total size instead.
    struct TLimit {
        const char* Name;
        int Side;
    };
    const TLimit limit = format == TImageFormat::Jpeg  ? TLimit{"JPEG", 65500}
                         : format == TImageFormat::Png ? TLimit{"PNG", 1000000}
                         : format == TImageFormat::Gif ? TLimit{"GIF", 65535}
                                                       : TLimit{"BMP", 0x7FFFFFFF};
    if (width > limit.Side || height > limit.Side)
        throw EQuillonError("Cannot write file \"" + path + "\". " + limit.Name + " images are at most " +
                            std::to_string(limit.Side) + " pixels wide and high.");
}

void WriteImage(const std::string& path, const TIndexedImage& image, const std::vector<TPngTextChunk>& pngTexts)
{
    switch (ImageFormatFromFileName(path)) {
    case TImageFormat::Jpeg: WriteJpeg(path, image); break;
    case TImageFormat::Png: WritePng(path, image, pngTexts); break;
    case TImageFormat::Gif: WriteGif(path, image); break;
    case TImageFormat::Bmp: WriteBmp8(path, image); break;
    }
}

bool HoldsColorImages(const std::string& path)
{
    return ImageFormatFromFileName(path) != TImageFormat::Gif;
}

void WriteImage(const std::string& path, const TColorImage& image, const std::vector<TPngTextChunk>& pngTexts)
{
    CheckColorImage(image, path);
    switch (ImageFormatFromFileName(path)) {
    case TImageFormat::Jpeg: WriteJpeg(path, image); break;
    case TImageFormat::Png: WritePng(path, image, pngTexts); break;
    case TImageFormat::Gif: throw EQuillonError(InvalidImageMessage(path));
    case TImageFormat::Bmp: {
        if (image.PixelsPerLine == image.Width) {
            WriteBmp24(path, image.Width, image.Height, image.Pixels);
            break;
        }
        std::vector<std::uint32_t> packed(static_cast<std::size_t>(image.Width) * static_cast<std::size_t>(image.Height));
        for (int y = 0; y < image.Height; ++y)
            std::copy(image.Row(y), image.Row(y) + image.Width,
                      packed.begin() + static_cast<std::ptrdiff_t>(y) * image.Width);
        WriteBmp24(path, image.Width, image.Height, packed.data());
        break;
    }
    }
}

} // namespace quillon
