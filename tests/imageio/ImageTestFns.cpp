#include "ImageTestFns.h"

#include <gif_lib.h>
#include <png.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace quillon::test {

TTestImage::TTestImage(int width, int height, int colorCount, const std::function<int(int, int)>& index)
    : Table(DistinctTable()), ColorCount(colorCount), FWidth(width), FHeight(height), FStride((width + 3) / 4 * 4),
      FPixels(static_cast<std::size_t>(FStride) * height, 0xEE)
{
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            FPixels[static_cast<std::size_t>(height - 1 - y) * FStride + x] = static_cast<std::uint8_t>(index(x, y));
}

int TTestImage::Index(int x, int y) const
{
    return FPixels[static_cast<std::size_t>(FHeight - 1 - y) * FStride + x];
}

TIndexedImage TTestImage::View() const
{
    TIndexedImage view;
    view.Width = FWidth;
    view.Height = FHeight;
    view.Pixels = FPixels.data();
    view.BytesPerLine = FStride;
    view.BottomUp = true;
    view.ColorTable = Table.data();
    view.ColorCount = ColorCount;
    return view;
}

std::vector<std::uint32_t> DistinctTable(int rotation)
{
    std::vector<std::uint32_t> table(256);
    for (int i = 0; i < 256; ++i) {
        int k = (i + rotation) % 256;
        // Red, green and blue each tell the index apart, and no two entries match.
        table[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(k) | static_cast<std::uint32_t>((k * 37 + 11) & 0xFF) << 8 |
                                             static_cast<std::uint32_t>(255 - k) << 16;
    }
    return table;
}

int Pattern(int x, int y, int count)
{
    return (x * 7 + y * 13 + x * y) % count;
}

TScratchDir::TScratchDir()
{
    static std::atomic<int> counter{0};
    std::random_device rd;
    FPath = std::filesystem::temp_directory_path() /
            ("quillon-imageio-" + std::to_string(rd()) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(FPath);
}

TScratchDir::~TScratchDir()
{
    std::error_code ec;
    std::filesystem::remove_all(FPath, ec);
}

std::vector<std::string> TScratchDir::Names() const
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(FPath)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream data;
    data << in.rdbuf();
    return data.str();
}

void WriteAll(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

TRgbImage ReadPngRgb(const std::string& path)
{
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) throw std::runtime_error(png.message);
    png.format = PNG_FORMAT_RGB;
    std::vector<png_byte> buffer(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, buffer.data(), 0, nullptr)) throw std::runtime_error(png.message);
    TRgbImage image;
    image.Width = static_cast<int>(png.width);
    image.Height = static_cast<int>(png.height);
    image.Pixels.resize(buffer.size() / 3);
    for (std::size_t i = 0; i < image.Pixels.size(); ++i)
        image.Pixels[i] = buffer[3 * i] | buffer[3 * i + 1] << 8 | static_cast<std::uint32_t>(buffer[3 * i + 2]) << 16;
    png_image_free(&png);
    return image;
}

namespace {

std::vector<std::uint32_t> MapColors(const ColorMapObject* map)
{
    std::vector<std::uint32_t> colors;
    if (!map) return colors;
    for (int i = 0; i < map->ColorCount; ++i) {
        const GifColorType& c = map->Colors[i];
        colors.push_back(c.Red | c.Green << 8 | static_cast<std::uint32_t>(c.Blue) << 16);
    }
    return colors;
}

} // namespace

TGifFile ReadGif(const std::string& path)
{
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    if (!gif) throw std::runtime_error(GifErrorString(error));
    if (DGifSlurp(gif) != GIF_OK) {
        std::string message = GifErrorString(gif->Error);
        DGifCloseFile(gif, &error);
        throw std::runtime_error(message);
    }
    TGifFile file;
    file.Version = ReadAll(path).substr(0, 6);
    file.Width = gif->SWidth;
    file.Height = gif->SHeight;
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage& saved = gif->SavedImages[i];
        TGifFrame frame;
        frame.Left = saved.ImageDesc.Left;
        frame.Top = saved.ImageDesc.Top;
        frame.Width = saved.ImageDesc.Width;
        frame.Height = saved.ImageDesc.Height;
        frame.LocalMap = saved.ImageDesc.ColorMap != nullptr;
        frame.Colors = MapColors(saved.ImageDesc.ColorMap ? saved.ImageDesc.ColorMap : gif->SColorMap);
        frame.Indices.assign(saved.RasterBits, saved.RasterBits + static_cast<std::size_t>(frame.Width) * frame.Height);
        GraphicsControlBlock control;
        if (DGifSavedExtensionToGCB(gif, i, &control) == GIF_OK) frame.Delay = control.DelayTime;
        for (int e = 0; e + 1 < saved.ExtensionBlockCount; ++e) {
            const ExtensionBlock& block = saved.ExtensionBlocks[e];
            const ExtensionBlock& data = saved.ExtensionBlocks[e + 1];
            if (block.Function == APPLICATION_EXT_FUNC_CODE && block.ByteCount == 11 &&
                std::memcmp(block.Bytes, "NETSCAPE2.0", 11) == 0 && data.Function == CONTINUE_EXT_FUNC_CODE &&
                data.ByteCount == 3 && data.Bytes[0] == 1) {
                file.LoopCount = data.Bytes[1] | data.Bytes[2] << 8;
                file.LoopExtensionFrame = i;
            }
        }
        file.Frames.push_back(std::move(frame));
    }
    DGifCloseFile(gif, &error);
    return file;
}

} // namespace quillon::test
