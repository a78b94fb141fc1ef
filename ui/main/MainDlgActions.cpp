// The commands of the main window, its menus and its tool bar.
#include "ui/main/MainDlg.h"

#include <QtGui/QAction>
#include <QtGui/QActionGroup>
#include <QtGui/QKeySequence>
#include <QtGui/QMouseEvent>
#include <QtWidgets/QMenu>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QToolBar>
#include <QtWidgets/QToolButton>

#include "ui/main/Cursors.h"
#include "ui/main/IconList.h"
#include "ui/main/PaintBox.h"

namespace quillon {

namespace {

constexpr const char* AvailableProperty = "quillonAvailable";

} // namespace

// The command tables name the window's private action members.
struct TMainDialog::TCommandTables {
    struct TCommand {
        QAction* TMainDialog::*Member;
        const char* Name;
        const char* Text; // menu caption with its access key, or the caption
        const char* Hint;
        int Icon;         // -1: none
        bool Checkable;
        bool Available;   // its behaviour exists in this build
    };

    // Caption, hint and icon of every command. Commands without a menu carry
    // their plain caption.
    static constexpr TCommand FileCommands[] = {
        {&TMainDialog::ActionRender, "ActionRender", "&Render", "Start rendering", iiRender, false, true},
        {&TMainDialog::ActionReset, "ActionReset", "Rese&t", "Resets view, colors and parameters", -1, false, true},
        {&TMainDialog::ActionLoadFromFile, "ActionLoadFromFile", "&Open...", "", iiOpen, false, true},
        {&TMainDialog::ActionSaveToFile, "ActionSaveToFile", "S&ave as...", "", iiSaveAs, false, true},
        {&TMainDialog::ActionSaveImageAs, "ActionSaveImageAs", "&Save image as...", "", iiSaveImage, false, true},
        {&TMainDialog::ActionExit, "ActionExit", "&Exit", "Close application", iiExit, false, true},
    };

    static constexpr TCommand EditCommands[] = {
        {&TMainDialog::ActionPopHistory, "ActionPopHistory", "&Last view", "", iiLastView, false, true},
        {&TMainDialog::ActionNextView, "ActionNextView", "&Next view", "Goes forward to the view left by Last view",
         iiNextView, false, true},
        {&TMainDialog::ActionScreenShot, "ActionScreenShot", "&Screenshot", "Copies a screenshot to the clipboard",
         iiScreenShot, false, true},
        {&TMainDialog::ActionSelectionDelete, "ActionSelectionDelete", "&Delete selection", "", iiDeleteSelection,
         false, true},
        {&TMainDialog::ActionZoomSelectionIn, "ActionZoomSelectionIn", "Shrink selection ", "", -1, false, true},
        {&TMainDialog::ActionZoomSelectionOut, "ActionZoomSelectionOut", "Expand Selection", "", -1, false, true},
    };

    static constexpr TCommand ViewCommands[] = {
        {&TMainDialog::ActionZoomIn, "ActionZoomIn", "&Zoom in", "Zoom in", iiZoomIn, false, true},
        {&TMainDialog::ActionZoomOut, "ActionZoomOut", "Z&oom out", "Zoom out", iiZoomOut, false, true},
        {&TMainDialog::ActionFullScreen, "ActionFullScreen", "&Full screen", "Full screen view", iiFullScreen,
         true, true},
        {&TMainDialog::ActionControlBar, "ActionControlBar", "&Control Bar", "", -1, false, true},
        {&TMainDialog::ActionInteriorVisible, "ActionInteriorVisible", "&Interior", "Enables interior filling",
         iiInterior, true, true},
        {&TMainDialog::ActionHome, "ActionHome", "&Home", "Restores global view", iiHome, false, true},
        {&TMainDialog::ActionJuliaPreview, "ActionJuliaPreview", "&Julia preview",
         "Shows the Julia set of the point under the pointer", -1, true, true},
    };

    static constexpr TCommand ToolsCommands[] = {
        {&TMainDialog::ActionModeCursor, "ActionModeCursor", "&Cursor mode", "Enter cursor mode", iiModeCursor,
         true, true},
        {&TMainDialog::ActionModeSelection, "ActionModeSelection", "&Select mode", "Enables selection mode",
         iiModeSelection, true, true},
        {&TMainDialog::ActionAutoRender, "ActionAutoRender", "&Auto-render", "Toggle auto-render mode",
         iiAutoRender, true, true},
        {&TMainDialog::ActionAnimatePalette, "ActionAnimatePalette", "A&nimate palette",
         "Animates palette by color rotation", iiAnimatePalette, true, true},
        {&TMainDialog::ActionResetPalette, "ActionResetPalette", "R&eset palette", "", -1, false, true},
        {&TMainDialog::ActionRecordAnimation, "ActionRecordAnimation", "S&tart animation recording", "", iiRecord, true,
         true},
        {&TMainDialog::ActionJulia, "ActionJulia", "Toggle Mandelbrot/Julia set",
         "Toggles between Mandelbrot set and Julia set", iiJulia, true, true},
        {&TMainDialog::ActionOptions, "ActionOptions", "&Options...", "", iiOptions, false, false},
    };

    static constexpr TCommand HelpCommands[] = {
        {&TMainDialog::ActionQuickHelp, "ActionQuickHelp", "&Quick help", "Shows mouse usage", iiQuickHelp, true, true},
        {&TMainDialog::ActionHelp, "ActionHelp", "&Help", "", -1, false, true},
        {&TMainDialog::ActionAbout, "ActionAbout", "&About...", "", -1, false, false},
    };

    template <std::size_t N>
    static void MakeCommands(TMainDialog& owner, const TCommand (&commands)[N])
    {
        for (const TCommand& c : commands) {
            auto* action = new QAction(QString::fromLatin1(c.Text), &owner);
            action->setObjectName(QString::fromLatin1(c.Name));
            // Hints are tool tips only: a status tip would hide every panel of the
            // status bar while it shows.
            if (*c.Hint)
                action->setToolTip(QString::fromLatin1(c.Hint));
            if (c.Icon >= 0)
                action->setIcon(IconListIcon(c.Icon));
            action->setCheckable(c.Checkable);
            TMainDialog::SetCommandAvailable(action, c.Available);
            owner.*c.Member = action;
            // Shortcuts work also while the menu bar or tool bar is hidden.
            owner.addAction(action);
        }
    }
};

bool TMainDialog::CommandAvailable(const QAction* Action)
{
    return Action->property(AvailableProperty).toBool();
}

void TMainDialog::SetCommandAvailable(QAction* Action, bool Available)
{
    Action->setProperty(AvailableProperty, Available);
    Action->setEnabled(Available);
}

void TMainDialog::SetCommandEnabled(QAction* Action, bool Enabled)
{
    Action->setEnabled(Enabled && CommandAvailable(Action));
}

void TMainDialog::CreateActions()
{
    CreateFileActions();
    CreateEditActions();
    CreateViewActions();
    CreateToolsActions();
    CreateHelpActions();
}

void TMainDialog::CreateFileActions()
{
    TCommandTables::MakeCommands(*this, TCommandTables::FileCommands);
    ActionRender->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    connect(ActionRender, &QAction::triggered, this, [this] { ActionRenderExecute(); });
    connect(ActionReset, &QAction::triggered, this, [this] { ActionResetExecute(); });
    connect(ActionExit, &QAction::triggered, this, [this] { ActionExitExecute(); });
    connect(ActionLoadFromFile, &QAction::triggered, this, [this] { ActionLoadFromFileExecute(); });
    connect(ActionSaveToFile, &QAction::triggered, this, [this] { ActionSaveToFileExecute(); });
    connect(ActionSaveImageAs, &QAction::triggered, this, [this] { ActionSaveImageAsExecute(); });
}

void TMainDialog::CreateEditActions()
{
    TCommandTables::MakeCommands(*this, TCommandTables::EditCommands);
    connect(ActionPopHistory, &QAction::triggered, this, [this] { ActionPopHistoryExecute(); });
    connect(ActionNextView, &QAction::triggered, this, [this] { ActionNextViewExecute(); });
    ActionPopHistory->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Left));
    ActionNextView->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Right));
    connect(ActionScreenShot, &QAction::triggered, this, [this] { ActionScreenShotExecute(); });
    connect(ActionSelectionDelete, &QAction::triggered, this, [this] { ActionSelectionDeleteExecute(); });
    connect(ActionZoomSelectionIn, &QAction::triggered, this, [this] { ActionZoomSelectionInExecute(); });
    connect(ActionZoomSelectionOut, &QAction::triggered, this, [this] { ActionZoomSelectionOutExecute(); });
}

void TMainDialog::CreateViewActions()
{
    TCommandTables::MakeCommands(*this, TCommandTables::ViewCommands);
    connect(ActionHome, &QAction::triggered, this, [this] { ActionHomeExecute(); });
    connect(ActionZoomIn, &QAction::triggered, this, [this] { ZoomBy(0.8); });
    connect(ActionZoomOut, &QAction::triggered, this, [this] { ZoomBy(1.25); });
    connect(ActionFullScreen, &QAction::triggered, this, [this] { ActionFullScreenExecute(); });
    connect(ActionControlBar, &QAction::triggered, this, [this] { ActionControlBarExecute(); });
    connect(ActionInteriorVisible, &QAction::triggered, this, [this] { ActionInteriorVisibleExecute(); });
    connect(ActionJuliaPreview, &QAction::triggered, this, [this] { ActionJuliaPreviewExecute(); });
}

void TMainDialog::CreateToolsActions()
{
    TCommandTables::MakeCommands(*this, TCommandTables::ToolsCommands);
    ModeGroup = new QActionGroup(this);
    ModeGroup->setObjectName(QStringLiteral("ModeGroup"));
    ModeGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    ModeGroup->addAction(ActionModeCursor);
    ModeGroup->addAction(ActionModeSelection);
    connect(ActionAutoRender, &QAction::triggered, this, [this] { ActionAutoRenderExecute(); });
    connect(ActionModeCursor, &QAction::triggered, this, [this] { ActionModeExecute(tmCursor); });
    connect(ActionModeSelection, &QAction::triggered, this, [this] { ActionModeExecute(tmSelection); });
    connect(ActionAnimatePalette, &QAction::triggered, this, [this] { ActionAnimatePaletteExecute(); });
    connect(ActionResetPalette, &QAction::triggered, this, [this] { ActionResetPaletteExecute(); });
    connect(ActionJulia, &QAction::triggered, this, [this] { ActionJuliaExecute(); });
    connect(ActionRecordAnimation, &QAction::triggered, this, [this] { ActionRecordAnimationExecute(); });
}

void TMainDialog::CreateHelpActions()
{
    TCommandTables::MakeCommands(*this, TCommandTables::HelpCommands);
    connect(ActionQuickHelp, &QAction::triggered, this, [this] { ActionQuickHelpExecute(); });
    connect(ActionHelp, &QAction::triggered, this, [this] { ActionHelpExecute(); });
}

void TMainDialog::CreateMenus()
{
    MainMenuBar = new QMenuBar(this);
    MainMenuBar->setObjectName(QStringLiteral("MainMenuBar"));
    setMenuBar(MainMenuBar);

    MenuFile = MainMenuBar->addMenu(QStringLiteral("F&ile"));
    MenuFile->setObjectName(QStringLiteral("MenuFile"));
    MenuFile->addAction(ActionRender);
    MenuFile->addSeparator();
    MenuFile->addActions({ActionReset, ActionLoadFromFile, ActionSaveToFile, ActionSaveImageAs});
    MenuFile->addSeparator();
    MenuFile->addAction(ActionExit);

    MenuEdit = MainMenuBar->addMenu(QStringLiteral("&Edit"));
    MenuEdit->setObjectName(QStringLiteral("MenuEdit"));
    MenuEdit->addActions({ActionPopHistory, ActionNextView, ActionScreenShot});
    MenuEdit->addSeparator();
    MenuEdit->addAction(ActionSelectionDelete);

    MenuView = MainMenuBar->addMenu(QStringLiteral("&View"));
    MenuView->setObjectName(QStringLiteral("MenuView"));
    MenuView->addActions({ActionZoomIn, ActionZoomOut, ActionFullScreen});
    MenuView->addSeparator();
    MenuView->addActions({ActionControlBar, ActionInteriorVisible, ActionHome, ActionJuliaPreview});

    MenuTools = MainMenuBar->addMenu(QStringLiteral("&Tools"));
    MenuTools->setObjectName(QStringLiteral("MenuTools"));
    MenuTools->addActions({ActionModeCursor, ActionModeSelection});
    MenuTools->addSeparator();
    MenuTools->addActions({ActionAutoRender, ActionAnimatePalette, ActionResetPalette, ActionRecordAnimation});
    MenuTools->addSeparator();
    MenuTools->addAction(ActionOptions);

    MenuHelp = MainMenuBar->addMenu(QStringLiteral("&Help"));
    MenuHelp->setObjectName(QStringLiteral("MenuHelp"));
    MenuHelp->addActions({ActionQuickHelp, ActionHelp});
    MenuHelp->addSeparator();
    MenuHelp->addAction(ActionAbout);
}

void TMainDialog::CreateToolBar()
{
    ToolBar = new QToolBar(QStringLiteral("ToolBar"), this);
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setIconSize(QSize(20, 20));
    ToolBar->setMovable(false);
    ToolBar->setFloatable(false);
    ToolBar->toggleViewAction()->setVisible(false);
    addToolBar(Qt::TopToolBarArea, ToolBar);

    ToolBar->addActions({ActionSaveImageAs, ActionSaveToFile, ActionLoadFromFile});
    ToolBar->addSeparator();
    ToolBar->addActions({ActionScreenShot, ActionSelectionDelete});
    ToolBar->addSeparator();
    ToolBar->addActions({ActionInteriorVisible, ActionHome, ActionFullScreen, ActionZoomIn, ActionZoomOut,
                         ActionAutoRender, ActionAnimatePalette, ActionRecordAnimation, ActionOptions, ActionJulia});
    ToolBar->addSeparator();
    ToolBar->addActions({ActionPopHistory, ActionNextView});
    ToolBar->addSeparator();

    auto withCaption = [this](QAction* action) {
        auto* button = new QToolButton(ToolBar);
        button->setDefaultAction(action);
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setIconSize(QSize(20, 20));
        button->setAutoRaise(true);
        return ToolBar->addWidget(button);
    };
    withCaption(ActionModeCursor);
    withCaption(ActionModeSelection);
    withCaption(ActionRender);
    ToolBar->addSeparator();
    withCaption(ActionQuickHelp);
    ToolBarExit = withCaption(ActionExit);
    ToolBarExit->setObjectName(QStringLiteral("ToolBarExit"));
    ToolBarExit->setVisible(false);
}

void TMainDialog::SetRenderIcon(int Index)
{
    if (Index == FRenderIcon)
        return;
    FRenderIcon = Index;
    ActionRender->setIcon(IconListIcon(Index));
}

void TMainDialog::ActionModeExecute(TToolMode Mode)
{
    SetToolMode(Mode);
    // The radio items show the mode in force, also when the checked one is chosen again.
    ActionModeCursor->setChecked(ToolMode() == tmCursor);
    ActionModeSelection->setChecked(ToolMode() == tmSelection);
}

// --- Command handlers ------------------------------------------------------------

void TMainDialog::ActionRenderExecute()
{
    SetRunning(!Running());
}

void TMainDialog::ActionAutoRenderExecute()
{
    SetAutoRender(!AutoRender());
    // A checkable action flips its own mark; the property is what counts.
    ActionAutoRender->setChecked(AutoRender());
}

void TMainDialog::ActionExitExecute()
{
    close();
}


} // namespace quillon
