// Going back: Last view, Home and Reset.
#include "ui/main/MainDlg.h"

#include <QtGui/QAction>

#include "ui/main/PaintBox.h"

#include "colormap/ColorMap.h"

namespace quillon {

void TMainDialog::ZoomBy(double Factor)
{
    TView view = View();
    view.Scale = view.Scale * Factor;
    SetView(view);
    SetRunning(true);
}

TView TMainDialog::GetClickView(const QPoint& P) const
{
    const TPoint2D center = PaintBoxToLog(P);
    if (FSelection.GetValid())
        return TView::Create(center, FSelection.Scale, FSelection.Angle);
    const TView view = View();
    return TView::Create(center, view.Scale / FLastSelectionRatio, view.Angle);
}

void TMainDialog::ZoomToTarget()
{
    FHistory.Push(View());
    if (FToolMode == tmCursor)
        SetView(GetClickView(DownPoint()));
    else if (FToolMode == tmSelection)
        SetView(FSelection.GetValid() ? FSelection : GetClickView(DownPoint()));
    FSelection.Invalidate();
    PaintBox->update();
}

void TMainDialog::ActionPopHistoryExecute()
{
    TView view;
    if (!FHistory.Pop(view))
        return;
    FProcessor->StopIfRunning();
    try {
        // The view being left stays marked, so a double-click zooms back into it.
        FSelection = FProcessor->View();
        SetView(view);
    } catch (...) {
        FProcessor->RestartIfStopped();
        throw;
    }
    FProcessor->RestartIfStopped();
}

void TMainDialog::ActionHomeExecute()
{
    const TView home = HomeView(Algorithm());
    // Mark where the exploration started.
    TView second;
    if (FHistory.Count() == 1)
        FSelection = View();
    else if (FHistory.Second(second))
        FSelection = second;
    FHistory.Clear();
    SetView(home);
    SetRunning(true);
}

void TMainDialog::ActionResetExecute()
{
    Reset();
}

void TMainDialog::Reset()
{
    SetRunning(false);
    FInitializing = true;
    LockRendering();
    try {
        FHistory.Clear();
        FSelection.Invalidate();
        FProcessor->Reset();
        SetMaxSteps(FProcessor->MaxSteps());
        SetMaxAbs(FProcessor->MaxAbs());
        SetView(FProcessor->View());
        ActionInteriorVisible->setChecked(false);
        ActionJulia->setChecked(false);
        // Installed also when the working map already equals the default one.
        FColorMap->Assign(*FDefaultColorMap);
        ApplyColorMap();
    } catch (...) {
        UnlockRendering();
        FInitializing = false;
        throw;
    }
    UnlockRendering();
    FInitializing = false;
    SetRunning(true);
}

} // namespace quillon
