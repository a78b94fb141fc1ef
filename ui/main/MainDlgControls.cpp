// The control bar: Steps, Limit and Animation track bars and the properties
// behind them.
#include "ui/main/MainDlg.h"

#include <QtGui/QCursor>
#include <QtWidgets/QLabel>
#include <QtWidgets/QToolTip>
#include <QtCore/QTimer>
#include <QtGui/QAction>

#include <algorithm>

#include "engine/NumberFns.h"
#include "ui/main/Cursors.h"
#include "ui/main/logic/StatusTexts.h"
#include "ui/options/TrackBarEx.h"

namespace quillon {

namespace {

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}

} // namespace

void TMainDialog::UpdateParameterControls()
{
    const int steps = MaxSteps();
    if (FShown.MaxSteps != steps) {
        FShown.MaxSteps = steps;
        TrackBarMaxSteps->setValue(steps);
        TrackBarMaxSteps->setToolTip(Q(MaxStepsHint(steps)));
        SetStatusPanel(3, Q(Format("%d", {steps})));
    }
    const double limit = MaxAbs();
    if (FShown.MaxAbs != limit) {
        FShown.MaxAbs = limit;
        const auto position = RoundHalfEvenChecked(limit * 10);
        TrackBarMaxAbs->setValue(position ? static_cast<int>(std::clamp<std::int64_t>(*position, 10, 500)) : 10);
        TrackBarMaxAbs->setToolTip(Q(MaxAbsHint(limit)));
        SetStatusPanel(5, Q(Format("%.1f", {limit})));
    }
    const int speed = AnimationSpeed();
    if (FShown.AnimationSpeed != speed) {
        FShown.AnimationSpeed = speed;
        TimerRotatePalette->setInterval(FSession->AnimationInterval());
        TrackBarAnimationSpeed->setValue(speed);
    }
    ActionInteriorVisible->setChecked(InteriorVisible());
    ActionJulia->setChecked(Algorithm() == alJulia);
    ActionAutoRender->setChecked(AutoRender());
    UpdateToolMode();
}

void TMainDialog::UpdateToolMode()
{
    const TToolMode mode = ToolMode();
    if (FShown.ToolMode == mode)
        return;
    FShown.ToolMode = mode;
    ActionModeCursor->setChecked(mode == tmCursor);
    ActionModeSelection->setChecked(mode == tmSelection);
    if (mode == tmCursor)
        SetPaintBoxCursor(crDefault);
    else if (mode == tmSelection)
        SetPaintBoxCursor(crCross);
}

void TMainDialog::ShowTrackBarHint(TTrackBarEx* Bar, const QString& Text)
{
    // Only a bar under the pointer shows its hint there.
    if (Bar->underMouse() || Bar->isSliderDown())
        QToolTip::showText(QCursor::pos(), Text, Bar);
}

void TMainDialog::TrackBarMaxStepsChange()
{
    const QString text = Q(Format("%d", {TrackBarMaxSteps->value()}));
    TrackBarMaxSteps->setToolTip(text);
    ShowTrackBarHint(TrackBarMaxSteps, text);
    TrackBarMaxSteps->setToolTip(Q(MaxStepsHint(MaxSteps())));
}

void TMainDialog::TrackBarMaxStepsChanged()
{
    SetMaxSteps(TrackBarMaxSteps->value());
}

void TMainDialog::TrackBarMaxAbsChange()
{
    const QString text = Q(Format("%.1f", {TrackBarMaxAbs->value() / 10.0}));
    TrackBarMaxAbs->setToolTip(text);
    ShowTrackBarHint(TrackBarMaxAbs, text);
    TrackBarMaxAbs->setToolTip(Q(MaxAbsHint(MaxAbs())));
}

void TMainDialog::TrackBarMaxAbsChanged()
{
    SetMaxAbs(TrackBarMaxAbs->value() / 10.0);
}

void TMainDialog::TrackBarAnimationSpeedChange()
{
    SetAnimationSpeed(TrackBarAnimationSpeed->value());
    const QString text = Q(FrameRateHint(AnimationSpeedToFrameRate(AnimationSpeed())));
    TrackBarAnimationSpeed->setToolTip(text);
    ShowTrackBarHint(TrackBarAnimationSpeed, text);
}

int TMainDialog::AnimationSpeedToInterval(int Value) const
{
    return quillon::AnimationSpeedToInterval(FAnimationSpeedToInterval, Value);
}

int TMainDialog::IntervalToAnimationSpeed(int Value) const
{
    return quillon::IntervalToAnimationSpeed(FAnimationSpeedToInterval, Value);
}

float TMainDialog::AnimationSpeedToFrameRate(int Value) const
{
    return quillon::AnimationSpeedToFrameRate(FAnimationSpeedToInterval, Value);
}

int TMainDialog::FrameRateToAnimationSpeed(float Value) const
{
    return quillon::FrameRateToAnimationSpeed(FAnimationSpeedToInterval, Value);
}

} // namespace quillon
