#pragma once
// The renderer's side of a scenery file: the scene's settings applied to a
// processor and a color map, plus the animation settings a window would hold.
#include "colormap/ColorMap.h"
#include "engine/AnimationSpeed.h"
#include "engine/MandelbrotProcessor.h"
#include "persist/SceneryDefaults.h"
#include "persist/SceneryFile.h"

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
// application's default color map, animation speed 5 upwards.
class TRenderHost : public ISceneryHost {
public:
    TRenderHost();

    TRenderProcessor& Processor() { return FProcessor; }
    const TRenderProcessor& Processor() const { return FProcessor; }

    TView View() const override { return FProcessor.View(); }
    int MaxSteps() const override { return FProcessor.MaxSteps(); }
    double MaxAbs() const override { return FProcessor.MaxAbs(); }
    int AnimationSpeed() const override { return FAnimationSpeed; }
    TUpDown AnimationDirection() const override { return FAnimationDirection; }
    double InteriorFactor() const override { return FProcessor.InteriorFactor(); }
    int ColorOffset() const override { return FProcessor.ColorOffset(); }
    bool ColorWrapping() const override { return FProcessor.Options().Contains(poColorWrapping); }
    TAlgorithm Algorithm() const override { return FProcessor.Algorithm(); }
    TPoint2D JuliaPoint() const override { return FProcessor.JuliaPoint(); }
    const TColorMap& ColorMap() const override { return FColorMap; }

    // Like the window, an empty view is ignored.
    void SetView(const TView& value) override;
    void SetMaxSteps(int value) override { FProcessor.SetMaxSteps(value); }
    void SetMaxAbs(double value) override { FProcessor.SetMaxAbs(value); }
    void SetAnimationSpeed(int value) override { FAnimationSpeed = ClampAnimationSpeed(value); }
    void SetAnimationDirection(TUpDown value) override { FAnimationDirection = value; }
    void SetInteriorFactor(double value) override { FProcessor.SetInteriorFactor(value); }
    void SetColorOffset(int value) override { FProcessor.SetColorOffset(value); }
    void SetColorWrapping(bool value) override;
    // No home views to switch to: a scene always carries its view.
    void SetAlgorithm(TAlgorithm value) override { FProcessor.SetAlgorithm(value); }
    void SetJuliaPoint(const TPoint2D& value) override { FProcessor.SetJuliaPoint(value); }
    void SetColorMap(const TColorMap& map) override { FColorMap.Assign(map); }
    void ClearHistory() override {}
    void StopRendering() override { FProcessor.Stop(); }
    // Nothing here starts a rendering by itself.
    void LockRendering() override {}
    void UnlockRendering() override {}

    // Delay of one animation frame in hundredths of a second.
    int FrameDelay() const;

private:
    TRenderProcessor FProcessor;
    TColorMap FColorMap;
    TConverter FAnimationSpeedToInterval = MakeAnimationSpeedConverter();
    int FAnimationSpeed = DefaultAnimationSpeed;
    TUpDown FAnimationDirection = DefaultAnimationDirection;
};

// The processor's image with its color table as it stands, for the writers.
// Table receives the 256 entries in TColor form and must outlive the result.
// Only while no worker runs.
TIndexedImage IndexedImageOf(const TProcessor& processor, std::array<std::uint32_t, 256>& table);

} // namespace quillon
