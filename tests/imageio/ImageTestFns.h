#pragma once
// Index images for the writer tests, a scratch folder, and readers that do not
// share code with the writers (libpng's simplified reader, giflib's decoder).
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "imageio/IndexedImage.h"

namespace quillon::test {

// An index image laid out like the engine's palette bitmap: rows bottom-up,
// stride a multiple of 4 (the padding bytes hold junk), a 256-entry table.
class TTestImage {
public:
    // Index(x, y) gives the pixel, counted from the top row.
    TTestImage(int width, int height, int colorCount, const std::function<int(int, int)>& index);

    TIndexedImage View() const;
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    int Index(int x, int y) const;
    // The color a pixel must show, TColor form.
    std::uint32_t Color(int x, int y) const { return Table[static_cast<std::size_t>(Index(x, y))]; }

    std::vector<std::uint32_t> Table; // 256 entries
    int ColorCount;

private:
    int FWidth, FHeight, FStride;
    std::vector<std::uint8_t> FPixels;
};

// A table whose entries are all different: entry i of rotation r is the
// colour of entry (i + r) of rotation 0.
std::vector<std::uint32_t> DistinctTable(int rotation = 0);

// The default pattern of the tests: every index below Count, in a mix that
// changes along both axes.
int Pattern(int x, int y, int count);

// A folder of its own for one test, removed afterwards.
class TScratchDir {
public:
    TScratchDir();
    ~TScratchDir();
    std::string File(const std::string& name) const { return (FPath / name).string(); }
    // The names of the files in the folder, sorted.
    std::vector<std::string> Names() const;

private:
    std::filesystem::path FPath;
};

std::string ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::string& bytes);

// libpng's reader: the pixels as TColor, top row first.
struct TRgbImage {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint32_t> Pixels;
    std::uint32_t At(int x, int y) const { return Pixels[static_cast<std::size_t>(y) * Width + x]; }
};
TRgbImage ReadPngRgb(const std::string& path);

// giflib's decoder, one entry per frame.
struct TGifFrame {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    int Delay = -1; // hundredths of a second; -1 without a control extension
    std::vector<std::uint32_t> Colors; // the frame's map (local, else global), TColor form
    std::vector<std::uint8_t> Indices;
    bool LocalMap = false;
    std::uint32_t At(int x, int y) const { return Colors[Indices[static_cast<std::size_t>(y) * Width + x]]; }
};
struct TGifFile {
    std::string Version; // "GIF87a" or "GIF89a"
    int Width = 0, Height = 0;
    int LoopCount = -1; // from the NETSCAPE2.0 extension; -1 without one
    int LoopExtensionFrame = -1;
    std::vector<TGifFrame> Frames;
};
TGifFile ReadGif(const std::string& path);

} // namespace quillon::test
