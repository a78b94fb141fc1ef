#pragma once
// The program's single main window: a view of the session. It owns the
// session and the settings store, forwards the user's commands to the
// session, shows the image and keeps the status bar and the commands in step
// with the session's change reports.
#include <QtCore/QPoint>
#include <QtCore/QSize>
#include <QtGui/QImage>
#include <QtWidgets/QMainWindow>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "engine/AnimationSpeed.h"
#include "engine/MandelbrotProcessor.h"
#include "session/Session.h"
#include "ui/main/logic/MouseLogic.h"
#include "ui/main/logic/SelectionGeometry.h"

class QAction;
class QActionGroup;
class QComboBox;
class QFileDialog;
class QFrame;
class QKeyEvent;
class QLabel;
class QMenu;
class QMenuBar;
class QPainter;
class QStatusBar;
class QTimer;
class QToolBar;
class QWheelEvent;

namespace quillon {

class TAnimatedGifWriter;
class TAppRegistry;
class TColorMap;
class THelpViewer;
class TJuliaPreview;
class TPaintBox;
class TQuickHelpDialog;
class TTrackBarEx;

// Runs a file dialog and returns the chosen file, or nothing when cancelled.
using TFileDialogHook = std::function<QString(QFileDialog& Dialog)>;

class TMainDialog : public QMainWindow {
    Q_OBJECT

public:
    explicit TMainDialog(QWidget* parent = nullptr);
    ~TMainDialog() override;

    // --- Properties --------------------------------------------------------
    // What the picture is; the properties below read and write it.
    TSession& Session() { return *FSession; }
    const TSession& Session() const { return *FSession; }
    TProcessor& Processor() { return FSession->Processor(); }
    const TProcessor& Processor() const { return FSession->Processor(); }

    bool Running() const { return FSession->Running(); }
    void SetRunning(bool Value) { FSession->SetRunning(Value); }
    bool AutoRender() const { return FSession->AutoRender(); }
    void SetAutoRender(bool Value) { FSession->SetAutoRender(Value); }
    TView View() const { return FSession->View(); }
    void SetView(const TView& Value) { FSession->SetView(Value); }
    TSize Size() const { return FSession->Size(); }
    void SetSize(const TSize& Value) { FSession->SetSize(Value); }
    int MaxSteps() const { return FSession->MaxSteps(); }
    void SetMaxSteps(int Value) { FSession->SetMaxSteps(Value); }
    double MaxAbs() const { return FSession->MaxAbs(); }
    void SetMaxAbs(double Value) { FSession->SetMaxAbs(Value); }
    bool InteriorVisible() const { return FSession->InteriorVisible(); }
    void SetInteriorVisible(bool Value) { FSession->SetInteriorVisible(Value); }
    bool ColorWrapping() const { return FSession->ColorWrapping(); }
    void SetColorWrapping(bool Value) { FSession->SetColorWrapping(Value); }
    bool SmoothColors() const { return FSession->SmoothColors(); }
    void SetSmoothColors(bool Value) { FSession->SetSmoothColors(Value); }
    bool SmoothShown() const { return FSession->SmoothShown(); }
    TAlgorithm Algorithm() const { return FSession->Algorithm(); }
    void SetAlgorithm(TAlgorithm Value) { FSession->SetAlgorithm(Value); }
    TToolMode ToolMode() const { return FSession->ToolMode(); }
    void SetToolMode(TToolMode Value) { FSession->SetToolMode(Value); }
    double SelectionAngle() const { return Selection().Angle; }
    void SetSelectionAngle(double Value) { FSession->SetSelectionAngle(Value); }
    bool RotatePalette() const;
    void SetRotatePalette(bool Value);
    int AnimationSpeed() const { return FSession->AnimationSpeed(); }
    void SetAnimationSpeed(int Value) { FSession->SetAnimationSpeed(Value); }
    TUpDown AnimationDirection() const { return FSession->AnimationDirection(); }
    void SetAnimationDirection(TUpDown Value) { FSession->SetAnimationDirection(Value); }
    TColorMap& ColorMap() { return FSession->ColorMap(); }
    const TColorMap& ColorMap() const { return FSession->ColorMap(); }
    double InteriorFactor() const { return FSession->InteriorFactor(); }
    void SetInteriorFactor(double Value) { FSession->SetInteriorFactor(Value); }
    int ColorOffset() const { return FSession->ColorOffset(); }
    void SetColorOffset(int Value) { FSession->SetColorOffset(Value); }
    TPoint2D JuliaPoint() const { return FSession->JuliaPoint(); }
    void SetJuliaPoint(const TPoint2D& Value) { FSession->SetJuliaPoint(Value); }
    // A palette animation is being recorded.
    bool RecordAnimation() const;
    void SetRecordAnimation(bool Value);
    int AnimationFrameCount() const { return FAnimationFrameCount; }
    const TColorMap& DefaultColorMap() const { return FSession->DefaultColorMap(); }
    bool QuickHelpVisible() const;
    void SetQuickHelpVisible(bool Value);
    // The Julia preview window; shown only while the command is checked.
    bool JuliaPreviewVisible() const;
    void SetJuliaPreviewVisible(bool Value);
    TJuliaPreview* JuliaPreview() const { return FJuliaPreview.get(); }
    bool FullScreen() const { return FFullScreen; }
    void SetFullScreen(bool Value);
    const TView& Selection() const { return FSession->Selection(); }
    void SetSelection(const TView& Value) { FSession->SetSelection(Value); }
    const TViewHistory& History() const { return FSession->History(); }
    TAppRegistry& AppRegistry() { return *FAppRegistry; }

    // --- Methods -----------------------------------------------------------
    // Applies an image size and a view with a single start of rendering.
    void Setup(const TSize& ASize, const TView& AView) { FSession->Setup(ASize, AView); }
    // Back to the defaults of view, colors and parameters; one rendering.
    void Reset() { FSession->Reset(); }
    // The scenery file: the whole state written to Filename (through a
    // temporary file), or read from it and applied; a PNG picture that
    // carries a scene loads as well. Loading does not start rendering; a
    // failure leaves what was applied before it.
    void SaveToFile(const QString& Filename);
    void LoadFromFile(const QString& Filename);
    // Loads Filename as the Open command does once its dialog has answered:
    // failures are reported, and the scene renders when it loaded.
    bool OpenFile(const QString& Filename);
    // The file opened once the window is first shown (the program's
    // argument); empty for none. A failure is reported and the window shows
    // its stored state.
    QString StartFile() const { return FStartFile; }
    void SetStartFile(const QString& Value) { FStartFile = Value; }
    // The image with the colors on screen, in the format the extension
    // selects; a PNG carries the scene as well. With smooth colors, or with
    // Samples x Samples samples per pixel (1 .. 8; the scene rendered again at
    // Samples times the size), a 24-bit picture; a GIF stays the index image.
    void SaveImageToFile(const QString& Filename, int Samples = 1);
    // The image with its palette as the clipboard's content.
    void CopyScreenShot();

    // Runs the file dialogs; tests put a hook in that answers without blocking.
    TFileDialogHook FileDialogHook;

    // Zooming: by a factor about the centre, and to the target of a
    // double-click or middle click at FDownPoint (the selection, if any).
    void ZoomBy(double Factor);
    // Zooming by a factor about paint-box point P (device pixels): the plane
    // point under it stays there.
    void ZoomAt(const QPoint& P, double Factor);
    // The Julia set of Point, as the Mandelbrot/Julia switch shows it (the
    // Mandelbrot state kept); in the Julia set already, only the point changes.
    void ShowJuliaSet(const TPoint2D& Point);
    void ZoomToTarget();
    TView GetClickView(const QPoint& P) const;
    // The paint-box point of the last button press.
    QPoint DownPoint() const { return QPoint(FMouse.DownPoint.x, FMouse.DownPoint.y); }
    void SetDownPoint(const QPoint& Value) { FMouse.DownPoint = TPoint{Value.x(), Value.y()}; }
    // The drag in progress.
    TDragAction DragAction() const { return FMouse.DragAction; }
    // The selection's size in pixels of the current image, and its corners
    // placed on the paint box (rounded): P0 top-left, P1 bottom-left,
    // P2 bottom-right, P3 top-right.
    TSize GetSelectionSize() const;
    TCorners GetSelectionCorners() const;
    TSelectionPlacement SelectionPlacement() const;

    // One tick of the palette animation (the animation timer calls it).
    void TimerRotatePaletteTimer();
    // The frame the animated cursor shows.
    int AnimatedCursorFrame() const { return FCursorFrame; }

    int AnimationSpeedToInterval(int Value) const;
    int IntervalToAnimationSpeed(int Value) const;
    float AnimationSpeedToFrameRate(int Value) const;
    int FrameRateToAnimationSpeed(float Value) const;

    // Holders of the session's render lock (a TRenderLock on Session()).
    int LockCount() const { return FSession->LockCount(); }

    // Renderings this window has started (for diagnostics and tests).
    int RenderStartCount() const { return FSession->RenderStartCount(); }
    // Milliseconds from the end of the last rendering to the paint of its
    // finished image; negative before the first. QUILLON_TRACE_RENDERING=1
    // prints it for every rendering.
    double FinishedPaintDelayMs() const { return FFinishedPaintDelayMs; }
    // The quick-help window while it is shown; the help window once opened.
    TQuickHelpDialog* QuickHelp() const { return FQuickHelp.get(); }
    THelpViewer* HelpViewer() const { return FHelpViewer; }

    // Text of a status bar panel (0 to 14).
    QString StatusPanelText(int Index) const;
    QLabel* StatusPanel(int Index) const { return FStatusPanels.at(static_cast<std::size_t>(Index)); }
    QPoint ImageOffset() const { return FImageOffset; }
    // Device pixels per pixel of the paint box (above 1 on high-density
    // screens). The image is computed in device pixels and painted 1:1, and
    // every paint-box point the window keeps (mouse positions, the image
    // offset, the selection's corners) is in device pixels too.
    qreal PixelRatio() const;
    // The paint box's size in device pixels.
    QSize PaintBoxPixels() const;
    // Paint-box positions and plane points, through the image offset.
    TPoint2D PaintBoxToLog(const QPoint& P) const;
    QPoint LogToPaintBox(const TPoint2D& Z) const;
    // Whether the view needs the precise centre (perturbation or a centre
    // beyond doubles); shallow views keep the plain double arithmetic.
    bool DeepView() const;
    // The plane point under P with the view centre's full precision.
    TPreciseCenter PaintBoxToPrecise(const QPoint& P) const;
    // Where the centre of V lies, exact also for deep views.
    QPoint ViewCenterToPaintBox(const TView& V) const;

    // The icons of the commands; Render shows icon 0, or 5 while rendering.
    static constexpr int IconRender = 0;
    static constexpr int IconRenderRunning = 5;
    int RenderIconIndex() const { return FRenderIcon; }

    // Whether a command's behaviour is available in this build. Commands that
    // are not stay disabled whatever the render state says.
    static bool CommandAvailable(const QAction* Action);
    static void SetCommandAvailable(QAction* Action, bool Available);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // --- Components --------------------------------------------------------
    // Each carries its member name as object name; tests find them by it.
    QMenuBar* MainMenuBar = nullptr;
    QToolBar* ToolBar = nullptr;
    QWidget* PanelControls = nullptr;
    QLabel* LabelMaxSteps = nullptr;
    QLabel* LabelMaxAbs = nullptr;
    QLabel* LabelAnimationSpeed = nullptr;
    TTrackBarEx* TrackBarMaxSteps = nullptr;
    TTrackBarEx* TrackBarMaxAbs = nullptr;
    TTrackBarEx* TrackBarAnimationSpeed = nullptr;
    QFrame* PanelWorkspace = nullptr;
    TPaintBox* PaintBox = nullptr;
    QStatusBar* StatusBar = nullptr;
    QTimer* Timer = nullptr;
    QTimer* TimerRotatePalette = nullptr;
    QFileDialog* OpenDialog = nullptr;
    QFileDialog* SaveDialog = nullptr;
    QFileDialog* SaveImageDialog = nullptr;
    // The samples per pixel of "Save image as...": 1x1 to 4x4.
    QComboBox* ComboBoxImageSamples = nullptr;
    QFileDialog* SaveAniDialog = nullptr;

    QMenu* MenuFile = nullptr;
    QMenu* MenuEdit = nullptr;
    QMenu* MenuView = nullptr;
    QMenu* MenuTools = nullptr;
    QMenu* MenuHelp = nullptr;

    QAction* ActionRender = nullptr;
    QAction* ActionReset = nullptr;
    QAction* ActionLoadFromFile = nullptr;
    QAction* ActionSaveToFile = nullptr;
    QAction* ActionSaveImageAs = nullptr;
    QAction* ActionExit = nullptr;
    QAction* ActionPopHistory = nullptr;
    QAction* ActionNextView = nullptr;
    QAction* ActionScreenShot = nullptr;
    QAction* ActionSelectionDelete = nullptr;
    QAction* ActionZoomIn = nullptr;
    QAction* ActionZoomOut = nullptr;
    QAction* ActionZoomSelectionIn = nullptr;
    QAction* ActionZoomSelectionOut = nullptr;
    QAction* ActionFullScreen = nullptr;
    QAction* ActionControlBar = nullptr;
    QAction* ActionInteriorVisible = nullptr;
    QAction* ActionHome = nullptr;
    QAction* ActionJuliaPreview = nullptr;
    QAction* ActionModeCursor = nullptr;
    QAction* ActionModeSelection = nullptr;
    QAction* ActionAutoRender = nullptr;
    QAction* ActionAnimatePalette = nullptr;
    QAction* ActionResetPalette = nullptr;
    QAction* ActionRecordAnimation = nullptr;
    QAction* ActionJulia = nullptr;
    QAction* ActionOptions = nullptr;
    QAction* ActionQuickHelp = nullptr;
    QAction* ActionHelp = nullptr;
    QAction* ActionAbout = nullptr;
    QActionGroup* ModeGroup = nullptr;
    // The tool bar's Exit button (shown only in full-screen mode).
    QAction* ToolBarExit = nullptr;


private:
    // Construction by aspect.
    struct TCommandTables;
    void CreateTimers();
    void CreateActions();
    void CreateFileActions();
    void CreateEditActions();
    void CreateViewActions();
    void CreateToolsActions();
    void CreateHelpActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateCentralWidget();
    void CreateControlBar();
    void CreateWorkspace();
    void CreateStatusBar();
    void CreateDialogs();
    // "Options..." and "About..." (MainDlgOptions.cpp).
    void CreateOptionsCommands();
    void RegisterCursors();
    void LoadSettings();
    void SaveSettings();
    void FirstShow();

    // Following the session.
    void SessionChanged(TSessionChanges Changes);
    void UpdateParameterControls();
    void UpdateToolMode();
    void RenderingStarted();
    void RenderingFinished();
    void UpdateSize();
    void TimerTimer();
    void SetRenderIcon(int Index);
    void SetCommandEnabled(QAction* Action, bool Enabled);
    void UpdateViewPanels();
    void UpdateImageOffset();
    void PaintBoxPaint(QPainter& Painter);
    void DrawSelection(QPainter& Painter);
    void ResizeEnded();
    // The image takes the workspace's size once no rendering runs.
    void ApplyPendingSize();
    // The last worker has ended (posted from its thread, by name: a posted
    // functor would be written on the worker's thread and read on this one through
    // Qt's event queue, which ThreadSanitizer cannot see).
    Q_INVOKABLE void RenderingEnded();
    void FinishedImagePainted();

    enum TGlobalCursor { gcNone, gcHourglass, gcAnimate };
    void SetGlobalCursor(TGlobalCursor Value);
    void UpdateGlobalCursor();

    // Control bar.
    void PanelControlsResize();
    void TrackBarMaxStepsChange();
    void TrackBarMaxStepsChanged();
    void TrackBarMaxAbsChange();
    void TrackBarMaxAbsChanged();
    void TrackBarAnimationSpeedChange();
    void ShowTrackBarHint(TTrackBarEx* Bar, const QString& Text);

    // Commands.
    void ActionRenderExecute();
    void ActionAutoRenderExecute();
    void ActionPopHistoryExecute();
    void ActionNextViewExecute();
    void ActionHomeExecute();
    void ActionResetExecute();
    void ActionExitExecute();
    void ActionModeExecute(TToolMode Mode);

    // Mouse and keys.
    void PaintBoxMouseDown(QMouseEvent* Event);
    void PaintBoxMouseMove(QMouseEvent* Event);
    void PaintBoxMouseUp(QMouseEvent* Event);
    void PaintBoxDblClick(QMouseEvent* Event);
    // Wheel anywhere over the window; always consumed.
    bool FormMouseWheel(QWheelEvent* Event);
    // Keys before the focused control; true when consumed.
    bool FormKeyDown(QKeyEvent* Event);
    void PanTo(const TPoint& P);
    void SetPaintBoxCursor(int Id);
    void RestoreToolCursor();

    // Selection.
    TPoint SelectionCentrePixel() const;
    void SelectionMouseDown(const TPoint& P);
    void SelectionHover(const TPoint& P, bool OnlyLeftHeld);
    void SelectionDrag(const TPoint& P, bool Ctrl);
    void PlaceSelection(const TPoint& P);
    void UndoSelectionDrag(TDragAction Cancelled);
    void ActionSelectionDeleteExecute();
    void ActionZoomSelectionInExecute();
    void ActionZoomSelectionOutExecute();

    // Palette animation.
    void ActionAnimatePaletteExecute();
    void ActionResetPaletteExecute();
    void NextCursorFrame();

    // Window modes.
    void ActionFullScreenExecute();
    void ActionControlBarExecute();
    void ActionQuickHelpExecute();
    void ActionInteriorVisibleExecute();
    void ActionJuliaExecute();
    void ActionHelpExecute();
    void PlaceQuickHelp();
    void ActionJuliaPreviewExecute();
    void PlaceJuliaPreview();
    // The pointer moved to paint-box point P: the preview follows it.
    void JuliaPreviewFollow(const TPoint& P);
    void ShowQuickHelp();

    // Files, export and recording.
    QString RunFileDialog(QFileDialog& Dialog);
    void ActionLoadFromFileExecute();
    void ActionSaveToFileExecute();
    void ActionSaveImageAsExecute();
    void ActionScreenShotExecute();
    void ActionRecordAnimationExecute();
    void AddAnimationFrame();
    void RecordingSizeChanged();

    void SetStatusPanel(int Index, const QString& Text);

    std::unique_ptr<TSession> FSession;
    // Held from construction until the window first shows.
    std::optional<TRenderLock> FStartUpLock;
    QPoint FImageOffset;
    TMouseState FMouse;
    TPreciseCenter FDownCenter;
    double FDownAngle = 0;
    double FDownScale = 0;
    bool FFullScreen = false;
    Qt::WindowStates FLastWindowState = Qt::WindowNoState;
    // The session's values the controls show, to update them on a change only.
    struct TShown {
        std::optional<int> MaxSteps;
        std::optional<double> MaxAbs;
        std::optional<int> AnimationSpeed;
        std::optional<TToolMode> ToolMode;
    } FShown;
    TConverter FAnimationSpeedToInterval;
    std::unique_ptr<TAppRegistry> FAppRegistry;
    std::unique_ptr<TQuickHelpDialog> FQuickHelp;
    std::unique_ptr<TJuliaPreview> FJuliaPreview;
    THelpViewer* FHelpViewer = nullptr;
    QString FHelpFile;

    std::array<QLabel*, 15> FStatusPanels{};
    QImage FImage;
    QImage FComposite; // image and overlay: exclusive-or needs a raster surface
    QTimer* FCursorFrameTimer = nullptr;
    int FCursorFrame = 0;
    std::unique_ptr<TAnimatedGifWriter> FAnimatedGif;
    int FAnimationFrameCount = 0;
    int FRenderIcon = IconRender;
    bool FFirstShowDone = false;
    bool FQuickHelpWaitsForWindow = false;
    QString FStartFile;
    TGlobalCursor FGlobalCursor = gcNone;
    QTimer* FResizeEndTimer = nullptr;
    // The workspace changed size while a rendering ran.
    bool FSizePending = false;
    // When the last worker of a rendering ended (steady clock, ns), and
    // whether that finished image still waits for its paint.
    std::atomic<std::int64_t> FEndedAt{0};
    bool FFinishedPaintDue = false;
    // Since the start of the current rendering: its progress shows after a while.
    std::int64_t FRenderStartedNs = 0;
    double FFinishedPaintDelayMs = -1;
    bool FTraceRendering = false;
    // With the trace on, a running palette animation reports its ticks, the
    // frames painted and the time their recoloring took, every two seconds.
    struct TAnimationTrace {
        std::int64_t SinceNs = 0;
        int Ticks = 0;
        int Frames = 0;
        std::int64_t PaintNs = 0;
    } FAnimationTrace;
    void TraceAnimationFrame(std::int64_t paintNs);
};

// The main window, while one exists.
extern TMainDialog* MainDialog;

} // namespace quillon
