#include "BmpWriter.h"

#include "ImageIoFns.h"
#include "engine/FileFns.h"

namespace quillon {

namespace {

constexpr std::uint32_t FileHeaderSize = 14;
constexpr std::uint32_t InfoHeaderSize = 40;
// 2835 pixels per metre: 72 dots per inch.
constexpr std::int32_t PixelsPerMetre = 2835;

void Put16(std::string& out, std::uint16_t v)
{
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}

void Put32(std::string& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

std::uint64_t PaddedRow(int width, int bitsPerPixel)
{
    return ((static_cast<std::uint64_t>(width) * bitsPerPixel + 31) / 32) * 4;
}

// BITMAPFILEHEADER and BITMAPINFOHEADER for a bottom-up, uncompressed image.
void PutHeaders(std::string& out, int width, int height, int bitsPerPixel, std::uint32_t tableEntries)
{
    std::uint32_t offset = FileHeaderSize + InfoHeaderSize + tableEntries * 4;
    auto imageSize = static_cast<std::uint32_t>(PaddedRow(width, bitsPerPixel) * static_cast<std::uint32_t>(height));
    out.reserve(offset + imageSize);
    out += "BM";
    Put32(out, offset + imageSize);
    Put32(out, 0); // two reserved words
    Put32(out, offset);
    Put32(out, InfoHeaderSize);
    Put32(out, static_cast<std::uint32_t>(width));
    Put32(out, static_cast<std::uint32_t>(height)); // positive: rows bottom-up
    Put16(out, 1);                                  // planes
    Put16(out, static_cast<std::uint16_t>(bitsPerPixel));
    Put32(out, 0); // BI_RGB
    Put32(out, imageSize);
    Put32(out, PixelsPerMetre);
    Put32(out, PixelsPerMetre);
    Put32(out, tableEntries); // colors used
    Put32(out, 0);            // colors important: all
}

// Every size field of the format is 32 bits; stay below 2 GiB in all.
void CheckBmpSize(int width, int height, int bitsPerPixel, const std::string& path)
{
    CheckImageSize(width, height, 0x7FFFFFFF, path);
    std::uint64_t total = PaddedRow(width, bitsPerPixel) * static_cast<std::uint64_t>(height) +
                               FileHeaderSize + InfoHeaderSize + 1024;
    if (total > 0x7FFFFFFFu) throw EQuillonError(InvalidImageMessage(path));
}

} // namespace

std::string EncodeBmp24(int width, int height, const std::uint32_t* pixels)
{
    if (!pixels) throw EQuillonError(InvalidImageMessage(""));
    CheckBmpSize(width, height, 24, "");
    std::string out;
    PutHeaders(out, width, height, 24, 0);
    const auto padding = static_cast<std::size_t>(PaddedRow(width, 24) - static_cast<std::uint64_t>(width) * 3);
    for (int y = height - 1; y >= 0; --y) {
        const std::uint32_t* row = pixels + static_cast<std::size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            // Stored blue, green, red.
            out.push_back(static_cast<char>((row[x] >> 16) & 0xFF));
            out.push_back(static_cast<char>((row[x] >> 8) & 0xFF));
            out.push_back(static_cast<char>(row[x] & 0xFF));
        }
        out.append(padding, '\0');
    }
    return out;
}

void WriteBmp24(const std::string& path, int width, int height, const std::uint32_t* pixels)
{
    if (!pixels) throw EQuillonError(InvalidImageMessage(path));
    CheckBmpSize(width, height, 24, path);
    WriteFileAtomic(path, EncodeBmp24(width, height, pixels));
}

std::string EncodeBmp8(const TIndexedImage& image)
{
    CheckIndexedImage(image, "");
    CheckBmpSize(image.Width, image.Height, 8, "");
    std::string out;
    PutHeaders(out, image.Width, image.Height, 8, 256);
    for (int i = 0; i < 256; ++i) {
        std::uint32_t c = image.ColorTable[i];
        // RGBQUAD: blue, green, red, reserved.
        out.push_back(static_cast<char>((c >> 16) & 0xFF));
        out.push_back(static_cast<char>((c >> 8) & 0xFF));
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back('\0');
    }
    const auto padding = static_cast<std::size_t>(PaddedRow(image.Width, 8) - static_cast<std::uint64_t>(image.Width));
    for (int y = image.Height - 1; y >= 0; --y) {
        out.append(reinterpret_cast<const char*>(image.Row(y)), static_cast<std::size_t>(image.Width));
        out.append(padding, '\0');
    }
    return out;
}

void WriteBmp8(const std::string& path, const TIndexedImage& image)
{
    CheckIndexedImage(image, path);
    CheckBmpSize(image.Width, image.Height, 8, path);
    WriteFileAtomic(path, EncodeBmp8(image));
}

} // namespace quillon
