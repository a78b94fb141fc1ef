#pragma once
// The fractal engine: the view, the processor that renders the escape-time index
// image on worker threads, the iteration kernel and the palette.
//
// Threads. The owner (user-interface) thread calls every public method. Workers
// are std::threads, one per logical processor unless SetThreadCount says
// otherwise; they take lines in interlaced order (even lines first) and write
// palette indices into the bitmap. The processor joins them when it stops them,
// before it starts new ones and when it is destroyed. Values that workers read
// while the owner may write them (Algorithm, JuliaPoint, ColorOffset,
// ColorCount) are relaxed atomics; everything else that workers read (the
// snapshot of the settings, the matrices, the bitmap's geometry) is written only
// while no worker runs.
//
// A view with Scale 0 is accepted as it is: every pixel maps to Center (the image
// shows one color) and LogToPxMatrix, the inverse of a singular matrix, holds
// non-finite elements, so LogToPixel gives saturated or zero coordinates. Nothing
// crashes or hangs; callers check GetValid before they pass a view on.
//
// Floating-point arithmetic does not trap: an overflowing magnitude is infinite
// and escapes, a NaN magnitude never escapes.
#include "ColorFns.h"
#include "Matrix2D.h"
#include "PalBmp.h"
#include "PreciseNumber.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// The part of the plane that the image shows. Scale is in plane units per pixel
// (0 marks the empty view), Angle in radians, counter-clockwise.
//
// Deep views need more bits in the centre than a double has: Precise holds
// them, and Center its rounding to doubles. Precise is in force only while
// each of its coordinates rounds to Center's, so code that sets Center alone
// drops it, and a view without one is exactly what its Center says.
struct TView {
    TPoint2D Center;
    double Scale = 0;
    double Angle = 0;
    TPreciseCenter Precise;

    TView() = default;
    TView(const TPoint2D& center, double scale, double angle) : Center(center), Scale(scale), Angle(angle) {}
    static TView Create(const TPoint2D& center, double scale, double angle) { return TView{center, scale, angle}; }
    bool GetValid() const { return Scale != 0; }
    void Invalidate() { Scale = 0; }
    // True when the centre has more bits than Center holds.
    bool HasPreciseCenter() const;
    // The centre with every bit it has.
    TPreciseCenter PreciseCenter() const;
    // Center becomes the rounding of value; Precise holds value unless Center
    // holds it exactly.
    void SetPreciseCenter(const TPreciseCenter& value);
    // Exact comparison of Center, Scale, Angle and the precise centre in force.
    friend bool operator==(const TView& a, const TView& b);
};

// The view with its centre moved by offset, added at the centre's full
// precision (exact unless the sum needs more than TPreciseNumber::MaxBits bits).
TView MoveView(const TView& view, const TPoint2D& offset);
// Zooms by factor (2: twice as large) about the point at offset from the
// centre, which stays where it is in the image.
TView ZoomViewAbout(const TView& view, const TPoint2D& offset, double factor);

enum TAlgorithm : int { alMandelbrot, alJulia };

enum TProcessorOption : unsigned { poInterior, poColorWrapping };

// A set of TProcessorOption.
class TProcessorOptions {
public:
    constexpr TProcessorOptions() = default;
    constexpr TProcessorOptions(std::initializer_list<TProcessorOption> options)
    {
        for (auto o : options) Include(o);
    }
    constexpr bool Contains(TProcessorOption o) const { return (FBits & Bit(o)) != 0; }
    constexpr TProcessorOptions& Include(TProcessorOption o) { FBits |= Bit(o); return *this; }
    constexpr TProcessorOptions& Exclude(TProcessorOption o) { FBits &= ~Bit(o); return *this; }
    constexpr bool Empty() const { return FBits == 0; }
    friend constexpr bool operator==(const TProcessorOptions&, const TProcessorOptions&) = default;

private:
    static constexpr unsigned Bit(TProcessorOption o) { return 1u << static_cast<unsigned>(o); }
    unsigned FBits = 0;
};

enum TUpDown : int { drUp, drDown };

// When the workers iterate relative to a reference orbit (perturbation)
// instead of in plain doubles: only where doubles fail (Auto), always, or never.
enum class TDeepMode { Auto, On, Off };

// The line kernel of the workers: the plain scalar loop (the reference) or the
// vectorised one; both give the same image bit for bit.
enum class TKernel { Scalar, Simd };

class TProcessor {
public:
    // 400 x 300 pixels, default settings, idle, JuliaPoint (0, 0).
    TProcessor();
    TProcessor(const TProcessor&) = delete;
    TProcessor& operator=(const TProcessor&) = delete;
    // Stops and joins the workers.
    virtual ~TProcessor();

    // Settings. MaxSteps, MaxAbs, InteriorFactor and Options are used from the next
    // start; Algorithm and JuliaPoint are read by running workers as they go.
    TAlgorithm Algorithm() const { return FAlgorithm.load(std::memory_order_relaxed); }
    void SetAlgorithm(TAlgorithm value) { FAlgorithm.store(value, std::memory_order_relaxed); }
    int MaxSteps() const { return FMaxSteps; }
    void SetMaxSteps(int value) { FMaxSteps = value; }
    double MaxAbs() const { return FMaxAbs; }
    void SetMaxAbs(double value) { FMaxAbs = value; }
    double InteriorFactor() const { return FInteriorFactor; }
    void SetInteriorFactor(double value) { FInteriorFactor = value; }
    TPoint2D JuliaPoint() const;
    void SetJuliaPoint(const TPoint2D& value);
    TProcessorOptions Options() const { return FOptions; }
    void SetOptions(TProcessorOptions value) { FOptions = value; }

    // Smooth colors: the workers also keep each escaped pixel's continuous value
    // (SmoothColors.h) beside the index image. Used from the next start.
    bool SmoothColors() const { return FSmoothColors; }
    void SetSmoothColors(bool value) { FSmoothColors = value; }
    // True when the image's continuous values are kept: the current or last
    // rendering was started with SmoothColors and the size has not changed since.
    bool HasSmoothCodes() const { return FHasSmoothCodes; }
    // The smooth picture of lines firstLine .. firstLine + lineCount - 1 as
    // 0xFFRRGGBB values, with the color table and ColorCount as they stand and
    // the wrapping rule of the rendering; plain palette colors without
    // HasSmoothCodes. Dest holds destPixelsPerLine values per line. Owner thread
    // only; workers may be writing the image.
    void CopySmoothPixels(std::uint32_t* dest, int destPixelsPerLine, int firstLine, int lineCount) const;
    // The code of pixel (x, y) (NoSmoothCode without codes or outside the image).
    std::uint16_t SmoothCode(int x, int y) const;

    // A band of a taller picture: the image holds lines firstLine ..
    // firstLine + Height - 1 of a picture pictureHeight lines high with this
    // view, pixel for pixel as the whole picture would have them, so a picture
    // too large to hold is rendered a band at a time. (0, 0), the default, is
    // the whole picture. Stops a running rendering; used from the next start.
    void SetBand(int firstLine, int pictureHeight);
    int BandFirstLine() const { return FBandFirstLine; }
    int BandPictureHeight() const { return FBandPictureHeight; }

    const TView& View() const { return FView; }
    // A different view stops a running rendering, rebuilds the matrices and starts again.
    void SetView(const TView& value);

    int Width() const { return FBmp8.Width(); }
    int Height() const { return FBmp8.Height(); }
    TSize Size() const { return FBmp8.Size(); }
    // A different size stops a running rendering, resizes the bitmap, rebuilds the
    // matrices and starts again. "Invalid size." unless both are positive; the
    // rendering then stays stopped and nothing else changes.
    void SetSize(const TSize& value);

    // True while a worker of the current rendering has not ended.
    bool Running() const;
    // true starts a rendering, false stops it and waits for the workers; the
    // current value does nothing.
    void SetRunning(bool value);

    // The image. Its color table may be written directly; its size only through SetSize.
    TPaletteBitmap& Bitmap() { return FBmp8; }
    const TPaletteBitmap& Bitmap() const { return FBmp8; }
    // Duration of the last rendering, also of one stopped early.
    double ElapsedMs() const;
    // Lines the current or last rendering has finished, of Height().
    int LinesDone() const { return FLinesDone.load(std::memory_order_relaxed); }
    // Called on the thread of the last worker to end, once a rendering has
    // ended (finished or stopped) and ElapsedMs holds its duration. Set it
    // while no rendering runs; it may ask Running but must not start or stop.
    std::function<void()> OnFinished;

    // The palette: entry 0 is the interior color. Writing needs 2 to 256 colors
    // ("Invalid palette.", "Invalid number of colors (up to 256)."; nothing changes
    // then), copies them into the bitmap's color table and resets ColorOffset to 0.
    const std::vector<TColor>& Colors() const { return FColors; }
    void SetColors(const std::vector<TColor>& value);
    int ColorCount() const { return FColorCount.load(std::memory_order_relaxed); }
    int ColorOffset() const { return FColorOffset.load(std::memory_order_relaxed); }
    // "Invalid color offset." unless 0 <= value < ColorCount.
    void SetColorOffset(int value);
    // Rotates entries 1 .. ColorCount-1 by one place (entry 0 stays) and writes the table.
    void RotatePalette(TUpDown direction);

    void Reset();
    void Start() { SetRunning(true); }
    void Stop() { SetRunning(false); }
    // A pair around a change that needs the workers stopped: a rendering that
    // was running starts again from the beginning, one that was not stays
    // stopped. Pairs nest; only the outermost one restarts. TRenderPause
    // keeps the pair balanced.
    void StopIfRunning();
    void RestartIfStopped();

    TPoint2D PixelToLog(const TPoint& pt) const { return PxToLogMatrix.Transform(pt); }
    // The plane displacement of pixel pt from the view's centre; with MoveView it
    // gives the pixel's point at the centre's full precision.
    TPoint2D PixelToOffset(const TPoint& pt) const { return PxToOffsetMatrix.Transform(pt); }
    TPoint LogToPixel(const TPoint2D& value) const;
    void UpdateMatrices();

    // Kernel of the next rendering; Simd unless set.
    TKernel Kernel() const { return FKernel; }
    void SetKernel(TKernel value) { FKernel = value; }
    // Whether the vectorised kernel stops iterating orbits that came back to an
    // earlier point (the image is the same either way); true unless set.
    bool CycleDetection() const { return FCycleDetection; }
    void SetCycleDetection(bool value) { FCycleDetection = value; }
    // The instruction set the vectorised kernel runs with on this processor ("AVX2", ...).
    static std::string KernelTargetName();

    // Perturbation of the next rendering.
    TDeepMode DeepMode() const { return FDeepMode; }
    void SetDeepMode(TDeepMode value) { FDeepMode = value; }
    // Whether view at size needs perturbation: when the doubles around the
    // image's largest coordinate are coarser than 1/4096 of a pixel (see
    // DeepThreshold in the source).
    static bool NeedsDeep(const TView& view, const TSize& size);
    // Whether the current or last rendering used perturbation, and then the
    // escape tests its workers made, and the wall time its reference orbit took.
    bool DeepActive() const { return FThreadDeep; }
    std::uint64_t DeepIterations() const { return FDeepIterations.load(std::memory_order_relaxed); }
    double DeepReferenceMs() const;

    // Workers of the next rendering; 0 or less means one per logical processor.
    int ThreadCount() const { return FThreadCount; }
    void SetThreadCount(int value) { FThreadCount = value; }
    // The number of logical processors, read once.
    static int DefaultThreadCount();

    // The scalar kernel, one pixel at a time: the palette index (before it is
    // narrowed to 8 bits) of plane point p, with the settings of the current or
    // last rendering (snapshot) and the live ColorOffset, ColorCount and JuliaPoint.
    std::int64_t IterateMandelbrot(const TPoint2D& p) const;
    std::int64_t IterateJulia(const TPoint2D& p) const;
    // Escape test of z under z -> z^2 + c: the count n (1 <= n <= maxSteps) of the
    // first test with |z|^2 >= absMax2, or 0 when none escapes within maxSteps tests
    // (lastR2 then holds the last |z|^2). At least one test is made.
    static int EscapeCount(double x, double y, double cx, double cy, int maxSteps, double absMax2, double& lastR2);
    // Interior value: Round(sqrt(r2) * factor) mod colorCount, sign of the dividend;
    // empty for a NaN or infinite product (the pixel stays uncolored).
    static std::optional<std::int64_t> InteriorValue(double r2, double factor, int colorCount);
    // Index of count n: wrapping ((offset + n) mod top) + 1, else min(offset + n + 1, top).
    static std::int64_t CountToIndex(std::int64_t n, int offset, int top, bool wrapping);

    // Computes every pixel of line y into the bitmap (a worker's unit of work).
    // Workers check for a stop between lines, and within a line every 65536
    // escape tests or so: a line that needs only a little more work (some 30 ms)
    // is finished, a longer one given up, so a huge MaxSteps does not delay a
    // stop; a line given up keeps part of its previous pixels.
    // An override must stop the processor in its own destructor.
    virtual void ComputeLine(int y);

protected:
    // True once the workers of the current rendering have been asked to end.
    bool TerminateRequested() const { return FTerminated.load(std::memory_order_relaxed); }

public:

    TMatrix2D PxToLogMatrix;
    TMatrix2D LogToPxMatrix;
    // As PxToLogMatrix without the move to the centre.
    TMatrix2D PxToOffsetMatrix;

private:
    struct TIterThread;
    struct TDeepState;

    void SetDefaults();
    void StartThreads();
    void StopThreads();
    void JoinWorkers();
    bool TakeLine(int& y);
    void WorkerRun(TIterThread& worker);
    void WorkerDone(TIterThread& worker);
    std::int64_t PixelIndex(double x, double y, double cx, double cy, int offset, int colorCount) const;
    // Index of an escape count n, or of a pixel that did not escape (n 0, last r2).
    std::int64_t OutcomeIndex(std::int64_t n, double r2, int offset, int colorCount) const;
    // The smooth code of a pixel that ended at count n (0: did not escape);
    // code() gives the code of its continuous value, asked only when it is needed.
    template <class TCode>
    std::uint16_t SmoothCodeFor(int n, int offset, int colorCount, TCode code) const;
    // The highest count whose color blends with the next palette entry.
    std::int64_t SmoothBlendLimit(int offset, int colorCount) const;
    // The index of a pixel's outcome (count n, last r2, escaping z) and, with
    // smooth colors, its code.
    std::int64_t StoreOutcome(int x, int y, int n, double r2, double zx, double zy, double cx, double cy,
                              int offset, int colorCount);
    int PictureHeight() const { return FBandPictureHeight > 0 ? FBandPictureHeight : Height(); }
    void ComputeLineScalar(int y, TAlgorithm algorithm);
    void ComputeLineSimd(int y, TAlgorithm algorithm);
    void ComputeLineDeep(int y);
    // Decides whether the rendering about to start is deep and readies its reference orbit.
    void PrepareDeep();

    TPaletteBitmap FBmp8;
    std::vector<TColor> FColors;
    std::atomic<int> FColorCount{0};
    std::atomic<int> FColorOffset{0};
    std::atomic<TAlgorithm> FAlgorithm{alMandelbrot};
    int FMaxSteps = 50;
    double FMaxAbs = 2.0;
    TProcessorOptions FOptions;
    double FInteriorFactor = 100.0;
    std::atomic<double> FJuliaX{0};
    std::atomic<double> FJuliaY{0};
    TView FView;
    mutable std::mutex FThreadsSection;
    std::vector<TIterThread*> FThreads;                 // not yet ended; under FThreadsSection
    std::vector<std::unique_ptr<TIterThread>> FWorkers; // all of the current rendering; owner thread only
    std::int64_t FT0 = 0;
    mutable std::mutex FElapsedMsSection;
    double FElapsedMs = 0;
    int FNextLine = 0;
    std::mutex FNextLineSection;
    std::atomic<int> FLinesDone{0};
    bool FThreadIsInterior = false;
    double FThreadInteriorFactor = 100.0;
    bool FThreadIsColorWrapping = false;
    double FThreadAbsMax2 = 4.0;
    int FThreadMaxSteps = 50;
    bool FStopped = false;   // the outermost StopIfRunning found a rendering running
    int FStopDepth = 0;      // StopIfRunning calls not yet matched by RestartIfStopped
    int FThreadCount = 0;
    TKernel FKernel = TKernel::Simd;
    TKernel FThreadKernel = TKernel::Simd; // snapshot of FKernel
    bool FCycleDetection = true;
    bool FThreadCycleDetection = true;     // snapshot of FCycleDetection
    std::atomic<bool> FTerminated{false}; // asks every worker of the rendering to end
    TDeepMode FDeepMode = TDeepMode::Auto;
    bool FThreadDeep = false;
    std::unique_ptr<TDeepState> FDeep; // the reference orbit and its inputs
    std::atomic<std::uint64_t> FDeepIterations{0};
    bool FSmoothColors = false;
    bool FThreadSmooth = false;           // snapshot of FSmoothColors
    bool FHasSmoothCodes = false;
    std::vector<std::uint16_t> FSmoothCodes; // Width x Height, top row first, while FHasSmoothCodes
    int FBandFirstLine = 0;
    int FBandPictureHeight = 0;
};

// Stops a running rendering for the guard's lifetime and starts it again
// afterwards, also when the change in between fails.
class TRenderPause {
public:
    explicit TRenderPause(TProcessor& processor) : FProcessor(processor) { FProcessor.StopIfRunning(); }
    ~TRenderPause() { FProcessor.RestartIfStopped(); }
    TRenderPause(const TRenderPause&) = delete;
    TRenderPause& operator=(const TRenderPause&) = delete;

private:
    TProcessor& FProcessor;
};

// The overview of each set: the Mandelbrot set centred at (-0.6, 0), a Julia
// set at the origin, both at 0.00625 per pixel. The processor's default view
// is the Mandelbrot one.
TView HomeView(TAlgorithm algorithm);

// "%.16e,%.16e,%.16e,%.16e": Center.x, Center.y, Scale, Angle.
std::string ViewToStr(const TView& view);
// A coordinate of the view's centre as the View chapter and the status bar
// show it: "%.12g" where its twelve digits place the centre within a
// hundredth of a pixel of scale, else plain decimal with enough digits for a
// millionth of a pixel.
std::string CenterCoordinateText(const TPreciseNumber& value, double scale);
// ViewToStr followed, when the view has a precise centre, by its coordinates
// in plain decimal as fields 4 and 5.
std::string PreciseViewToStr(const TView& view);
// Whether precise, rounded to a double and written as "%.16e", reads as value
// written so: the test that a stored precise coordinate belongs to a stored
// double one (the text keeps 16 digits, not every bit).
bool PreciseMatches(const TPreciseNumber& precise, double value);
// Fields 0..3 of the comma-separated text; "Invalid index" for fewer fields, a
// conversion error for a field that is not a number. Not validated. Fields 4
// and 5, when both are decimal numbers that match fields 0 and 1 (PreciseMatches), become
// the precise centre; otherwise they are ignored.
TView StrToView(std::string_view text);
// "%dx%d", width first.
std::string SizeToStr(const TSize& size);
// The largest width or height a typed size may have: far beyond any screen,
// and small enough that a typing slip does not ask for terabytes.
inline constexpr int MaxImageSide = 65535;
// Width and height around the first lower-case x, both integers from 1 to MaxImageSide.
bool TryStrToSize(std::string_view text, TSize& size);
// As TryStrToSize; fails with "Invalid size.".
TSize StrToSize(std::string_view text);

// Count entries: entry 0 black, then Count - 1 fully saturated hues starting at
// the hue of baseColor (single precision).
std::vector<TColor> MakeHueColors(int count, TColor baseColor);

} // namespace quillon
