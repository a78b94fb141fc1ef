#include "RenderHost.h"

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

TRenderHost::TRenderHost()
{
    FColorMap.OnChanged = [this](TColorMap&) { FProcessor.SetColors(FColorMap.AsColorArray()); };
    SetApplicationDefaultColorMap(FColorMap);
}

void TRenderHost::SetView(const TView& value)
{
    if (value.GetValid()) FProcessor.SetView(value);
}

void TRenderHost::SetColorWrapping(bool value)
{
    TProcessorOptions options = FProcessor.Options();
    FProcessor.SetOptions(value ? options.Include(poColorWrapping) : options.Exclude(poColorWrapping));
}

int TRenderHost::FrameDelay() const
{
    return AnimationSpeedToInterval(FAnimationSpeedToInterval, FAnimationSpeed) / 10;
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
