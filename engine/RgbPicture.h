#pragma once
// 24-bit pictures of a processor's scene: smooth colors, and N x N samples per
// pixel. The picture is rendered at N times the width and height with the same
// center and angle and the scale divided by N; each N x N block of that
// picture's colors gives one pixel, per channel (sum + count / 2) / count.
// The large picture is rendered in bands of lines, never whole.
#include "MandelbrotProcessor.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace quillon {

inline constexpr int MaxSupersample = 8;

struct TRgbPicture {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint32_t> Pixels; // TColor, top row first
};

// The per-channel average of Count colors (TColor or table form alike):
// (sum + count / 2) / count.
std::uint32_t AverageColors(const std::uint32_t* colors, int count);

// Renders the processor's scene at Size with Samples x Samples samples per
// pixel (1 .. MaxSupersample; "Invalid number of samples." otherwise), with the processor's
// smooth colors setting. RunBand renders the processor as it stands and waits
// for it (the caller's progress and interruption): it is called once per band,
// with the output lines done so far before it. The processor's view, size and
// band are back as they were afterwards, also after a failure. BandSamples
// bounds the samples one band holds.
TRgbPicture RenderRgbPicture(TProcessor& processor, const TSize& size, int samples,
                             const std::function<void(int linesDone)>& runBand, int bandSamples = 1 << 22);

} // namespace quillon
