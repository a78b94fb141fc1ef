#pragma once
// An 8-bit palettised image: every pixel is an index into a color table of up to
// 256 entries. Rows are stored bottom-up with a stride that is a multiple of 4
// (the layout of BMP files), so encoders can take the memory as it is.
//
// Threads: worker threads write pixels (SetBuffer) while another thread may copy
// them (CopyPixels, GetBuffer); every pixel byte is accessed through a relaxed
// atomic, so both may run at once. SetSize must not run while pixels are written
// (the processor stops its workers first); it may run while another thread copies,
// because copies and size changes share a lock.
#include "ColorFns.h"
#include "Matrix2D.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace quillon {

class TPaletteBitmap {
public:
    // An empty (0 x 0) image with the standard 16-color palette; ColorCount 16.
    TPaletteBitmap();
    TPaletteBitmap(const TPaletteBitmap&) = delete;
    TPaletteBitmap& operator=(const TPaletteBitmap&) = delete;
    ~TPaletteBitmap();

    // Geometry: read from the owner's thread (or from workers while no size change can happen).
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    TSize Size() const { return {FWidth, FHeight}; }
    // Fails with "Invalid size." unless both dimensions are positive; an equal size does nothing.
    void SetSize(const TSize& size);
    // Changes the size and keeps the color table; the pixels are cleared to index 0.
    // Negative dimensions fail with "Invalid size."; 0 gives an empty image.
    void SetSize(int aWidth, int aHeight);

    // Stores the low 8 bits of value as pixel (x, y), y from the top row;
    // does nothing outside the image.
    void SetBuffer(int x, int y, int value)
    {
        if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return;
        StorePixel(static_cast<std::size_t>(x) + static_cast<std::size_t>(FHeight - y - 1) * FBytesPerLine,
                   static_cast<std::uint8_t>(value));
    }
    // Pixel (x, y), 0 outside the image.
    std::uint8_t GetBuffer(int x, int y) const;

    // Row stride in bytes: the width rounded up to a multiple of 4.
    int BytesPerLine() const { return FBytesPerLine; }
    // Start of the pixel memory (bottom row first), BytesPerLine() * Height() bytes.
    // Plain access: only while no worker writes (otherwise use CopyPixels).
    std::uint8_t* Buffer() { return FBuffer.get(); }
    const std::uint8_t* Buffer() const { return FBuffer.get(); }

    // Copies the pixels race-free. With topDown the top row comes first (the order
    // of most in-memory image types), otherwise the bottom row as stored. Each row
    // takes destBytesPerLine bytes (at least Width()); padding bytes are left alone.
    void CopyPixels(std::uint8_t* dest, int destBytesPerLine, bool topDown) const;
    // Copies line y (from the top) race-free into Width() bytes at dest; nothing
    // outside the image.
    void CopyLine(int y, std::uint8_t* dest) const;
    // All pixel memory as stored: bottom-up, BytesPerLine() per row. When size is
    // given it receives the size of the copied image (for threads other than the owner's).
    std::vector<std::uint8_t> CopyPixels(TSize* size = nullptr) const;

    int ColorCount() const;
    // The first ColorCount entries of the table as TColor.
    std::vector<TColor> Colors() const;
    // Writes entries 0 .. n-1 of the table (the rest keep their values) and sets
    // ColorCount to n. Fails with "Invalid number of colors (up to 256)." unless
    // 1 <= n <= 256, changing nothing. Pixels are not touched.
    void SetColors(const std::vector<TColor>& colors);
    // The whole table in color-table form: blue in the low byte, then green, red
    // and a reserved byte (0xRRGGBB as a 32-bit value, as most image libraries use).
    std::array<std::uint32_t, 256> ColorTable() const;

    // The standard 16-color palette as TColor.
    static const std::array<TColor, 16>& StandardColors();

private:
    // Every worker writes each pixel through here: keep it inline.
    void StorePixel(std::size_t offset, std::uint8_t value)
    {
        std::atomic_ref<std::uint8_t>(FBuffer[offset]).store(value, std::memory_order_relaxed);
    }

    std::unique_ptr<std::uint8_t[]> FBuffer;
    int FBytesPerLine = 0;
    int FWidth = 0;
    int FHeight = 0;
    int FColorCount = 0;
    std::array<std::uint32_t, 256> FTable{};
    // Guards the geometry against copies from other threads, and the color table.
    mutable std::mutex FLock;
};

} // namespace quillon
