#pragma once
// What the user's picture is, without a window: the processor with its view,
// size and parameters, the working color map and the palette in force, the
// views to go back to (and those kept for the Mandelbrot set while a Julia
// set is shown), the selection, the palette animation settings, the tool
// mode, the auto-render switch and the render lock. The main window, the
// command-line renderer, the tests and the fuzzers all drive a TSession, so
// that a command means the same everywhere.
//
// Rendering starts and stops through SetRunning only. Setters that change the
// picture start a rendering (the view, the size, the palette) or start one
// when auto-render is on (the parameters); none starts while the render lock
// is held. Every change is reported through OnChanged, once per operation.
#include "colormap/ColorMap.h"
#include "engine/AnimationSpeed.h"
#include "engine/MandelbrotProcessor.h"
#include "persist/SceneryFile.h"
#include "session/OptionsHost.h"
#include "session/ToolMode.h"
#include "session/ViewHistory.h"

#include <functional>
#include <memory>
#include <string>

namespace quillon {

enum TSessionChange : unsigned {
    scView,       // the view (centre, scale, angle)
    scSize,       // the image size
    scParameters, // steps, limit, interior, wrapping, algorithm, Julia point, animation, tool mode, auto-render
    scPalette,    // the working map, the palette in force or its offset
    scHistory,    // the views to go back to
    scSelection,  // the selection rectangle
    scRunning     // a rendering started or ended
};

// A set of TSessionChange.
class TSessionChanges {
public:
    constexpr TSessionChanges() = default;
    constexpr TSessionChanges(std::initializer_list<TSessionChange> changes)
    {
        for (auto c : changes) Include(c);
    }
    static constexpr TSessionChanges All()
    {
        return {scView, scSize, scParameters, scPalette, scHistory, scSelection, scRunning};
    }
    constexpr bool Contains(TSessionChange c) const { return (FBits & Bit(c)) != 0; }
    constexpr TSessionChanges& Include(TSessionChange c) { FBits |= Bit(c); return *this; }
    constexpr TSessionChanges& Include(TSessionChanges c) { FBits |= c.FBits; return *this; }
    constexpr TSessionChanges& Exclude(TSessionChange c) { FBits &= ~Bit(c); return *this; }
    constexpr bool Empty() const { return FBits == 0; }
    friend constexpr bool operator==(const TSessionChanges&, const TSessionChanges&) = default;

private:
    static constexpr unsigned Bit(TSessionChange c) { return 1u << static_cast<unsigned>(c); }
    unsigned FBits = 0;
};

// The deepest scale zooming reaches (plane units per pixel): the zoom
// commands and clicks stop there.
inline constexpr double DeepestScale = 1e-300;

class TSession : public ISceneryHost, public IOptionsHost {
public:
    // Starts from the program's default state: the processor's defaults, the
    // application's default color map, the default animation settings, no
    // tool, auto-render off. A null Processor means a plain TProcessor.
    explicit TSession(std::unique_ptr<TProcessor> processor = nullptr);
    ~TSession() override;
    TSession(const TSession&) = delete;
    TSession& operator=(const TSession&) = delete;

    // What changed; called after the change, once per operation.
    std::function<void(TSessionChanges)> OnChanged;

    TProcessor& Processor() { return *FProcessor; }
    const TProcessor& Processor() const { return *FProcessor; }

    // --- Rendering ---------------------------------------------------------
    // True while a worker of the current rendering has not ended.
    bool Running() const { return FProcessor->Running(); }
    // True from a start until the end has been seen (SetRunning(false) or
    // CheckRendering): the window shows the rendering state meanwhile.
    bool Rendering() const { return FRendering; }
    // true starts a rendering unless one runs or the render lock is held;
    // false stops it and finishes a rendering that ended on its own.
    void SetRunning(bool value);
    // Reports the end of a rendering that finished on its own; true once it has.
    bool CheckRendering();
    // Renderings this session has started.
    int RenderStartCount() const { return FRenderStartCount; }
    bool AutoRender() const { return FAutoRender; }
    void SetAutoRender(bool value);
    // The render lock: while held, requests to start rendering are dropped.
    // Take it with TRenderLock; every holder starts rendering itself after.
    void LockRendering() override { ++FLockCount; }
    void UnlockRendering() override { --FLockCount; }
    int LockCount() const { return FLockCount; }
    void StopRendering() override { SetRunning(false); }

    // --- The picture -------------------------------------------------------
    TView View() const override { return FProcessor->View(); }
    // An empty view or the current one is ignored; a new one renders.
    void SetView(const TView& value) override;
    TSize Size() const override { return FProcessor->Size(); }
    // "Invalid size." unless both are positive; a new size renders.
    void SetSize(const TSize& value);
    // An image size and a view with a single start of rendering.
    void Setup(const TSize& size, const TView& view) override;
    int MaxSteps() const override { return FProcessor->MaxSteps(); }
    void SetMaxSteps(int value) override;
    double MaxAbs() const override { return FProcessor->MaxAbs(); }
    void SetMaxAbs(double value) override;
    bool InteriorVisible() const { return FProcessor->Options().Contains(poInterior); }
    void SetInteriorVisible(bool value);
    // The scene's view of it: a scene saved with interior coloring brings it back.
    bool Interior() const override { return InteriorVisible(); }
    void SetInterior(bool value) override { SetInteriorVisible(value); }
    bool ColorWrapping() const override { return FProcessor->Options().Contains(poColorWrapping); }
    void SetColorWrapping(bool value) override;
    double InteriorFactor() const override { return FProcessor->InteriorFactor(); }
    void SetInteriorFactor(double value) override;
    TPoint2D JuliaPoint() const override { return FProcessor->JuliaPoint(); }
    void SetJuliaPoint(const TPoint2D& value) override;
    // Smooth colors: escaped pixels blend two palette entries around their
    // continuous escape value. On renders (with auto-render); off shows the
    // palette's colors at once.
    bool SmoothColors() const override { return FProcessor->SmoothColors(); }
    void SetSmoothColors(bool value) override;
    // The picture is the smooth one: on, and rendered with them.
    bool SmoothShown() const { return FProcessor->SmoothColors() && FProcessor->HasSmoothCodes(); }
    TAlgorithm Algorithm() const override { return FProcessor->Algorithm(); }
    // Switching to the Julia set keeps the Mandelbrot view, selection and
    // history and takes the Julia point from the selection's centre (else the
    // view's); the set shows from its home view. Switching back restores them.
    void SetAlgorithm(TAlgorithm value) override;
    // The Julia set of Point as the switch shows it (the Mandelbrot state
    // kept), with one rendering; in the Julia set already, only the point changes.
    void ShowJuliaSet(const TPoint2D& point);
    // The Algorithm chapter's choice, applied as the switch does.
    void SetAlgorithmAndJuliaPoint(TAlgorithm value, const TPoint2D& point) override;

    // --- Colors ------------------------------------------------------------
    // The working map: a change to it installs its palette in the processor.
    TColorMap& ColorMap() override { return FColorMap; }
    const TColorMap& ColorMap() const override { return FColorMap; }
    const TColorMap& DefaultColorMap() const override { return FDefaultColorMap; }
    // Installs a copy of Map as the working map; its palette is installed
    // also when the map is unchanged, so a loaded scene shows its own colors.
    void SetColorMap(const TColorMap& map) override;
    // Installs the working map's palette anew (undoing any rotation) and renders.
    void ApplyColorMap();
    int ColorOffset() const override { return FProcessor->ColorOffset(); }
    // "Invalid color offset." outside the palette in force.
    void SetColorOffset(int value) override;

    // --- Palette animation -------------------------------------------------
    int AnimationSpeed() const override { return FAnimationSpeed; }
    // Clamped to the speed scale.
    void SetAnimationSpeed(int value) override;
    TUpDown AnimationDirection() const override { return FAnimationDirection; }
    void SetAnimationDirection(TUpDown value) override;
    // Milliseconds between two steps of the animation at the current speed.
    int AnimationInterval() const;
    // Frames per second of a speed, and the speed nearest to a frame rate.
    float AnimationSpeedToFrameRate(int value) const override;
    int FrameRateToAnimationSpeed(float value) const override;
    // One step of the animation: only the color table turns.
    void RotatePalette();

    // --- Navigation --------------------------------------------------------
    const TViewHistory& History() const { return FHistory; }
    // Forgets the views to go back to, also those kept for the Mandelbrot set.
    void ClearHistory() override;
    // Last view: back to the newest view of the history; the view being left
    // becomes the selection and the first way forward. False when the history is empty.
    bool PopHistory();
    // Next view: forward again to the view Last view left, as a zoom into it
    // (the selection goes). False with no way forward: any other view than
    // the one Last view or Next view went to ends it.
    bool NextView();
    // The overview of the set shown; the start of the exploration becomes the selection.
    void Home();
    // Back to the defaults of view, colors and parameters; one rendering.
    void Reset();
    // The view's scale times Factor, about the centre.
    void ZoomBy(double factor);
    // The view's scale times Factor, about plane point Anchor, which keeps its pixel.
    void ZoomAt(const TPoint2D& anchor, double factor);
    void ZoomAt(const TPreciseCenter& anchor, double factor);
    // The view a click at plane point Center zooms to: the selection's scale
    // and angle, or a tenth of the view's scale.
    TView ClickView(const TPoint2D& center) const;
    // The same at a centre with all its digits (deep views).
    TView ClickView(const TPreciseCenter& center) const;
    // Zooms to the target of a double-click or middle click at Center: the
    // selection in selection mode, else the click view; the view left goes
    // into the history and the selection goes.
    void ZoomToTarget(const TPoint2D& center);
    void ZoomToTarget(const TPreciseCenter& center);

    // --- Selection and tools -----------------------------------------------
    // The selection rectangle in plane coordinates; an invalid view for none.
    const TView& Selection() const { return FSelection; }
    void SetSelection(const TView& value);
    // Kept also without a selection: the next one placed by a click keeps it.
    void SetSelectionAngle(double value);
    // False when there was none.
    bool DeleteSelection();
    // The selection's scale times Factor, or divided by it; false when there is none.
    bool ScaleSelection(double factor);
    bool UnscaleSelection(double factor);
    TToolMode ToolMode() const { return FToolMode; }
    void SetToolMode(TToolMode value);

    // --- Scenes ------------------------------------------------------------
    // A scenery file, or a PNG that carries its scene; does not start
    // rendering. A failure leaves what was applied before it.
    void LoadFromFile(const std::string& path);
    // The whole scene written to Path through a temporary file.
    void SaveToFile(const std::string& path) const;

private:
    // Collects the changes of an operation and reports them once, when the
    // outermost batch ends.
    class TBatch {
    public:
        explicit TBatch(TSession& session);
        ~TBatch() noexcept(false);
        TBatch(const TBatch&) = delete;
        TBatch& operator=(const TBatch&) = delete;

    private:
        TSession& FSession;
        int FExceptions;
    };

    void Changed(TSessionChanges changes);
    void CheckAutoRender();
    void SetOption(TProcessorOption option, bool value);
    void FinishRendering();

    std::unique_ptr<TProcessor> FProcessor;
    TColorMap FDefaultColorMap;
    TColorMap FColorMap;
    TViewHistory FHistory;
    TViewHistory FHistoryBackup;
    TView FSelection;
    TView FSelectionBackup;
    TView FViewBackup;
    double FLastSelectionRatio = 10.0;
    TToolMode FToolMode = tmNone;
    bool FAutoRender = false;
    int FAnimationSpeed = DefaultAnimationSpeed;
    TUpDown FAnimationDirection = drUp;
    TConverter FAnimationSpeedToInterval;
    int FLockCount = 0;
    bool FRendering = false;
    int FRenderStartCount = 0;
    int FBatchDepth = 0;
    TSessionChanges FPending;
};

} // namespace quillon
