#pragma once
// A scenery host without a window: the scene's settings applied to a processor
// and a color map that it owns, plus the animation settings a window would
// hold. The command-line renderer, the tests and the fuzzers build on it.
#include "colormap/ColorMap.h"
#include "engine/MandelbrotProcessor.h"
#include "persist/SceneryDefaults.h"
#include "persist/SceneryFile.h"

#include <memory>

namespace quillon {

class TProcessorSceneryHost : public ISceneryHost {
public:
    // How the algorithm setter treats the view.
    enum class TAlgorithmSwitch {
        Plain,     // only the algorithm changes: a scene always carries its view
        HomeViews  // like the window: the Julia set brings its home view, the way back the kept view
    };

    // Starts from the program's default state: the processor's defaults and the
    // application's default color map. A null Processor means a plain TProcessor.
    explicit TProcessorSceneryHost(std::unique_ptr<TProcessor> processor = nullptr,
                                   TAlgorithmSwitch algorithmSwitch = TAlgorithmSwitch::Plain);
    ~TProcessorSceneryHost() override;

    TProcessor& Processor() { return *FProcessor; }
    const TProcessor& Processor() const { return *FProcessor; }
    TColorMap& WorkingColorMap() { return FColorMap; }

    TView View() const override { return FProcessor->View(); }
    int MaxSteps() const override { return FProcessor->MaxSteps(); }
    double MaxAbs() const override { return FProcessor->MaxAbs(); }
    int AnimationSpeed() const override { return FAnimationSpeed; }
    TUpDown AnimationDirection() const override { return FAnimationDirection; }
    double InteriorFactor() const override { return FProcessor->InteriorFactor(); }
    int ColorOffset() const override { return FProcessor->ColorOffset(); }
    bool ColorWrapping() const override { return FProcessor->Options().Contains(poColorWrapping); }
    TAlgorithm Algorithm() const override { return FProcessor->Algorithm(); }
    TPoint2D JuliaPoint() const override { return FProcessor->JuliaPoint(); }
    const TColorMap& ColorMap() const override { return FColorMap; }

    // Like the window, an empty view is ignored.
    void SetView(const TView& value) override;
    void SetMaxSteps(int value) override { FProcessor->SetMaxSteps(value); }
    void SetMaxAbs(double value) override { FProcessor->SetMaxAbs(value); }
    void SetAnimationSpeed(int value) override;
    void SetAnimationDirection(TUpDown value) override { FAnimationDirection = value; }
    void SetInteriorFactor(double value) override { FProcessor->SetInteriorFactor(value); }
    void SetColorOffset(int value) override { FProcessor->SetColorOffset(value); }
    void SetColorWrapping(bool value) override;
    void SetAlgorithm(TAlgorithm value) override;
    void SetJuliaPoint(const TPoint2D& value) override { FProcessor->SetJuliaPoint(value); }
    // The map's change event installs its palette in the processor.
    void SetColorMap(const TColorMap& map) override { FColorMap.Assign(map); }
    void ClearHistory() override {}
    void StopRendering() override { FProcessor->Stop(); }
    // Nothing here starts a rendering by itself.
    void LockRendering() override {}
    void UnlockRendering() override {}

private:
    std::unique_ptr<TProcessor> FProcessor;
    TColorMap FColorMap;
    TAlgorithmSwitch FAlgorithmSwitch;
    TView FViewBackup;
    int FAnimationSpeed = DefaultAnimationSpeed;
    TUpDown FAnimationDirection = DefaultAnimationDirection;
};

} // namespace quillon
