// Going back and zooming: Last view, Home, Reset and the zoom commands, as
// the session carries them out.
#include "ui/main/MainDlg.h"

namespace quillon {

void TMainDialog::ZoomBy(double Factor)
{
    FSession->ZoomBy(Factor);
}

TView TMainDialog::GetClickView(const QPoint& P) const
{
    return FSession->ClickView(PaintBoxToPrecise(P));
}

void TMainDialog::ZoomToTarget()
{
    FSession->ZoomToTarget(PaintBoxToPrecise(DownPoint()));
}

void TMainDialog::ActionPopHistoryExecute()
{
    FSession->PopHistory();
}

void TMainDialog::ActionHomeExecute()
{
    FSession->Home();
}

void TMainDialog::ActionResetExecute()
{
    Reset();
}

} // namespace quillon
