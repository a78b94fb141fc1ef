#pragma once
// The renderer's side of a scenery file: the scene's settings applied to a
// processor and a color map, plus the animation settings a window would hold.
#include "colormap/ColorMap.h"
#include "engine/AnimationSpeed.h"
#include "engine/MandelbrotProcessor.h"
#include "persist/ProcessorSceneryHost.h"

#include <array>
#include <atomic>
#include <cstdint>

#include "imageio/IndexedImage.h"

namespace quillon {

// A processor that counts the lines its workers have finished, for progress.
class TRenderProcessor : public TProcessor {
public:
    ~TRenderProcessor() override;

    void ComputeLine(int y) override;
    int LinesDone() const { return FLinesDone.load(std::memory_order_relaxed); }
    void ResetLinesDone() { FLinesDone.store(0, std::memory_order_relaxed); }

private:
    std::atomic<int> FLinesDone{0};
};

// The program's default state: default view, 50 steps, escape radius 2, the
// application's default color map, animation speed 5 upwards. A scene always
// carries its view, so the algorithm setter switches no home views.
class TRenderHost : public TProcessorSceneryHost {
public:
    TRenderHost();

    TRenderProcessor& Processor() { return *FRenderProcessor; }
    const TRenderProcessor& Processor() const { return *FRenderProcessor; }

    // Delay of one animation frame in hundredths of a second.
    int FrameDelay() const;

private:
    TRenderProcessor* FRenderProcessor = nullptr; // owned by the base
    TConverter FAnimationSpeedToInterval = MakeAnimationSpeedConverter();
};

// The processor's image with its color table as it stands, for the writers.
// Table receives the 256 entries in TColor form and must outlive the result.
// Only while no worker runs.
TIndexedImage IndexedImageOf(const TProcessor& processor, std::array<std::uint32_t, 256>& table);

} // namespace quillon
