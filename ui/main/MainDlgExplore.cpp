// Exploring beyond the plain zoom: the way forward through the history, the
// zoom about the pointer and the Julia preview.
#include "ui/main/MainDlg.h"

#include <QtCore/QTimer>
#include <QtGui/QAction>
#include <QtWidgets/QFrame>

#include "persist/RegFns.h"
#include "persist/SettingsKeys.h"
#include "ui/common/ErrorReport.h"
#include "ui/main/JuliaPreview.h"
#include "session/Session.h"

namespace quillon {

// --- Next view ---------------------------------------------------------------------

void TMainDialog::ActionNextViewExecute()
{
    FSession->NextView();
}

// --- Zoom at the pointer -------------------------------------------------------------

void TMainDialog::ZoomAt(const QPoint& P, double Factor)
{
    // Refused while rendering, as the zoom about the centre is.
    if (!ActionZoomIn->isEnabled())
        return;
    FSession->ZoomAt(PaintBoxToPrecise(P), Factor);
}

// --- Julia set of a point --------------------------------------------------------------

void TMainDialog::ShowJuliaSet(const TPoint2D& Point)
{
    FSession->ShowJuliaSet(Point);
}

// --- Julia preview ---------------------------------------------------------------------

bool TMainDialog::JuliaPreviewVisible() const
{
    return FJuliaPreview != nullptr;
}

void TMainDialog::SetJuliaPreviewVisible(bool Value)
{
    if (Value != JuliaPreviewVisible()) {
        FJuliaPreview.reset();
        if (Value) {
            FJuliaPreview = std::make_unique<TJuliaPreview>(FAppRegistry->Registry(), Processor(), this);
            FJuliaPreview->OnWorkspaceOrigin = [this] { return PanelWorkspace->mapToGlobal(QPoint(0, 0)); };
            FJuliaPreview->OnMainBusy = [this] { return Running(); };
            connect(FJuliaPreview.get(), &TJuliaPreview::juliaSetRequested, this, [this](const TPoint2D& point) {
                RunReported([this, point] { ShowJuliaSet(point); });
            });
            // Later: the close event must not destroy the window handling it.
            connect(FJuliaPreview.get(), &TJuliaPreview::closedByUser, this, [this] {
                QTimer::singleShot(0, this, [this] {
                    if (FJuliaPreview)
                        ActionJuliaPreview->trigger();
                });
            });
            PlaceJuliaPreview();
            FJuliaPreview->show();
        }
    }
    ActionJuliaPreview->setChecked(Value);
}

void TMainDialog::ActionJuliaPreviewExecute()
{
    SetJuliaPreviewVisible(!JuliaPreviewVisible());
}

void TMainDialog::PlaceJuliaPreview()
{
    if (FJuliaPreview)
        FJuliaPreview->Place();
}

void TMainDialog::JuliaPreviewFollow(const TPoint& P)
{
    if (FJuliaPreview && Algorithm() == alMandelbrot)
        FJuliaPreview->PointerAt(PaintBoxToLog(QPoint(P.x, P.y)));
}

} // namespace quillon
