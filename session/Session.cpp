// The session's state and rendering: start and stop, the picture's setters,
// colors and the palette animation.
#include "session/Session.h"

#include "persist/SceneryDefaults.h"

#include <exception>

namespace quillon {

TSession::TBatch::TBatch(TSession& session) : FSession(session), FExceptions(std::uncaught_exceptions())
{
    ++FSession.FBatchDepth;
}

// A failed operation reports what it changed before it failed; a failure of
// the report itself then gives way to the first one.
TSession::TBatch::~TBatch() noexcept(false)
{
    if (--FSession.FBatchDepth != 0 || FSession.FPending.Empty()) return;
    const TSessionChanges changes = FSession.FPending;
    FSession.FPending = {};
    if (!FSession.OnChanged) return;
    if (std::uncaught_exceptions() == FExceptions) {
        FSession.OnChanged(changes);
        return;
    }
    try {
        FSession.OnChanged(changes);
    } catch (...) {
    }
}

TSession::TSession(std::unique_ptr<TProcessor> processor)
    : FProcessor(processor ? std::move(processor) : std::make_unique<TProcessor>()),
      FAnimationDirection(DefaultAnimationDirection), FAnimationSpeedToInterval(MakeAnimationSpeedConverter())
{
    SetApplicationDefaultColorMap(FDefaultColorMap);
    FColorMap.OnChanged = [this](TColorMap&) { ApplyColorMap(); };
    TRenderLock lock(*this);
    FColorMap.Assign(FDefaultColorMap);
}

TSession::~TSession()
{
    FColorMap.OnChanged = nullptr;
    // The workers stop before anything they paint into goes.
    FProcessor.reset();
}

void TSession::Changed(TSessionChanges changes)
{
    TBatch batch(*this);
    FPending.Include(changes);
}

// --- Rendering ---------------------------------------------------------------

void TSession::SetRunning(bool value)
{
    if (!value) {
        // A rendering that ended since it was last checked is finished here too.
        if (!Running() && !FRendering) return;
        FProcessor->SetRunning(false);
        FinishRendering();
        return;
    }
    if (Running() || FLockCount != 0) return;
    FProcessor->Start();
    FRendering = true;
    ++FRenderStartCount;
    Changed({scRunning});
}

bool TSession::CheckRendering()
{
    if (!FRendering || Running()) return false;
    FinishRendering();
    return true;
}

void TSession::FinishRendering()
{
    FRendering = false;
    Changed({scRunning});
}

void TSession::CheckAutoRender()
{
    if (FAutoRender) SetRunning(true);
}

void TSession::SetAutoRender(bool value)
{
    if (value == FAutoRender) return;
    FAutoRender = value;
    Changed({scParameters});
}

// --- The picture -------------------------------------------------------------

void TSession::SetView(const TView& value)
{
    if (!value.GetValid() || value == View()) return;
    TBatch batch(*this);
    // Any view but the one Last view or Next view went to ends the way forward.
    const int ahead = FHistory.ForwardCount();
    FHistory.NoteView(value);
    if (FHistory.ForwardCount() != ahead) Changed({scHistory});
    FProcessor->SetView(value);
    Changed({scView});
    SetRunning(true);
}

void TSession::SetSize(const TSize& value)
{
    if (value == Size()) return;
    TBatch batch(*this);
    FProcessor->SetSize(value);
    // The zoom figure depends on the image width.
    Changed({scSize, scView});
    SetRunning(true);
}

void TSession::Setup(const TSize& size, const TView& view)
{
    if (size == Size() && view == View()) return;
    TBatch batch(*this);
    {
        TRenderLock lock(*this);
        // The size first: an image the memory cannot hold leaves the view as well.
        SetSize(size);
        SetView(view);
    }
    SetRunning(true);
}

void TSession::SetMaxSteps(int value)
{
    if (value == MaxSteps()) return;
    TBatch batch(*this);
    FProcessor->SetMaxSteps(value);
    Changed({scParameters});
    CheckAutoRender();
}

void TSession::SetMaxAbs(double value)
{
    if (value == MaxAbs()) return;
    TBatch batch(*this);
    FProcessor->SetMaxAbs(value);
    Changed({scParameters});
    CheckAutoRender();
}

void TSession::SetOption(TProcessorOption option, bool value)
{
    if (value == FProcessor->Options().Contains(option)) return;
    TBatch batch(*this);
    TProcessorOptions options = FProcessor->Options();
    FProcessor->SetOptions(value ? options.Include(option) : options.Exclude(option));
    Changed({scParameters});
    CheckAutoRender();
}

void TSession::SetInteriorVisible(bool value)
{
    SetOption(poInterior, value);
}

void TSession::SetColorWrapping(bool value)
{
    SetOption(poColorWrapping, value);
}

void TSession::SetSmoothColors(bool value)
{
    if (value == SmoothColors()) return;
    TBatch batch(*this);
    FProcessor->SetSmoothColors(value);
    // The colors on screen change at once when they go off.
    Changed({scParameters, scPalette});
    if (value) CheckAutoRender();
}

void TSession::SetInteriorFactor(double value)
{
    if (value == InteriorFactor()) return;
    FProcessor->SetInteriorFactor(value);
    Changed({scParameters});
}

void TSession::SetJuliaPoint(const TPoint2D& value)
{
    if (value == JuliaPoint()) return;
    FProcessor->SetJuliaPoint(value);
    Changed({scParameters});
}

// --- Colors ------------------------------------------------------------------

void TSession::SetColorMap(const TColorMap& map)
{
    // Refused before the working map takes its nodes: it would linger there
    // and in the settings while the screen keeps the old palette.
    CheckPaletteMap(map);
    if (map.Compare(FColorMap))
        ApplyColorMap(); // undoes a rotation of the palette in force
    else
        FColorMap.Assign(map);
}

void TSession::ApplyColorMap()
{
    const std::vector<TColor> colors = FColorMap.AsColorArray();
    TBatch batch(*this);
    SetRunning(false);
    FProcessor->SetColors(colors);
    Changed({scPalette});
    SetRunning(true);
}

void TSession::SetColorOffset(int value)
{
    if (value == ColorOffset()) return;
    FProcessor->SetColorOffset(value);
    Changed({scPalette});
}

// --- Palette animation -------------------------------------------------------

void TSession::SetAnimationSpeed(int value)
{
    value = ClampAnimationSpeed(value);
    if (value == FAnimationSpeed) return;
    FAnimationSpeed = value;
    Changed({scParameters});
}

void TSession::SetAnimationDirection(TUpDown value)
{
    if (value == FAnimationDirection) return;
    FAnimationDirection = value;
    Changed({scParameters});
}

int TSession::AnimationInterval() const
{
    return AnimationSpeedToInterval(FAnimationSpeedToInterval, FAnimationSpeed);
}

float TSession::AnimationSpeedToFrameRate(int value) const
{
    return quillon::AnimationSpeedToFrameRate(FAnimationSpeedToInterval, value);
}

int TSession::FrameRateToAnimationSpeed(float value) const
{
    return quillon::FrameRateToAnimationSpeed(FAnimationSpeedToInterval, value);
}

void TSession::RotatePalette()
{
    FProcessor->RotatePalette(FAnimationDirection);
    Changed({scPalette});
}

// --- Tools -------------------------------------------------------------------

void TSession::SetToolMode(TToolMode value)
{
    if (value == FToolMode) return;
    FToolMode = value;
    Changed({scParameters});
}

} // namespace quillon
