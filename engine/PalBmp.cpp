#include "PalBmp.h"

#include "Errors.h"
#include "NumberFns.h"

#include <atomic>
#include <cstring>
#include <limits>
#include <new>

namespace quillon {

namespace {

std::uint8_t LoadByte(const std::uint8_t* p)
{
    // atomic_ref needs a non-const object; the load itself does not write.
    return std::atomic_ref<std::uint8_t>(*const_cast<std::uint8_t*>(p)).load(std::memory_order_relaxed);
}

} // namespace

const std::array<TColor, 16>& TPaletteBitmap::StandardColors()
{
    static const std::array<TColor, 16> colors = {
        0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0,
        0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF,
    };
    return colors;
}

TPaletteBitmap::TPaletteBitmap()
{
    const auto& standard = StandardColors();
    for (std::size_t i = 0; i < standard.size(); ++i) FTable[i] = SwapRedBlue(standard[i]);
    FColorCount = static_cast<int>(standard.size());
}

TPaletteBitmap::~TPaletteBitmap() = default;

void TPaletteBitmap::SetSize(const TSize& size)
{
    if (size == Size()) return;
    if (size.Width <= 0 || size.Height <= 0) throw EQuillonError("Invalid size.");
    SetSize(size.Width, size.Height);
}

void TPaletteBitmap::SetSize(int aWidth, int aHeight)
{
    if (aWidth == FWidth && aHeight == FHeight) return;
    if (aWidth < 0 || aHeight < 0) throw EQuillonError("Invalid size.");
    const std::size_t stride = (static_cast<std::size_t>(aWidth) + 3) / 4 * 4;
    const std::size_t bytes = stride * static_cast<std::size_t>(aHeight);
    if (stride > static_cast<std::size_t>(std::numeric_limits<int>::max())) throw EQuillonError("Invalid size.");
    // Allocate before anything changes, so a refused allocation keeps the old image.
    std::unique_ptr<std::uint8_t[]> buffer;
    try {
        if (bytes) buffer.reset(new std::uint8_t[bytes]());
    } catch (const std::bad_alloc&) {
        throw EQuillonError(Format("Not enough memory for an image of %dx%d.", {aWidth, aHeight}));
    }
    std::lock_guard lock(FLock);
    FBuffer = std::move(buffer);
    FBytesPerLine = static_cast<int>(stride);
    FWidth = aWidth;
    FHeight = aHeight;
}

std::uint8_t TPaletteBitmap::GetBuffer(int x, int y) const
{
    std::lock_guard lock(FLock);
    if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return 0;
    return LoadByte(&FBuffer[static_cast<std::size_t>(x) + static_cast<std::size_t>(FHeight - y - 1) * FBytesPerLine]);
}

void TPaletteBitmap::CopyPixels(std::uint8_t* dest, int destBytesPerLine, bool topDown) const
{
    std::lock_guard lock(FLock);
    for (int row = 0; row < FHeight; ++row) {
        const std::uint8_t* src = FBuffer.get() + static_cast<std::size_t>(row) * FBytesPerLine;
        const int destRow = topDown ? FHeight - 1 - row : row;
        std::uint8_t* d = dest + static_cast<std::size_t>(destRow) * destBytesPerLine;
        for (int x = 0; x < FWidth; ++x) d[x] = LoadByte(src + x);
    }
}

void TPaletteBitmap::CopyLine(int y, std::uint8_t* dest) const
{
    std::lock_guard lock(FLock);
    if (y < 0 || y >= FHeight) return;
    const std::uint8_t* src = FBuffer.get() + static_cast<std::size_t>(FHeight - y - 1) * FBytesPerLine;
    for (int x = 0; x < FWidth; ++x) dest[x] = LoadByte(src + x);
}

std::vector<std::uint8_t> TPaletteBitmap::CopyPixels(TSize* size) const
{
    std::lock_guard lock(FLock);
    const std::size_t bytes = static_cast<std::size_t>(FBytesPerLine) * static_cast<std::size_t>(FHeight);
    std::vector<std::uint8_t> result(bytes);
    for (std::size_t i = 0; i < bytes; ++i) result[i] = LoadByte(FBuffer.get() + i);
    if (size) *size = {FWidth, FHeight};
    return result;
}

int TPaletteBitmap::ColorCount() const
{
    std::lock_guard lock(FLock);
    return FColorCount;
}

std::vector<TColor> TPaletteBitmap::Colors() const
{
    std::lock_guard lock(FLock);
    std::vector<TColor> result(static_cast<std::size_t>(FColorCount));
    for (std::size_t i = 0; i < result.size(); ++i) result[i] = SwapRedBlue(FTable[i]);
    return result;
}

void TPaletteBitmap::SetColors(const std::vector<TColor>& colors)
{
    if (colors.empty() || colors.size() > 256) throw EQuillonError("Invalid number of colors (up to 256).");
    std::lock_guard lock(FLock);
    for (std::size_t i = 0; i < colors.size(); ++i) FTable[i] = SwapRedBlue(colors[i]);
    FColorCount = static_cast<int>(colors.size());
}

std::array<std::uint32_t, 256> TPaletteBitmap::ColorTable() const
{
    std::lock_guard lock(FLock);
    return FTable;
}

} // namespace quillon
