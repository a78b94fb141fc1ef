// Window modes and toggles: full screen, the control bar, quick help,
// interior filling, the Mandelbrot/Julia switch and the help pages.
#include "ui/main/MainDlg.h"

#include <QtCore/QTimer>
#include <QtGui/QWindow>
#include <QtGui/QAction>
#include <QtWidgets/QFrame>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QStatusBar>
#include <QtWidgets/QToolBar>

#include "ui/auxiliary/HelpViewer.h"
#include "ui/auxiliary/QuickHelpDlg.h"
#include "persist/RegFns.h"
#include "ui/common/ErrorReport.h"
#include "ui/main/PaintBox.h"

namespace quillon {

// --- Full screen -----------------------------------------------------------------

void TMainDialog::SetFullScreen(bool Value)
{
    // Not while rendering: the image keeps its size until a rendering ends.
    if (Value == FFullScreen || Running()) {
        ActionFullScreen->setChecked(FFullScreen);
        return;
    }
    if (Value) {
        MainMenuBar->hide();
        PanelControls->hide();
        // The tool bar floats over the image.
        removeToolBar(ToolBar);
        ToolBar->setParent(PanelWorkspace);
        ToolBar->setOrientation(Qt::Horizontal);
        // Sized with Exit shown, so that no button hides behind an extension arrow.
        ToolBarExit->setVisible(true);
        ToolBar->adjustSize();
        ToolBar->move(10, 10);
        ToolBar->show();
        ToolBar->raise();
        StatusBar->hide();
        PanelWorkspace->setFrameStyle(QFrame::NoFrame);
        FLastWindowState = windowState() & ~Qt::WindowFullScreen;
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowFullScreen);
    } else {
        addToolBar(Qt::TopToolBarArea, ToolBar);
        ToolBar->show();
        PanelControls->show();
        MainMenuBar->show();
        StatusBar->show();
        PanelWorkspace->setFrameStyle(QFrame::Box | QFrame::Plain);
        PanelWorkspace->setLineWidth(1);
        setWindowState(FLastWindowState);
    }
    ToolBarExit->setVisible(Value);
    ActionFullScreen->setChecked(Value);
    FFullScreen = Value;
    // The image takes the new workspace once the layout has followed.
    QTimer::singleShot(0, this, [this] { ResizeEnded(); });
}

void TMainDialog::ActionFullScreenExecute()
{
    SetFullScreen(!FFullScreen);
}

void TMainDialog::ActionControlBarExecute()
{
    // The image keeps its size; it is only centred anew.
    PanelControls->setVisible(PanelControls->isHidden());
}

// --- Quick help --------------------------------------------------------------------

bool TMainDialog::QuickHelpVisible() const
{
    return FQuickHelp != nullptr;
}

void TMainDialog::SetQuickHelpVisible(bool Value)
{
    FQuickHelp.reset();
    QuickHelpDialog = nullptr;
    if (Value) {
        FQuickHelp = std::make_unique<TQuickHelpDialog>(FAppRegistry->Registry(), this);
        QuickHelpDialog = FQuickHelp.get();
        FQuickHelp->OnWorkspaceOrigin = [this] { return PanelWorkspace->mapToGlobal(QPoint(0, 0)); };
        // Queued: the close symbol's own click must not destroy the window under it.
        connect(
            FQuickHelp.get(), &TQuickHelpDialog::closeRequested, this,
            [this] {
                if (FQuickHelp)
                    ActionQuickHelp->trigger();
            },
            Qt::QueuedConnection);
        PlaceQuickHelp();
        // Shown once the window is on the screen: a window manager stacks a
        // window mapped later above one shown before it.
        QWindow* handle = windowHandle();
        if (handle && handle->isExposed())
            ShowQuickHelp();
        else
            FQuickHelpWaitsForWindow = true;
    }
    ActionQuickHelp->setChecked(Value);
}

void TMainDialog::ShowQuickHelp()
{
    FQuickHelpWaitsForWindow = false;
    if (!FQuickHelp)
        return;
    PlaceQuickHelp();
    FQuickHelp->show();
    FQuickHelp->raise();
}

void TMainDialog::ActionQuickHelpExecute()
{
    SetQuickHelpVisible(!QuickHelpVisible());
}

void TMainDialog::PlaceQuickHelp()
{
    if (FQuickHelp)
        FQuickHelp->Place();
}

// --- Interior, algorithm ---------------------------------------------------------

void TMainDialog::ActionInteriorVisibleExecute()
{
    SetInteriorVisible(!InteriorVisible());
    ActionInteriorVisible->setChecked(InteriorVisible());
    // Also with auto-render off.
    SetRunning(true);
}

void TMainDialog::ActionJuliaExecute()
{
    SetAlgorithm(Algorithm() == alMandelbrot ? alJulia : alMandelbrot);
    ActionJulia->setChecked(Algorithm() == alJulia);
}

// --- Help --------------------------------------------------------------------------

void TMainDialog::ActionHelpExecute()
{
    if (!FHelpViewer) {
        FHelpViewer = new THelpViewer(this);
        FHelpViewer->setObjectName(QStringLiteral("HelpViewer"));
    }
    FHelpViewer->ShowTopic(FHelpFile, QStringLiteral("Index"));
}

} // namespace quillon
