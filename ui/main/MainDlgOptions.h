#pragma once
// The main window's "Options..." and "About..." commands, and what the
// options chapters see of the window.
#include "ui/options/OptionsHost.h"

namespace quillon {

class TAboutBox;
class TMainDialog;

// The window's live settings for the options chapters.
class TMainDialogOptionsHost : public IOptionsHost {
public:
    explicit TMainDialogOptionsHost(TMainDialog& Owner) : FOwner(Owner) {}

    TView View() const override;
    TSize Size() const override;
    void Setup(const TSize& ASize, const TView& AView) override;

    int MaxSteps() const override;
    void SetMaxSteps(int Value) override;
    double MaxAbs() const override;
    void SetMaxAbs(double Value) override;

    TColorMap& ColorMap() override;
    const TColorMap& DefaultColorMap() const override;

    TUpDown AnimationDirection() const override;
    void SetAnimationDirection(TUpDown Value) override;
    bool ColorWrapping() const override;
    void SetColorWrapping(bool Value) override;
    int AnimationSpeed() const override;
    void SetAnimationSpeed(int Value) override;
    float AnimationSpeedToFrameRate(int Value) const override;
    int FrameRateToAnimationSpeed(float Value) const override;
    int ColorOffset() const override;
    void SetColorOffset(int Value) override;
    double InteriorFactor() const override;
    void SetInteriorFactor(double Value) override;

private:
    TMainDialog& FOwner;
};

// The window's About box (made on first use, owned by the window): caption
// "About", language $0409, three lines of terms and one link.
TAboutBox& MainAboutBox(TMainDialog& Window);

// Connects "Options..." (the options dialog on the window's settings) and
// "About..." and makes both available.
void ConnectOptionsCommands(TMainDialog& Window);

} // namespace quillon
