#include "ui/main/MainDlgOptions.h"

#include <QtGui/QAction>

#include "colormap/ColorMap.h"
#include "ui/auxiliary/AboutBox.h"
#include "ui/common/ErrorReport.h"
#include "ui/main/MainDlg.h"
#include "ui/options/OptionsDlg.h"

namespace quillon {

TView TMainDialogOptionsHost::View() const { return FOwner.View(); }
TSize TMainDialogOptionsHost::Size() const { return FOwner.Size(); }
void TMainDialogOptionsHost::Setup(const TSize& ASize, const TView& AView) { FOwner.Setup(ASize, AView); }

int TMainDialogOptionsHost::MaxSteps() const { return FOwner.MaxSteps(); }
void TMainDialogOptionsHost::SetMaxSteps(int Value) { FOwner.SetMaxSteps(Value); }
double TMainDialogOptionsHost::MaxAbs() const { return FOwner.MaxAbs(); }
void TMainDialogOptionsHost::SetMaxAbs(double Value) { FOwner.SetMaxAbs(Value); }

TColorMap& TMainDialogOptionsHost::ColorMap() { return FOwner.ColorMap(); }
const TColorMap& TMainDialogOptionsHost::DefaultColorMap() const { return FOwner.DefaultColorMap(); }

TUpDown TMainDialogOptionsHost::AnimationDirection() const { return FOwner.AnimationDirection(); }
void TMainDialogOptionsHost::SetAnimationDirection(TUpDown Value) { FOwner.SetAnimationDirection(Value); }
bool TMainDialogOptionsHost::ColorWrapping() const { return FOwner.ColorWrapping(); }
void TMainDialogOptionsHost::SetColorWrapping(bool Value) { FOwner.SetColorWrapping(Value); }
int TMainDialogOptionsHost::AnimationSpeed() const { return FOwner.AnimationSpeed(); }
void TMainDialogOptionsHost::SetAnimationSpeed(int Value) { FOwner.SetAnimationSpeed(Value); }
float TMainDialogOptionsHost::AnimationSpeedToFrameRate(int Value) const
{
    return FOwner.AnimationSpeedToFrameRate(Value);
}
int TMainDialogOptionsHost::FrameRateToAnimationSpeed(float Value) const
{
    return FOwner.FrameRateToAnimationSpeed(Value);
}
int TMainDialogOptionsHost::ColorOffset() const { return FOwner.Processor().ColorOffset(); }
void TMainDialogOptionsHost::SetColorOffset(int Value) { FOwner.Processor().SetColorOffset(Value); }
double TMainDialogOptionsHost::InteriorFactor() const { return FOwner.Processor().InteriorFactor(); }
void TMainDialogOptionsHost::SetInteriorFactor(double Value) { FOwner.Processor().SetInteriorFactor(Value); }

TAboutBox& MainAboutBox(TMainDialog& Window)
{
    if (auto* box = Window.findChild<TAboutBox*>(QStringLiteral("AboutBox"), Qt::FindDirectChildrenOnly))
        return *box;
    auto* box = new TAboutBox(&Window);
    box->setObjectName(QStringLiteral("AboutBox"));
    box->SetParentWidget(&Window);
    box->SetCaption(QStringLiteral("About"));
    box->SetLanguageId(QStringLiteral("$0409"));
    box->SetInfo({QStringLiteral("Quillon is free software; pass it on."),
                  QStringLiteral("It comes without warranty of any kind."),
                  QStringLiteral("The images you make with it are yours.")});
    box->SetLinks({QStringLiteral("https://en.wikipedia.org/wiki/Mandelbrot_set")});
    return *box;
}

void ConnectOptionsCommands(TMainDialog& Window)
{
    QObject::connect(Window.ActionOptions, &QAction::triggered, &Window, [&Window] {
        RunReported([&Window] {
            TMainDialogOptionsHost host(Window);
            TOptionsDialog::Execute(host, &Window);
        });
    });
    QObject::connect(Window.ActionAbout, &QAction::triggered, &Window,
                     [&Window] { RunReported([&Window] { MainAboutBox(Window).Execute(); }); });
    TMainDialog::SetCommandAvailable(Window.ActionOptions, true);
    TMainDialog::SetCommandAvailable(Window.ActionAbout, true);
}

} // namespace quillon
