#include "PngReader.h"

#include "engine/Errors.h"
#include "engine/FileFns.h"

#include <png.h>

#include <limits>
#include <string_view>

namespace quillon {

namespace {

// The frames of a movie are far below this; it keeps a damaged header from
// asking for an absurd buffer.
constexpr std::uint64_t MaxPixels = std::uint64_t(1) << 28;

std::uint32_t BigEndian32(const std::string& bytes, std::size_t at)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

} // namespace

std::optional<TSize> ReadPngSize(const std::string& path)
{
    // Signature, then the IHDR chunk: length, type, width, height.
    static constexpr std::string_view Signature("\x89PNG\r\n\x1A\n", 8);
    const std::string head = ReadFileHead(path, 24);
    if (head.size() < 24 || !head.starts_with(Signature) || head.compare(12, 4, "IHDR") != 0) return std::nullopt;
    const std::uint32_t width = BigEndian32(head, 16), height = BigEndian32(head, 20);
    if (width == 0 || height == 0 || width > 0x7FFFFFFFu || height > 0x7FFFFFFFu) return std::nullopt;
    return TSize{static_cast<int>(width), static_cast<int>(height)};
}

TRgbImage ReadPngRgb(const std::string& path)
{
    const std::string bytes = ReadFileBytes(path);
    auto fail = [&](const char* reason) -> TRgbImage {
        throw EQuillonError("Cannot open file \"" + path + "\". " + reason);
    };
    // The simplified interface keeps libpng's error jumps inside libpng.
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) {
        png_image_free(&image);
        return fail("Not a PNG image.");
    }
    if (image.width == 0 || image.height == 0 ||
        std::uint64_t(image.width) * image.height > MaxPixels ||
        image.width > std::uint32_t(std::numeric_limits<int>::max() / 3)) {
        png_image_free(&image);
        return fail("The image is too large.");
    }
    image.format = PNG_FORMAT_RGB;
    TRgbImage rgb;
    rgb.Width = static_cast<int>(image.width);
    rgb.Height = static_cast<int>(image.height);
    rgb.Pixels.resize(PNG_IMAGE_SIZE(image));
    const png_color black{0, 0, 0};
    if (!png_image_finish_read(&image, &black, rgb.Pixels.data(), 0, nullptr)) {
        png_image_free(&image);
        return fail("Damaged PNG image.");
    }
    return rgb;
}

} // namespace quillon
