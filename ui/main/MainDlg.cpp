// The main window: construction, layout, settings, first show, destruction
// and window events.
#include "ui/main/MainDlg.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QFileInfo>
#include <QtCore/QTimer>
#include <QtGui/QGuiApplication>
#include <QtGui/QKeyEvent>
#include <QtGui/QWheelEvent>
#include <QtGui/QWindow>
#include <QtWidgets/QApplication>
#include <QtGui/QResizeEvent>
#include <QtGui/QShowEvent>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QFileDialog>
#include <QtWidgets/QGridLayout>
#include <QtWidgets/QFrame>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QStatusBar>
#include <QtWidgets/QToolBar>
#include <QtWidgets/QVBoxLayout>

#include <chrono>

#include "colormap/ColorMap.h"
#include "engine/Errors.h"
#include "engine/NumberFns.h"
#include "imageio/GifWriter.h"
#include "persist/RegFns.h"
#include "persist/SettingsKeys.h"
#include "resources/ResourcesInit.h"
#include "ui/common/ErrorReport.h"
#include "ui/common/WidgetPlacement.h"
#include "ui/auxiliary/QuickHelpDlg.h"
#include "ui/main/JuliaPreview.h"
#include "ui/main/Cursors.h"
#include "ui/main/MainDlgOptions.h"
#include "ui/main/PaintBox.h"
#include "ui/common/FitLabel.h"
#include "ui/main/logic/StatusTexts.h"
#include "ui/options/TrackBarEx.h"

namespace quillon {

TMainDialog* MainDialog = nullptr;

namespace {

struct TPanelLayout {
    int Width;
    Qt::Alignment Alignment;
    bool Bevel;
    const char* Text;
};

// Labels sit right-aligned without a bevel beside the value panels they name.
constexpr std::array<TPanelLayout, 15> PanelLayouts = {{
    {30, Qt::AlignRight, false, "Size"},
    {70, Qt::AlignHCenter, true, ""},
    {40, Qt::AlignRight, false, "Steps"},
    {40, Qt::AlignHCenter, true, ""},
    {30, Qt::AlignRight, false, "Max"},
    {40, Qt::AlignHCenter, true, ""},
    {45, Qt::AlignRight, false, "Center"},
    {80, Qt::AlignHCenter, true, ""},
    {40, Qt::AlignRight, false, "Zoom"},
    {80, Qt::AlignHCenter, true, ""},
    {40, Qt::AlignRight, false, "Angle"},
    {50, Qt::AlignHCenter, true, ""},
    {50, Qt::AlignRight, false, "Stats"},
    {80, Qt::AlignLeft, true, ""},
    {50, Qt::AlignLeft, false, ""}, // notes: the deepest zoom
}};

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}

} // namespace

TMainDialog::TMainDialog(QWidget* parent) : QMainWindow(parent)
{
    InitResources();
    // The components first, as a form creates them before its own start-up code.
    setObjectName(QStringLiteral("MainDialog"));
    setWindowTitle(QStringLiteral("Quillon"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/quillon.png")));
    setAttribute(Qt::WA_AlwaysShowToolTips);
    MainDialog = this;
    TWidgetPlacement::SetMainForm(this);

    FAppRegistry = std::make_unique<TAppRegistry>();
    FAppRegistry->SetCompanyKey(settings::CompanyKey);
    FAppRegistry->SetApplicationKey(settings::ApplicationKey);

    CreateTimers();

    CreateActions();
    CreateOptionsCommands();
    CreateMenus();
    CreateToolBar();
    CreateCentralWidget();
    CreateStatusBar();
    CreateDialogs();
    qApp->installEventFilter(this);
    resize(889, 587 + MainMenuBar->sizeHint().height());

    // Start-up proper, under the render lock until the first show has completed.
    FAnimationSpeedToInterval = MakeAnimationSpeedConverter();
    FSession = std::make_unique<TSession>();
    // The finished image is painted as soon as the last worker ends; the
    // workers only post, the window's thread paints.
    FTraceRendering = qEnvironmentVariableIntValue("QUILLON_TRACE_RENDERING") != 0;
    Processor().OnFinished = [this] {
        FEndedAt.store(std::chrono::duration_cast<std::chrono::nanoseconds>(
                           std::chrono::steady_clock::now().time_since_epoch())
                           .count(),
                       std::memory_order_relaxed);
        QMetaObject::invokeMethod(this, "RenderingEnded", Qt::QueuedConnection);
    };
    FStartUpLock.emplace(*FSession);
    FSession->OnChanged = [this](TSessionChanges changes) { SessionChanged(changes); };
    SessionChanged(TSessionChanges::All());

    // A failing step is reported and skips the rest; the window still opens.
    RunReported([this] {
        RegisterCursors();
        // The help pages travel inside the program.
        FHelpFile = QStringLiteral("qrc:/help/index.html");
        TWidgetPlacement placement(*this);
        FAppRegistry->LoadPlacement(placement, settings::SectionMainDialog, {poPosition, poSize});
        LoadSettings();
    });
}

void TMainDialog::CreateTimers()
{
    Timer = new QTimer(this);
    Timer->setObjectName(QStringLiteral("Timer"));
    Timer->setInterval(200);
    connect(Timer, &QTimer::timeout, this, &TMainDialog::TimerTimer);
    TimerRotatePalette = new QTimer(this);
    TimerRotatePalette->setObjectName(QStringLiteral("TimerRotatePalette"));
    TimerRotatePalette->setInterval(1000);
    FResizeEndTimer = new QTimer(this);
    FResizeEndTimer->setSingleShot(true);
    FResizeEndTimer->setInterval(250);
    connect(FResizeEndTimer, &QTimer::timeout, this, &TMainDialog::ResizeEnded);
    connect(TimerRotatePalette, &QTimer::timeout, this, [this] { TimerRotatePaletteTimer(); });
    FCursorFrameTimer = new QTimer(this);
    FCursorFrameTimer->setInterval(100);
    connect(FCursorFrameTimer, &QTimer::timeout, this, [this] { NextCursorFrame(); });
}

// The control bar above the workspace, together filling the window.
void TMainDialog::CreateCentralWidget()
{
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    setCentralWidget(central);
    CreateControlBar();
    CreateWorkspace();
    column->addWidget(PanelControls);
    column->addWidget(PanelWorkspace, 1);
}

TMainDialog::~TMainDialog()
{
    qApp->removeEventFilter(this);
    Timer->stop();
    TimerRotatePalette->stop();
    FCursorFrameTimer->stop();
    FResizeEndTimer->stop();
    RunReported([this] {
        TWidgetPlacement placement(*this);
        FAppRegistry->SavePlacement(placement, settings::SectionMainDialog);
        FAppRegistry->Registry().WriteBool(settings::SectionView, settings::KeyQuickHelpVisible, QuickHelpVisible());
        FAppRegistry->Registry().WriteBool(settings::SectionView, settings::KeyJuliaPreviewVisible,
                                           JuliaPreviewVisible());
        SaveSettings();
    });
    // The quick-help window writes its offset as it goes.
    FQuickHelp.reset();
    // Its worker reads the processor's settings through the window.
    FJuliaPreview.reset();
    SetGlobalCursor(gcNone);
    // The processor stops and waits for its workers before anything it paints into goes.
    FSession->OnChanged = nullptr;
    FStartUpLock.reset();
    FSession.reset();
    if (MainDialog == this)
        MainDialog = nullptr;
    if (TWidgetPlacement::MainForm() == this)
        TWidgetPlacement::SetMainForm(nullptr);
}

void TMainDialog::RegisterCursors()
{
    RegisterCustomCursors();
    PaintBox->setCursor(Cursor(crCross));
}

void TMainDialog::LoadSettings()
{
    using namespace settings;
    TRegIniFile& reg = FAppRegistry->Registry();
    // Each value on its own: a malformed one is reported and keeps its
    // default while the others are still read, so closing the window writes
    // the user's other values back unchanged.
    RunReported([&] { SetAutoRender(reg.ReadBool(SectionCurrent, KeyAutoRender, true)); });
    RunReported([&] {
        const int mode = reg.ReadInteger(SectionCurrent, KeyToolMode, tmSelection);
        SetToolMode(mode >= tmNone && mode <= tmSelection ? static_cast<TToolMode>(mode) : tmSelection);
    });
    RunReported([&] { SetMaxSteps(reg.ReadInteger(SectionCurrent, KeyMaxSteps, MaxSteps())); });
    RunReported([&] { SetMaxAbs(reg.ReadFloat(SectionCurrent, KeyMaxAbs, MaxAbs())); });
    RunReported([&] {
        SetAnimationSpeed(ClampAnimationSpeed(reg.ReadInteger(SectionCurrent, KeyAnimationSpeed, AnimationSpeed())));
    });
    RunReported([&] {
        const int direction = reg.ReadInteger(SectionCurrent, KeyAnimationDirection, AnimationDirection());
        if (direction == drUp || direction == drDown)
            SetAnimationDirection(static_cast<TUpDown>(direction));
    });
    RunReported([&] { SetInteriorVisible(reg.ReadBool(SectionCurrent, KeyInteriorVisible, InteriorVisible())); });
    RunReported([&] { SetInteriorFactor(reg.ReadFloat(SectionCurrent, KeyInteriorFactor, InteriorFactor())); });
    const int offset = reg.ReadInteger(SectionCurrent, KeyColorOffset, ColorOffset());
    RunReported([&] { SetColorOffset(offset); });
    RunReported([&] { SetColorWrapping(reg.ReadBool(SectionCurrent, KeyColorWrapping, ColorWrapping())); });
    RunReported([&] { SetSmoothColors(reg.ReadBool(SectionCurrent, KeySmoothColors, SmoothColors())); });
    RunReported([&] {
        const std::string map = reg.ReadString(SectionCurrent, KeyColorMap, "");
        if (map.empty())
            return;
        TColorMap stored;
        stored.SetAsString(map);
        Session().SetColorMap(stored); // refuses a map that cannot be the palette
        // Installing the stored map resets the offset; the stored one belongs to it.
        if (offset != ColorOffset() && offset >= 0 && offset < Processor().ColorCount())
            SetColorOffset(offset);
    });
}

void TMainDialog::SaveSettings()
{
    using namespace settings;
    TRegIniFile& reg = FAppRegistry->Registry();
    reg.WriteBool(SectionCurrent, KeyAutoRender, AutoRender());
    reg.WriteInteger(SectionCurrent, KeyToolMode, ToolMode());
    reg.WriteInteger(SectionCurrent, KeyMaxSteps, MaxSteps());
    reg.WriteFloat(SectionCurrent, KeyMaxAbs, MaxAbs());
    reg.WriteInteger(SectionCurrent, KeyAnimationSpeed, AnimationSpeed());
    reg.WriteInteger(SectionCurrent, KeyAnimationDirection, AnimationDirection());
    reg.WriteBool(SectionCurrent, KeyInteriorVisible, InteriorVisible());
    reg.WriteFloat(SectionCurrent, KeyInteriorFactor, InteriorFactor());
    reg.WriteInteger(SectionCurrent, KeyColorOffset, ColorOffset());
    reg.WriteBool(SectionCurrent, KeyColorWrapping, ColorWrapping());
    // Never a map that the next start would refuse; the stored one stays then.
    try {
        CheckPaletteMap(ColorMap());
        reg.WriteString(SectionCurrent, KeyColorMap, ColorMap().AsString());
    } catch (const EQuillonError&) {
    }
    reg.WriteBool(SectionCurrent, KeySmoothColors, SmoothColors());
}

void TMainDialog::FirstShow()
{
    RunReported([this] {
        UpdateSize();
        SetQuickHelpVisible(FAppRegistry->Registry().ReadBool(settings::SectionView, settings::KeyQuickHelpVisible, true));
        SetJuliaPreviewVisible(
            FAppRegistry->Registry().ReadBool(settings::SectionView, settings::KeyJuliaPreviewVisible, false));
    });
    FStartUpLock.reset();
    // Another screen may have another pixel ratio: the image follows it.
    if (QWindow* handle = windowHandle())
        connect(handle, &QWindow::screenChanged, this, [this] {
            QTimer::singleShot(0, this, [this] { RunReported([this] { UpdateSize(); }); });
        });
    if (FStartFile.isEmpty()) {
        RunReported([this] { SetRunning(true); });
        return;
    }
    // Once the window is on screen, so that a failure's message box has it
    // behind; the stored state renders also when the file fails.
    QTimer::singleShot(0, this, [this] {
        if (!OpenFile(FStartFile))
            RunReported([this] { SetRunning(true); });
    });
}

void TMainDialog::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!FFirstShowDone && !event->spontaneous()) {
        FFirstShowDone = true;
        FirstShow();
    }
}

// --- Layout ------------------------------------------------------------------

void TMainDialog::CreateControlBar()
{
    PanelControls = new QWidget(this);
    PanelControls->setObjectName(QStringLiteral("PanelControls"));
    PanelControls->setFixedHeight(25);
    auto* row = new QHBoxLayout(PanelControls);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    auto addPair = [&](QLabel*& label, TTrackBarEx*& bar, const char* caption, const char* labelName,
                       const char* name, int min, int max, int page, int position) {
        label = new QLabel(QString::fromLatin1(caption), PanelControls);
        label->setObjectName(QString::fromLatin1(labelName));
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setFixedWidth(label->sizeHint().width());
        bar = new TTrackBarEx(Qt::Horizontal, PanelControls);
        bar->setObjectName(QString::fromLatin1(name));
        bar->setRange(min, max);
        bar->setPageStep(page);
        bar->setSingleStep(1);
        bar->setValue(position);
        row->addWidget(label);
        row->addWidget(bar);
    };
    addPair(LabelMaxSteps, TrackBarMaxSteps, " Steps ", "LabelMaxSteps", "TrackBarMaxSteps", 1, 1000, 100, 1);
    addPair(LabelMaxAbs, TrackBarMaxAbs, " Limit ", "LabelMaxAbs", "TrackBarMaxAbs", 10, 500, 10, 20);
    addPair(LabelAnimationSpeed, TrackBarAnimationSpeed, " Animation  ", "LabelAnimationSpeed",
            "TrackBarAnimationSpeed", 1, 10, 10, 1);
    row->addStretch(1);

    connect(TrackBarMaxSteps, &QSlider::valueChanged, this, [this] { TrackBarMaxStepsChange(); });
    connect(TrackBarMaxSteps, &TTrackBarEx::changed, this, &TMainDialog::TrackBarMaxStepsChanged);
    connect(TrackBarMaxAbs, &QSlider::valueChanged, this, [this] { TrackBarMaxAbsChange(); });
    connect(TrackBarMaxAbs, &TTrackBarEx::changed, this, &TMainDialog::TrackBarMaxAbsChanged);
    connect(TrackBarAnimationSpeed, &QSlider::valueChanged, this, [this] { TrackBarAnimationSpeedChange(); });
    PanelControls->installEventFilter(this);
}

void TMainDialog::PanelControlsResize()
{
    const int labels = LabelMaxSteps->width() + LabelMaxAbs->width() + LabelAnimationSpeed->width();
    const int width = std::max(0, (PanelControls->contentsRect().width() - labels) / 3);
    // A ceiling, not a fixed width: a fixed width would raise the window's
    // minimum to its present width, so that it could grow but never shrink.
    for (TTrackBarEx* bar : {TrackBarMaxSteps, TrackBarMaxAbs, TrackBarAnimationSpeed}) {
        bar->setMinimumWidth(0);
        bar->setMaximumWidth(width);
    }
}

void TMainDialog::CreateWorkspace()
{
    // No border at start-up; leaving full screen gives it one.
    PanelWorkspace = new QFrame(this);
    PanelWorkspace->setFrameStyle(QFrame::NoFrame);
    PanelWorkspace->setObjectName(QStringLiteral("PanelWorkspace"));
    PanelWorkspace->setBackgroundRole(QPalette::Dark);
    PanelWorkspace->setAutoFillBackground(true);
    auto* fill = new QVBoxLayout(PanelWorkspace);
    fill->setContentsMargins(0, 0, 0, 0);
    PaintBox = new TPaintBox(PanelWorkspace);
    PaintBox->setObjectName(QStringLiteral("PaintBox"));
    fill->addWidget(PaintBox);
    connect(PaintBox, &TPaintBox::painting, this, &TMainDialog::PaintBoxPaint, Qt::DirectConnection);
    connect(PaintBox, &TPaintBox::mousePressed, this, &TMainDialog::PaintBoxMouseDown);
    connect(PaintBox, &TPaintBox::mouseMoved, this, &TMainDialog::PaintBoxMouseMove);
    connect(PaintBox, &TPaintBox::mouseReleased, this, &TMainDialog::PaintBoxMouseUp);
    connect(PaintBox, &TPaintBox::mouseDoubleClicked, this, &TMainDialog::PaintBoxDblClick);
    PaintBox->installEventFilter(this);
    PanelWorkspace->installEventFilter(this);
}

void TMainDialog::CreateStatusBar()
{
    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    setStatusBar(StatusBar);
    for (std::size_t i = 0; i < PanelLayouts.size(); ++i) {
        const TPanelLayout& layout = PanelLayouts[i];
        auto* panel = new TFitLabel(QString::fromLatin1(layout.Text), StatusBar);
        panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        panel->setFixedWidth(layout.Width);
        panel->setAlignment(layout.Alignment | Qt::AlignVCenter);
        panel->setProperty("bevel", layout.Bevel);
        if (layout.Bevel)
            panel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        StatusBar->addWidget(panel);
        FStatusPanels[i] = panel;
    }
}

void TMainDialog::CreateDialogs()
{
    auto make = [this](const char* name, const char* title, const char* suffix, const QStringList& filters) {
        auto* dialog = new QFileDialog(this);
        dialog->setObjectName(QString::fromLatin1(name));
        dialog->setWindowTitle(QString::fromLatin1(title));
        dialog->setDefaultSuffix(QString::fromLatin1(suffix));
        dialog->setNameFilters(filters);
        return dialog;
    };
    const QStringList scenery = {QStringLiteral("Quillon scenary file (*.qsf)"), QStringLiteral("All files (*.*)")};
    // Pictures saved by the window carry their scene.
    OpenDialog = make("OpenDialog", "Load Scenary", "",
                      scenery + QStringList(QStringLiteral("Pictures with a Quillon scene (*.png)")));
    OpenDialog->setAcceptMode(QFileDialog::AcceptOpen);
    OpenDialog->setFileMode(QFileDialog::ExistingFile);
    SaveDialog = make("SaveDialog", "Save Scenary", "qsf", scenery);
    SaveDialog->setAcceptMode(QFileDialog::AcceptSave);
    SaveImageDialog = make("SaveImageDialog", "Save Image as", "bmp",
                           {QStringLiteral("Images (bmp,jpg,png,gif) (*.bmp *.jpg *.png *.gif)"),
                            QStringLiteral("Windows Bitmaps (*.bmp)"), QStringLiteral("Jpeg compressed (*.jpg)"),
                            QStringLiteral("Portable Network Graphics (*.png)"),
                            QStringLiteral("Graphics Interchanged Format (*.gif)")});
    SaveImageDialog->setAcceptMode(QFileDialog::AcceptSave);
    // The samples per pixel sit below the file name: only the toolkit's own dialog takes extra widgets.
    SaveImageDialog->setOption(QFileDialog::DontUseNativeDialog);
    ComboBoxImageSamples = new QComboBox(SaveImageDialog);
    ComboBoxImageSamples->setObjectName(QStringLiteral("ComboBoxImageSamples"));
    ComboBoxImageSamples->addItems({QStringLiteral("1x1"), QStringLiteral("2x2"), QStringLiteral("3x3"), QStringLiteral("4x4")});
    if (auto* grid = qobject_cast<QGridLayout*>(SaveImageDialog->layout())) {
        auto* label = new QLabel(tr("Samples per &pixel:"), SaveImageDialog);
        label->setBuddy(ComboBoxImageSamples);
        const int row = grid->rowCount();
        grid->addWidget(label, row, 0);
        grid->addWidget(ComboBoxImageSamples, row, 1);
    }
    SaveAniDialog = make("SaveAniDialog", "", "gif", {QStringLiteral("GIF Images (*.gif)")});
    SaveAniDialog->setAcceptMode(QFileDialog::AcceptSave);
}

QString TMainDialog::StatusPanelText(int Index) const
{
    return FStatusPanels.at(static_cast<std::size_t>(Index))->text();
}

void TMainDialog::SetStatusPanel(int Index, const QString& Text)
{
    FStatusPanels.at(static_cast<std::size_t>(Index))->setText(Text);
}

// --- Window events -------------------------------------------------------------

bool TMainDialog::eventFilter(QObject* watched, QEvent* event)
{
    // The window sees the wheel anywhere over it, and keys before the focused control.
    if (event->type() == QEvent::Wheel || event->type() == QEvent::KeyPress) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this) {
            bool consumed = false;
            RunReported([&] {
                consumed = event->type() == QEvent::Wheel ? FormMouseWheel(static_cast<QWheelEvent*>(event))
                                                          : FormKeyDown(static_cast<QKeyEvent*>(event));
            });
            if (consumed)
                return true;
        }
    }
    if (event->type() == QEvent::Expose && FQuickHelpWaitsForWindow && watched == windowHandle()
        && windowHandle()->isExposed())
        QTimer::singleShot(0, this, [this] { ShowQuickHelp(); });
    if ((event->type() == QEvent::Move || event->type() == QEvent::Resize) && watched == PanelWorkspace) {
        PlaceQuickHelp();
        PlaceJuliaPreview();
    }
    if (event->type() == QEvent::Resize) {
        if (watched == PanelControls) {
            PanelControlsResize();
        } else if (watched == PaintBox) {
            UpdateImageOffset();
            const QSize pixels = PaintBoxPixels();
            SetStatusPanel(1, Q(SizeToStr(TSize{pixels.width(), pixels.height()})));
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainDialog::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    // The image follows the window once a resize has ended: every size change
    // restarts the rendering. Whether a button is held says nothing here: a
    // window manager may resize without one, or keep one held after its own
    // resize.
    if (FFirstShowDone)
        FResizeEndTimer->start();
}

void TMainDialog::ResizeEnded()
{
    FSizePending = true;
    ApplyPendingSize();
}

void TMainDialog::ApplyPendingSize()
{
    // The window is never pinned: a size change during a rendering waits for
    // its end or stop, and the image is shown 1:1 meanwhile.
    if (!FSizePending || Running())
        return;
    FSizePending = false;
    RunReported([this] { UpdateSize(); });
}

void TMainDialog::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    // The quick-help and preview windows travel with the window.
    PlaceQuickHelp();
    PlaceJuliaPreview();
}

void TMainDialog::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && FFirstShowDone) {
        const auto old = static_cast<QWindowStateChangeEvent*>(event)->oldState();
        if ((windowState() & Qt::WindowMaximized) || (old & Qt::WindowMaximized)) {
            // After the layout has taken the new size; a window manager's
            // later resize ends as any other.
            QTimer::singleShot(0, this, [this] { ResizeEnded(); });
        }
    }
}

} // namespace quillon
