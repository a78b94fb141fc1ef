#include "ProcessorSceneryHost.h"

#include "engine/AnimationSpeed.h"

namespace quillon {

TProcessorSceneryHost::TProcessorSceneryHost(std::unique_ptr<TProcessor> processor, TAlgorithmSwitch algorithmSwitch)
    : FProcessor(processor ? std::move(processor) : std::make_unique<TProcessor>()), FAlgorithmSwitch(algorithmSwitch)
{
    FColorMap.OnChanged = [this](TColorMap&) { FProcessor->SetColors(FColorMap.AsColorArray()); };
    SetApplicationDefaultColorMap(FColorMap);
}

TProcessorSceneryHost::~TProcessorSceneryHost() = default;

void TProcessorSceneryHost::SetView(const TView& value)
{
    if (value.GetValid()) FProcessor->SetView(value);
}

void TProcessorSceneryHost::SetAnimationSpeed(int value)
{
    FAnimationSpeed = ClampAnimationSpeed(value);
}

void TProcessorSceneryHost::SetColorWrapping(bool value)
{
    TProcessorOptions options = FProcessor->Options();
    FProcessor->SetOptions(value ? options.Include(poColorWrapping) : options.Exclude(poColorWrapping));
}

void TProcessorSceneryHost::SetAlgorithm(TAlgorithm value)
{
    if (FAlgorithmSwitch == TAlgorithmSwitch::Plain || value == FProcessor->Algorithm()) {
        FProcessor->SetAlgorithm(value);
        return;
    }
    if (value == alJulia) {
        FViewBackup = FProcessor->View();
        FProcessor->SetAlgorithm(value);
        SetView(HomeView(alJulia));
    } else {
        FProcessor->SetAlgorithm(value);
        SetView(FViewBackup);
    }
}

} // namespace quillon
