#include "RenderProcessor.h"

#include "engine/ColorFns.h"

namespace quillon {

TRenderProcessor::~TRenderProcessor()
{
    // The workers call ComputeLine of this class: stop them before it goes.
    Stop();
}

void TRenderProcessor::ComputeLine(int y)
{
    TProcessor::ComputeLine(y);
    FLinesDone.fetch_add(1, std::memory_order_relaxed);
}

TIndexedImage IndexedImageOf(const TProcessor& processor, std::array<std::uint32_t, 256>& table)
{
    const TPaletteBitmap& bitmap = processor.Bitmap();
    const auto entries = bitmap.ColorTable();
    for (std::size_t i = 0; i < table.size(); ++i) table[i] = SwapRedBlue(entries[i]);
    TIndexedImage image;
    image.Width = bitmap.Width();
    image.Height = bitmap.Height();
    image.Pixels = bitmap.Buffer();
    image.BytesPerLine = bitmap.BytesPerLine();
    image.BottomUp = true;
    image.ColorTable = table.data();
    image.ColorCount = bitmap.ColorCount();
    return image;
}

} // namespace quillon
