#include "RgbPicture.h"

#include "ColorFns.h"
#include "Errors.h"

#include <algorithm>

namespace quillon {

namespace {

// Puts the view, size and band back on every way out.
class TKeepFrame {
public:
    explicit TKeepFrame(TProcessor& processor)
        : FProcessor(processor), FView(processor.View()), FSize(processor.Size()), FFirstLine(processor.BandFirstLine()),
          FPictureHeight(processor.BandPictureHeight())
    {
    }
    ~TKeepFrame()
    {
        try {
            FProcessor.Stop();
            FProcessor.SetBand(FFirstLine, FPictureHeight);
            FProcessor.SetSize(FSize);
            FProcessor.SetView(FView);
        } catch (...) {
            // Only a size the processor had before: nothing can fail here.
        }
    }
    TKeepFrame(const TKeepFrame&) = delete;
    TKeepFrame& operator=(const TKeepFrame&) = delete;

private:
    TProcessor& FProcessor;
    TView FView;
    TSize FSize;
    int FFirstLine;
    int FPictureHeight;
};

} // namespace

std::uint32_t AverageColors(const std::uint32_t* colors, int count)
{
    std::uint32_t sums[3] = {0, 0, 0};
    for (int k = 0; k < count; ++k)
        for (int c = 0; c < 3; ++c) sums[c] += (colors[k] >> (8 * c)) & 0xFF;
    const std::uint32_t n = static_cast<std::uint32_t>(count);
    std::uint32_t result = 0;
    for (int c = 0; c < 3; ++c) result |= ((sums[c] + n / 2) / n) << (8 * c);
    return result;
}

TRgbPicture RenderRgbPicture(TProcessor& processor, const TSize& size, int samples,
                             const std::function<void(int linesDone)>& runBand, int bandSamples)
{
    if (samples < 1 || samples > MaxSupersample) throw EQuillonError("Invalid number of samples.");
    if (size.Width <= 0 || size.Height <= 0) throw EQuillonError("Invalid size.");
    TRgbPicture picture;
    picture.Width = size.Width;
    picture.Height = size.Height;
    picture.Pixels.assign(static_cast<std::size_t>(size.Width) * static_cast<std::size_t>(size.Height), 0);

    TKeepFrame keep(processor);
    processor.Stop();
    const int n = samples;
    const int bigWidth = size.Width * n;
    const int bigHeight = size.Height * n;
    TView view = processor.View();
    view.Scale = view.Scale / n;
    processor.SetView(view);
    // Output lines per band: as many as the sample budget allows, at least one.
    const std::int64_t perLine = static_cast<std::int64_t>(bigWidth) * n;
    const int bandLines = static_cast<int>(std::clamp<std::int64_t>(bandSamples / perLine, 1, size.Height));

    std::vector<std::uint32_t> colors;
    std::vector<std::uint32_t> block(static_cast<std::size_t>(n) * static_cast<std::size_t>(n));
    for (int first = 0; first < size.Height; first += bandLines) {
        const int lines = std::min(bandLines, size.Height - first);
        processor.SetSize({bigWidth, lines * n});
        processor.SetBand(first * n, bigHeight);
        runBand(first);
        colors.resize(static_cast<std::size_t>(bigWidth) * static_cast<std::size_t>(lines * n));
        processor.CopySmoothPixels(colors.data(), bigWidth, 0, lines * n);
        for (int y = 0; y < lines; ++y) {
            std::uint32_t* out = picture.Pixels.data() + static_cast<std::size_t>(first + y) * size.Width;
            for (int x = 0; x < size.Width; ++x) {
                for (int by = 0; by < n; ++by)
                    for (int bx = 0; bx < n; ++bx)
                        block[static_cast<std::size_t>(by * n + bx)] =
                            colors[static_cast<std::size_t>(y * n + by) * static_cast<std::size_t>(bigWidth) +
                                   static_cast<std::size_t>(x * n + bx)];
                // Table form in, TColor out.
                out[x] = SwapRedBlue(AverageColors(block.data(), n * n)) & 0xFFFFFF;
            }
        }
    }
    return picture;
}

} // namespace quillon
