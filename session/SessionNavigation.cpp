// Going places: the history, Home and Reset, zooming, the Julia switch, the
// selection and scenes from files.
#include "session/Session.h"

#include "persist/SceneImage.h"
#include "session/PointerZoom.h"

#include <algorithm>
#include <cmath>

namespace quillon {

namespace {

// A scale that zooming makes, stopped at the deepest one.
double Stopped(double scale)
{
    return scale != 0 && std::abs(scale) < DeepestScale ? std::copysign(DeepestScale, scale) : scale;
}

} // namespace

// --- History -----------------------------------------------------------------

void TSession::ClearHistory()
{
    FHistory.Clear();
    // A loaded scene has no way back, also not through the Julia switch.
    FHistoryBackup.Clear();
    Changed({scHistory});
}

bool TSession::PopHistory()
{
    TView view;
    if (!FHistory.Back(View(), view)) return false;
    TBatch batch(*this);
    Changed({scHistory});
    TRenderPause pause(*FProcessor);
    // The view being left stays marked, so a double-click zooms back into it.
    FSelection = View();
    Changed({scSelection});
    SetView(view);
    return true;
}

bool TSession::NextView()
{
    TView view;
    if (!FHistory.Forward(View(), view)) return false;
    TBatch batch(*this);
    Changed({scHistory});
    TRenderPause pause(*FProcessor);
    FSelection.Invalidate();
    Changed({scSelection});
    SetView(view);
    return true;
}

void TSession::Home()
{
    const TView home = HomeView(Algorithm());
    TBatch batch(*this);
    // Mark where the exploration started.
    TView second;
    if (FHistory.Count() == 1)
        FSelection = View();
    else if (FHistory.Second(second))
        FSelection = second;
    FHistory.Clear();
    Changed({scHistory, scSelection});
    SetView(home);
    SetRunning(true);
}

void TSession::Reset()
{
    TBatch batch(*this);
    SetRunning(false);
    {
        TRenderLock lock(*this);
        FHistory.Clear();
        FSelection.Invalidate();
        FProcessor->Reset();
        // Everything may have changed, the size aside.
        Changed(TSessionChanges::All().Exclude(scSize).Exclude(scRunning));
        // Installed also when the working map already equals the default one.
        FColorMap.Assign(FDefaultColorMap);
        ApplyColorMap();
    }
    SetRunning(true);
}

// --- Zooming -----------------------------------------------------------------

void TSession::ZoomBy(double factor)
{
    TView view = View();
    view.Scale = Stopped(view.Scale * factor);
    TBatch batch(*this);
    SetView(view);
    SetRunning(true);
}

void TSession::ZoomAt(const TPoint2D& anchor, double factor)
{
    ZoomAt(TPreciseCenter{TPreciseNumber(anchor.x), TPreciseNumber(anchor.y)}, factor);
}

void TSession::ZoomAt(const TPreciseCenter& anchor, double factor)
{
    // Stopped at the deepest scale, still about the anchor.
    const double scale = std::abs(View().Scale);
    const bool stops = scale != 0 && scale * factor < DeepestScale;
    if (stops) factor = std::min(1.0, DeepestScale / scale);
    TView view = ZoomAbout(View(), anchor, factor);
    view.Scale = stops ? std::copysign(DeepestScale, View().Scale) : view.Scale;
    TBatch batch(*this);
    SetView(view);
    SetRunning(true);
}

TView TSession::ClickView(const TPoint2D& center) const
{
    return ClickView(TPreciseCenter{TPreciseNumber(center.x), TPreciseNumber(center.y)});
}

TView TSession::ClickView(const TPreciseCenter& center) const
{
    const TView view = View();
    TView result = FSelection.GetValid() ? TView::Create({}, FSelection.Scale, FSelection.Angle)
                                         : TView::Create({}, view.Scale / FLastSelectionRatio, view.Angle);
    result.Scale = Stopped(result.Scale);
    result.SetPreciseCenter(center);
    return result;
}

void TSession::ZoomToTarget(const TPoint2D& center)
{
    ZoomToTarget(TPreciseCenter{TPreciseNumber(center.x), TPreciseNumber(center.y)});
}

void TSession::ZoomToTarget(const TPreciseCenter& center)
{
    TBatch batch(*this);
    FHistory.Push(View());
    Changed({scHistory});
    if (FToolMode == tmCursor)
        SetView(ClickView(center));
    else if (FToolMode == tmSelection)
        SetView(FSelection.GetValid() ? FSelection : ClickView(center));
    FSelection.Invalidate();
    Changed({scSelection});
}

// --- The Julia switch --------------------------------------------------------

void TSession::SetAlgorithm(TAlgorithm value)
{
    if (value == Algorithm()) return;
    TBatch batch(*this);
    FProcessor->SetAlgorithm(value);
    Changed({scParameters, scHistory, scSelection});
    if (value == alJulia) {
        FHistoryBackup.Assign(FHistory);
        FSelectionBackup = FSelection;
        FViewBackup = View();
        FProcessor->SetJuliaPoint(FSelection.GetValid() ? FSelection.Center : View().Center);
        SetView(HomeView(alJulia));
        FHistory.Clear();
        FSelection.Invalidate();
    } else {
        FHistory.Assign(FHistoryBackup);
        FSelection = FSelectionBackup;
        SetView(FViewBackup);
    }
    SetRunning(true);
}

void TSession::ShowJuliaSet(const TPoint2D& point)
{
    TBatch batch(*this);
    SetRunning(false);
    {
        // One rendering, of the new point only.
        TRenderLock lock(*this);
        SetAlgorithm(alJulia);
        SetJuliaPoint(point);
    }
    SetRunning(true);
}

void TSession::SetAlgorithmAndJuliaPoint(TAlgorithm value, const TPoint2D& point)
{
    if (value == Algorithm() && point == JuliaPoint()) return;
    if (value == alJulia) {
        ShowJuliaSet(point);
        return;
    }
    TBatch batch(*this);
    SetAlgorithm(alMandelbrot);
    // Shown by nothing now; saved with the scene.
    SetJuliaPoint(point);
}

// --- Selection ---------------------------------------------------------------

void TSession::SetSelection(const TView& value)
{
    FSelection = value;
    Changed({scSelection});
}

void TSession::SetSelectionAngle(double value)
{
    if (value == FSelection.Angle) return;
    FSelection.Angle = value;
    Changed({scSelection});
}

bool TSession::DeleteSelection()
{
    if (!FSelection.GetValid()) return false;
    FSelection.Invalidate();
    FLastSelectionRatio = 10.0;
    Changed({scSelection});
    return true;
}

bool TSession::ScaleSelection(double factor)
{
    if (!FSelection.GetValid()) return false;
    FSelection.Scale = FSelection.Scale * factor;
    Changed({scSelection});
    return true;
}

bool TSession::UnscaleSelection(double factor)
{
    if (!FSelection.GetValid()) return false;
    FSelection.Scale = FSelection.Scale / factor;
    Changed({scSelection});
    return true;
}

// --- Scenes ------------------------------------------------------------------

void TSession::LoadFromFile(const std::string& path)
{
    TBatch batch(*this);
    // Whatever applied before a failure is reported as well.
    Changed(TSessionChanges::All().Exclude(scSize).Exclude(scRunning));
    LoadSceneFromFile(*this, path);
}

void TSession::SaveToFile(const std::string& path) const
{
    SaveSceneryFile(*this, path);
}

} // namespace quillon
