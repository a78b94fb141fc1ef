#include "MandelbrotProcessor.h"

#include "CPUTime.h"
#include "ColorModelFns.h"
#include "DeepKernel.h"
#include "Errors.h"
#include "NumberFns.h"
#include "SimdKernel.h"
#include "SmoothColors.h"
#include "StrFns.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <limits>
#include <thread>

namespace quillon {

namespace {

constexpr TSize DefaultSize{400, 300};

} // namespace

struct TProcessor::TIterThread {
    TProcessor* FProcessor = nullptr;
    std::thread Thread;
};

// The reference orbit of a deep rendering. The first worker computes it under
// Mutex while the others wait; a rendering with the same inputs reuses it.
struct TProcessor::TDeepState {
    TPreciseCenter Center;
    bool Julia = false;
    TPoint2D JuliaPoint;
    int MaxSteps = 0;
    double AbsMax2 = 0;
    long Bits = 0;

    std::mutex Mutex;
    bool Ready = false; // under Mutex
    TReferenceOrbit Orbit;
    double Ms = 0;

    bool SameInputs(const TDeepState& o) const
    {
        return Center == o.Center && Julia == o.Julia && JuliaPoint == o.JuliaPoint && MaxSteps == o.MaxSteps &&
               AbsMax2 == o.AbsMax2 && Bits == o.Bits;
    }
};

// ---------------------------------------------------------------------------
// Construction and settings

TProcessor::TProcessor()
{
    FBmp8.SetSize(DefaultSize.Width, DefaultSize.Height);
    SetDefaults();
}

TProcessor::~TProcessor()
{
    SetRunning(false);
    JoinWorkers();
}

void TProcessor::SetDefaults()
{
    SetAlgorithm(alMandelbrot);
    FOptions = {};
    FInteriorFactor = 100.0;
    FView = HomeView(alMandelbrot);
    FMaxSteps = 50;
    FMaxAbs = 2.0;
    SetColors(MakeHueColors(256, clBlue));
    UpdateMatrices();
}

void TProcessor::Reset()
{
    SetRunning(false);
    SetDefaults();
}

TPoint2D TProcessor::JuliaPoint() const
{
    return {FJuliaX.load(std::memory_order_relaxed), FJuliaY.load(std::memory_order_relaxed)};
}

void TProcessor::SetJuliaPoint(const TPoint2D& value)
{
    FJuliaX.store(value.x, std::memory_order_relaxed);
    FJuliaY.store(value.y, std::memory_order_relaxed);
}

void TProcessor::SetView(const TView& value)
{
    if (value == FView) return;
    TRenderPause pause(*this);
    FView = value;
    UpdateMatrices();
}

void TProcessor::SetSize(const TSize& value)
{
    if (value == Size()) return;
    StopIfRunning();
    try {
        FBmp8.SetSize(value);
    } catch (...) {
        // A refused size leaves the rendering stopped, unless an outer pair restarts it.
        if (--FStopDepth == 0) FStopped = false;
        throw;
    }
    FHasSmoothCodes = false;
    FSmoothCodes = {};
    UpdateMatrices();
    RestartIfStopped();
}

void TProcessor::UpdateMatrices()
{
    TMatrix2D m = TMatrix2D::Create();
    m.Scale(1, -1);
    m.Translate(-Width() / 2.0, PictureHeight() / 2.0);
    m.Scale(FView.Scale, FView.Scale);
    m.Rotate(FView.Angle);
    PxToOffsetMatrix = m;
    m.Translate(FView.Center);
    PxToLogMatrix = m;
    m.Inverse();
    LogToPxMatrix = m;
}

TPoint TProcessor::LogToPixel(const TPoint2D& value) const
{
    const TPoint2D p = LogToPxMatrix.Transform(value);
    return {RoundToInt(p.x), RoundToInt(p.y)};
}

void TProcessor::SetBand(int firstLine, int pictureHeight)
{
    if (firstLine < 0 || pictureHeight < 0) throw EQuillonError("Invalid size.");
    if (firstLine == FBandFirstLine && pictureHeight == FBandPictureHeight) return;
    StopIfRunning();
    FBandFirstLine = firstLine;
    FBandPictureHeight = pictureHeight;
    UpdateMatrices();
    RestartIfStopped();
}

double TProcessor::ElapsedMs() const
{
    std::lock_guard lock(FElapsedMsSection);
    return FElapsedMs;
}

int TProcessor::DefaultThreadCount()
{
    static const int count = [] {
        const unsigned n = std::thread::hardware_concurrency();
        return n == 0 ? 1 : static_cast<int>(n);
    }();
    return count;
}

// ---------------------------------------------------------------------------
// Palette

void TProcessor::SetColors(const std::vector<TColor>& value)
{
    if (value.size() < 2) throw EQuillonError("Invalid palette.");
    // Checked here so that a refused palette leaves the previous one entirely.
    if (value.size() > 256) throw EQuillonError("Invalid number of colors (up to 256).");
    FBmp8.SetColors(value);
    FColors = value;
    FColorOffset.store(0, std::memory_order_relaxed);
    FColorCount.store(static_cast<int>(value.size()), std::memory_order_relaxed);
}

void TProcessor::SetColorOffset(int value)
{
    if (value == ColorOffset()) return;
    if (value < 0 || value >= ColorCount()) throw EQuillonError("Invalid color offset.");
    FColorOffset.store(value, std::memory_order_relaxed);
}

void TProcessor::RotatePalette(TUpDown direction)
{
    if (FColors.size() < 2) return;
    const auto first = FColors.begin() + 1;
    if (direction == drDown)
        std::rotate(first, first + 1, FColors.end());
    else
        std::rotate(first, FColors.end() - 1, FColors.end());
    FBmp8.SetColors(FColors);
}

std::vector<TColor> MakeHueColors(int count, TColor baseColor)
{
    if (count <= 0) return {};
    std::vector<TColor> result(static_cast<std::size_t>(count), clBlack);
    const float hue = ColorToHSL(baseColor)[0];
    const std::int64_t start = RoundHalfEven(static_cast<double>(hue) * count);
    for (int i = 0; i <= count - 2; ++i) {
        const std::int64_t d = (i + start) % count;
        const float h = static_cast<float>(d) / static_cast<float>(count - 1);
        result[static_cast<std::size_t>(i) + 1] = HSLToColor({h, 1.0f, 0.5f});
    }
    return result;
}

// ---------------------------------------------------------------------------
// Running state and workers

bool TProcessor::Running() const
{
    std::lock_guard lock(FThreadsSection);
    return !FThreads.empty();
}

void TProcessor::SetRunning(bool value)
{
    if (value == Running()) return;
    if (value)
        StartThreads();
    else
        StopThreads();
}

void TProcessor::StopIfRunning()
{
    // An inner pair finds the rendering stopped by the outer one; only the
    // outermost knows whether it ran.
    if (FStopDepth++ == 0) FStopped = Running();
    Stop();
}

void TProcessor::RestartIfStopped()
{
    if (FStopDepth == 0) return; // unpaired: nothing was stopped
    if (--FStopDepth != 0) return;
    if (FStopped) {
        FStopped = false;
        Start();
    }
}

void TProcessor::StartThreads()
{
    JoinWorkers(); // the threads of a finished rendering
    FT0 = ReadCPUTicks();
    FThreadMaxSteps = FMaxSteps;
    FThreadAbsMax2 = FMaxAbs * FMaxAbs;
    FThreadIsInterior = FOptions.Contains(poInterior);
    FThreadIsColorWrapping = FOptions.Contains(poColorWrapping);
    FThreadInteriorFactor = FInteriorFactor;
    FThreadKernel = FKernel;
    FThreadCycleDetection = FCycleDetection;
    PrepareDeep();
    FThreadSmooth = FSmoothColors;
    if (FThreadSmooth) {
        const std::size_t pixels = static_cast<std::size_t>(Width()) * static_cast<std::size_t>(Height());
        // Lines that a stop leaves unfinished keep their previous codes, as their indices.
        if (!FHasSmoothCodes || FSmoothCodes.size() != pixels) FSmoothCodes.assign(pixels, NoSmoothCode);
    } else {
        FSmoothCodes = {};
    }
    FHasSmoothCodes = FThreadSmooth;
    FNextLine = 0;
    FLinesDone.store(0, std::memory_order_relaxed);
    FTerminated.store(false, std::memory_order_relaxed);
    const int n = FThreadCount > 0 ? FThreadCount : DefaultThreadCount();
    // Every worker joins the list before any starts, so an early finisher cannot
    // take itself for the last one.
    {
        std::lock_guard lock(FThreadsSection);
        FThreads.clear();
        for (int k = 0; k < n; ++k) {
            FWorkers.push_back(std::make_unique<TIterThread>());
            FWorkers.back()->FProcessor = this;
            FThreads.push_back(FWorkers.back().get());
        }
    }
    for (std::size_t k = 0; k < FWorkers.size(); ++k) {
        TIterThread& w = *FWorkers[k];
        try {
            w.Thread = std::thread([this, &w] { WorkerRun(w); });
        } catch (...) {
            // Workers that could not be started leave the list here.
            for (std::size_t j = k; j < FWorkers.size(); ++j) WorkerDone(*FWorkers[j]);
            if (k == 0) throw;
            break;
        }
    }
}

void TProcessor::StopThreads()
{
    FTerminated.store(true, std::memory_order_relaxed);
    JoinWorkers();
}

void TProcessor::JoinWorkers()
{
    for (auto& w : FWorkers)
        if (w->Thread.joinable()) w->Thread.join();
    FWorkers.clear();
}

bool TProcessor::TakeLine(int& y)
{
    std::lock_guard lock(FNextLineSection);
    const int line = FNextLine;
    if (line < Height()) {
        FNextLine = line + 2;
        y = line;
        return true;
    }
    if (line % 2 == 0) {
        FNextLine = 3;
        y = 1;
        return true;
    }
    return false;
}

void TProcessor::WorkerRun(TIterThread& worker)
{
    try {
        int y = 0;
        while (!TerminateRequested() && TakeLine(y)) {
            ComputeLine(y);
            // A line given up by a stop is not done.
            if (y < Height() && !TerminateRequested()) FLinesDone.fetch_add(1, std::memory_order_relaxed);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Exception: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "Exception: unknown\n");
    }
    // Also after a failure, so that Running and Stop do not wait forever.
    WorkerDone(worker);
}

void TProcessor::WorkerDone(TIterThread& worker)
{
    bool last = false;
    {
        std::lock_guard lock(FThreadsSection);
        std::erase(FThreads, &worker);
        if (FThreads.empty()) {
            last = true;
            FT0 = ReadCPUTicks() - FT0;
            std::lock_guard elapsedLock(FElapsedMsSection);
            FElapsedMs = CPUTicksToMs(FT0);
        }
    }
    // Outside the lock, so that the handler may ask Running.
    if (last && OnFinished) OnFinished();
}

// ---------------------------------------------------------------------------
// Kernel

namespace {

// Escape tests of the scalar kernel after a stop within which its line is still
// finished: some 20 ms on a current core.
constexpr std::int64_t kScalarStopGrace = std::int64_t{1} << 23;

// The escape test loop. With Stop it looks at it every 65536 tests of the pixel
// (lineTests: the tests of the line before this pixel) and returns -1 when the
// line is to be given up: a huge iteration limit must not delay a stop.
// An escaping orbit leaves its z at the escape test in escX, escY.
int EscapeLoop(double x, double y, double cx, double cy, int maxSteps, double absMax2, double& lastR2,
               TLineStop* stop, std::int64_t lineTests, double& escX, double& escY)
{
    int i = 1;
    for (;;) {
        const double xx = x * x;
        const double yy = y * y;
        const double r2 = xx + yy;
        if (r2 >= absMax2) {
            escX = x;
            escY = y;
            return i;
        }
        if (i >= maxSteps) {
            lastR2 = r2;
            return 0;
        }
        ++i;
        if (stop && (i & 0xFFFF) == 0 && stop->GiveUp(lineTests + i)) return -1;
        y = 2 * x * y + cy;
        x = (xx - yy) + cx;
    }
}

} // namespace

int TProcessor::EscapeCount(double x, double y, double cx, double cy, int maxSteps, double absMax2, double& lastR2)
{
    double escX = 0;
    double escY = 0;
    return EscapeLoop(x, y, cx, cy, maxSteps, absMax2, lastR2, nullptr, 0, escX, escY);
}

std::optional<std::int64_t> TProcessor::InteriorValue(double r2, double factor, int colorCount)
{
    const double value = std::sqrt(r2) * factor;
    if (colorCount <= 0) return std::nullopt;
    if (auto rounded = RoundHalfEvenChecked(value)) return *rounded % colorCount;
    if (!std::isfinite(value)) return std::nullopt;
    // Beyond 2^63 every double is an integer, so rounding changes nothing and fmod is exact.
    return static_cast<std::int64_t>(std::fmod(value, static_cast<double>(colorCount)));
}

std::int64_t TProcessor::CountToIndex(std::int64_t n, int offset, int top, bool wrapping)
{
    if (wrapping) return ((offset + n) % top) + 1;
    return std::min<std::int64_t>(offset + n + 1, top);
}

std::int64_t TProcessor::PixelIndex(double x, double y, double cx, double cy, int offset, int colorCount) const
{
    double r2 = 0;
    const int n = EscapeCount(x, y, cx, cy, FThreadMaxSteps, FThreadAbsMax2, r2);
    return OutcomeIndex(n, r2, offset, colorCount);
}

std::int64_t TProcessor::OutcomeIndex(std::int64_t n, double r2, int offset, int colorCount) const
{
    if (n == 0) {
        if (!FThreadIsInterior) return 0;
        const auto v = InteriorValue(r2, FThreadInteriorFactor, colorCount);
        if (!v) return 0;
        n = *v;
    }
    return CountToIndex(n, offset, colorCount - 1, FThreadIsColorWrapping);
}

std::int64_t TProcessor::IterateMandelbrot(const TPoint2D& p) const
{
    return PixelIndex(p.x, p.y, p.x, p.y, ColorOffset(), ColorCount());
}

std::int64_t TProcessor::IterateJulia(const TPoint2D& p) const
{
    const TPoint2D c = JuliaPoint();
    return PixelIndex(p.x, p.y, c.x, c.y, ColorOffset(), ColorCount());
}

std::int64_t TProcessor::SmoothBlendLimit(int offset, int colorCount) const
{
    // Counts past the top entry all show it when the palette does not wrap:
    // there is nothing to blend with.
    return FThreadIsColorWrapping ? std::numeric_limits<std::int64_t>::max()
                                  : static_cast<std::int64_t>(colorCount) - 2 - offset;
}

template <class TCode>
std::uint16_t TProcessor::SmoothCodeFor(int n, int offset, int colorCount, TCode code) const
{
    if (n <= 0) return NoSmoothCode;
    if (n > SmoothBlendLimit(offset, colorCount)) return SmoothCodeAtCount;
    return code();
}

std::int64_t TProcessor::StoreOutcome(int x, int y, int n, double r2, double zx, double zy, double cx, double cy,
                                      int offset, int colorCount)
{
    const std::int64_t index = OutcomeIndex(n, r2, offset, colorCount);
    FBmp8.SetBuffer(x, y, static_cast<int>(index & 0xFF));
    if (FThreadSmooth && x >= 0 && x < Width()) {
        const std::uint16_t code = SmoothCodeFor(
            n, offset, colorCount, [&] { return SmoothCodeOf(SmoothEscapeValue(n, zx, zy, cx, cy, FThreadAbsMax2), n); });
        const std::size_t k = static_cast<std::size_t>(y) * static_cast<std::size_t>(Width()) + static_cast<std::size_t>(x);
        std::atomic_ref<std::uint16_t>(FSmoothCodes[k]).store(code, std::memory_order_relaxed);
    }
    return index;
}

std::uint16_t TProcessor::SmoothCode(int x, int y) const
{
    if (!FHasSmoothCodes || x < 0 || y < 0 || x >= Width() || y >= Height()) return NoSmoothCode;
    const std::size_t k = static_cast<std::size_t>(y) * static_cast<std::size_t>(Width()) + static_cast<std::size_t>(x);
    return std::atomic_ref<const std::uint16_t>(FSmoothCodes[k]).load(std::memory_order_relaxed);
}

void TProcessor::CopySmoothPixels(std::uint32_t* dest, int destPixelsPerLine, int firstLine, int lineCount) const
{
    const int width = Width();
    const TSmoothPalette palette(FBmp8.ColorTable(), ColorCount() - 1, FThreadIsColorWrapping);
    const auto copy = [&](int begin, int end) {
        std::vector<std::uint8_t> indices(static_cast<std::size_t>(width));
        for (int line = begin; line < end; ++line) {
            const int y = firstLine + line;
            if (y < 0 || y >= Height()) continue;
            FBmp8.CopyLine(y, indices.data());
            std::uint32_t* out = dest + static_cast<std::ptrdiff_t>(line) * destPixelsPerLine;
            if (!FHasSmoothCodes) {
                for (int x = 0; x < width; ++x) out[x] = palette.Color(indices[static_cast<std::size_t>(x)], NoSmoothCode);
                continue;
            }
            // One pass: the codes are read where they are (workers may still write them).
            const std::uint16_t* src = FSmoothCodes.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
            for (int x = 0; x < width; ++x)
                out[x] = palette.Color(indices[static_cast<std::size_t>(x)],
                                       std::atomic_ref<const std::uint16_t>(src[x]).load(std::memory_order_relaxed));
        }
    };
    // A palette animation recolors the whole picture every tick: large pictures
    // are shared among the logical processors.
    constexpr std::int64_t kPixelsPerThread = 1 << 18;
    const std::int64_t pixels = static_cast<std::int64_t>(std::max(width, 0)) * std::max(lineCount, 0);
    const int threads = static_cast<int>(std::clamp<std::int64_t>(pixels / kPixelsPerThread, 1, DefaultThreadCount()));
    std::vector<std::thread> helpers;
    for (int k = 1; k < threads; ++k)
        helpers.emplace_back(copy, static_cast<int>(static_cast<std::int64_t>(lineCount) * k / threads),
                             static_cast<int>(static_cast<std::int64_t>(lineCount) * (k + 1) / threads));
    copy(0, lineCount / threads);
    for (std::thread& helper : helpers) helper.join();
}

void TProcessor::ComputeLine(int y)
{
    // The odd pass hands out line 1 also in a picture (or band) of one line:
    // there is nothing to compute, and no smooth code to write past the end.
    if (y < 0 || y >= Height()) return;
    if (FThreadDeep) {
        ComputeLineDeep(y);
        return;
    }
    const TAlgorithm algorithm = Algorithm();
    if (algorithm != alMandelbrot && algorithm != alJulia) return;
    if (FThreadKernel == TKernel::Simd)
        ComputeLineSimd(y, algorithm);
    else
        ComputeLineScalar(y, algorithm);
}

void TProcessor::ComputeLineScalar(int y, TAlgorithm algorithm)
{
    const int width = Width();
    const int colorCount = ColorCount();
    const TMatrix2D& m = PxToLogMatrix;
    TLineStop stop(&FTerminated, kScalarStopGrace);
    std::int64_t lineTests = 0, nextCheck = 0x10000;
    const int planeY = y + FBandFirstLine;
    for (int x = 0; x < width; ++x) {
        const TPoint2D p = m.Transform(TPoint{x, planeY});
        const TPoint2D c = algorithm == alMandelbrot ? p : JuliaPoint();
        double r2 = 0;
        double zx = 0;
        double zy = 0;
        const int n = EscapeLoop(p.x, p.y, c.x, c.y, FThreadMaxSteps, FThreadAbsMax2, r2, &stop, lineTests, zx, zy);
        if (n < 0) return; // stopped
        lineTests += n > 0 ? n : std::max(FThreadMaxSteps, 1);
        if (lineTests >= nextCheck) {
            if (stop.GiveUp(lineTests)) return;
            nextCheck = lineTests + 0x10000;
        }
        StoreOutcome(x, y, n, r2, zx, zy, c.x, c.y, ColorOffset(), colorCount);
    }
}

void TProcessor::ComputeLineSimd(int y, TAlgorithm algorithm)
{
    const int width = Width();
    const int colorCount = ColorCount();
    // Per worker thread, grown to the widest line it has seen.
    thread_local std::vector<std::int32_t> counts;
    thread_local std::vector<double> lastR2;
    thread_local std::vector<std::uint16_t> smooth;
    if (counts.size() < static_cast<std::size_t>(width)) {
        counts.resize(static_cast<std::size_t>(width));
        lastR2.resize(static_cast<std::size_t>(width));
    }
    if (FThreadSmooth && smooth.size() < static_cast<std::size_t>(width)) smooth.resize(static_cast<std::size_t>(width));
    TEscapeLine line;
    line.Matrix = &PxToLogMatrix;
    line.Y = y + FBandFirstLine;
    line.Width = width;
    line.MaxSteps = FThreadMaxSteps;
    line.AbsMax2 = FThreadAbsMax2;
    if (algorithm == alJulia) {
        line.JuliaX = &FJuliaX;
        line.JuliaY = &FJuliaY;
    }
    line.Stop = &FTerminated;
    line.NeedLastR2 = FThreadIsInterior;
    line.DetectCycles = FThreadCycleDetection;
    // The offset and wrapping act here, where counts become indices.
    const int offset = ColorOffset();
    const std::int64_t limit = SmoothBlendLimit(offset, colorCount);
    if (FThreadSmooth) {
        line.SmoothCodes = smooth.data();
        line.SmoothLimit = limit;
    }
    if (!SimdEscapeLine(line, counts.data(), lastR2.data())) return; // stopped
    std::uint16_t* codes =
        FThreadSmooth ? FSmoothCodes.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) : nullptr;
    for (int x = 0; x < width; ++x) {
        const std::size_t k = static_cast<std::size_t>(x);
        const std::int64_t index = OutcomeIndex(counts[k], lastR2[k], offset, colorCount);
        FBmp8.SetBuffer(x, y, static_cast<int>(index & 0xFF));
    }
    if (codes) {
        // The kernel gave every pixel its code, with the choice SmoothCodeFor makes.
        const std::uint16_t* lineCodes = smooth.data();
        for (std::size_t k = 0; k < static_cast<std::size_t>(width); ++k)
            std::atomic_ref<std::uint16_t>(codes[k]).store(lineCodes[k], std::memory_order_relaxed);
    }
}

// ---------------------------------------------------------------------------
// Deep views

namespace {

// Doubles hold 52 bits after the leading one. Below this many bits under the
// largest coordinate of the image the grid of doubles is coarser than 1/4096
// of a pixel, and pictures turn into blocks and noise.
constexpr int DeepThreshold = 52 - 12;

} // namespace

bool TProcessor::NeedsDeep(const TView& view, const TSize& size)
{
    const double scale = std::abs(view.Scale);
    if (!(scale > 0) || !std::isfinite(scale)) return false;
    // The largest coordinate of any pixel: the centre's plus half the image's
    // extent (the pixel count enters here: a small image near 0 has fine doubles).
    const double extent = scale * (std::max(size.Width, 0) + std::max(size.Height, 0)) / 2.0;
    const double largest = std::max(std::abs(view.Center.x), std::abs(view.Center.y)) + extent;
    if (!std::isfinite(largest)) return false;
    return scale < std::ldexp(largest, -DeepThreshold) || scale < 1e-290;
}

double TProcessor::DeepReferenceMs() const
{
    if (!FDeep) return 0;
    std::lock_guard lock(FDeep->Mutex);
    return FDeep->Ms;
}

void TProcessor::PrepareDeep()
{
    FDeepIterations.store(0, std::memory_order_relaxed);
    // A band decides as its whole picture does, so that no band differs from its neighbours.
    const TSize picture{Width(), PictureHeight()};
    FThreadDeep = FDeepMode == TDeepMode::On || (FDeepMode == TDeepMode::Auto && NeedsDeep(FView, picture));
    if (!FThreadDeep) return;
    auto state = std::make_unique<TDeepState>();
    state->Center = FView.PreciseCenter();
    state->Julia = Algorithm() == alJulia;
    state->JuliaPoint = state->Julia ? JuliaPoint() : TPoint2D{};
    state->MaxSteps = FThreadMaxSteps;
    state->AbsMax2 = FThreadAbsMax2;
    const double magnitude = std::max({std::abs(FView.Center.x), std::abs(FView.Center.y),
                                       std::abs(state->JuliaPoint.x), std::abs(state->JuliaPoint.y)});
    state->Bits = ReferenceBits(std::abs(FView.Scale), magnitude);
    if (FDeep && FDeep->SameInputs(*state)) return; // no worker runs: FDeep is ours
    FDeep = std::move(state);
}

void TProcessor::ComputeLineDeep(int y)
{
    TDeepState& deep = *FDeep;
    {
        std::lock_guard lock(deep.Mutex);
        if (!deep.Ready) {
            if (TerminateRequested()) return;
            const std::int64_t t0 = ReadCPUTicks();
            if (!ComputeReferenceOrbit(deep.Center, deep.Julia, deep.JuliaPoint, deep.MaxSteps, deep.AbsMax2,
                                       deep.Bits, &FTerminated, deep.Orbit))
                return; // stopped
            deep.Ms = CPUTicksToMs(ReadCPUTicks() - t0);
            deep.Ready = true;
        }
    }
    const int width = Width();
    const int colorCount = ColorCount();
    thread_local std::vector<std::int32_t> counts;
    thread_local std::vector<double> lastR2;
    thread_local std::vector<double> escapeX, escapeY;
    if (counts.size() < static_cast<std::size_t>(width)) {
        counts.resize(static_cast<std::size_t>(width));
        lastR2.resize(static_cast<std::size_t>(width));
    }
    if (FThreadSmooth && escapeX.size() < static_cast<std::size_t>(width)) {
        escapeX.resize(static_cast<std::size_t>(width));
        escapeY.resize(static_cast<std::size_t>(width));
    }
    // Deltas from the orbit's own centre, in the units the kernel carries them.
    const double s = DeltaScale(std::abs(FView.Scale));
    TMatrix2D m = PxToOffsetMatrix;
    m.Scale(s, s);
    TDeepLine line;
    line.Orbit = &deep.Orbit;
    line.Matrix = &m;
    line.DeltaScale = s;
    line.Y = y + FBandFirstLine;
    line.Width = width;
    line.MaxSteps = FThreadMaxSteps;
    line.AbsMax2 = FThreadAbsMax2;
    line.Julia = deep.Julia;
    line.Stop = &FTerminated;
    if (FThreadSmooth) {
        line.EscapeX = escapeX.data();
        line.EscapeY = escapeY.data();
    }
    std::uint64_t iterations = 0;
    const bool done = FThreadKernel == TKernel::Simd ? DeepEscapeLine(line, counts.data(), lastR2.data(), iterations)
                                                     : DeepEscapeLineScalar(line, counts.data(), lastR2.data(), iterations);
    FDeepIterations.fetch_add(iterations, std::memory_order_relaxed);
    if (!done) return;
    if (FThreadSmooth) {
        // The continuous value follows the full point past the escape in
        // doubles: out there the pixel's c in doubles is as good as exact.
        const int planeY = y + FBandFirstLine;
        for (int x = 0; x < width; ++x) {
            const std::size_t i = static_cast<std::size_t>(x);
            const TPoint2D c = deep.Julia ? JuliaPoint() : PxToLogMatrix.Transform(TPoint{x, planeY});
            StoreOutcome(x, y, counts[i], lastR2[i], escapeX[i], escapeY[i], c.x, c.y, ColorOffset(), colorCount);
        }
        return;
    }
    for (int x = 0; x < width; ++x) {
        const std::int64_t index = OutcomeIndex(counts[static_cast<std::size_t>(x)],
                                                lastR2[static_cast<std::size_t>(x)], ColorOffset(), colorCount);
        FBmp8.SetBuffer(x, y, static_cast<int>(index & 0xFF));
    }
}

std::string TProcessor::KernelTargetName()
{
    return SimdTargetName();
}

// ---------------------------------------------------------------------------
// Text forms

// ---------------------------------------------------------------------------
// Views

bool TView::HasPreciseCenter() const
{
    if (Precise.X.IsDouble() && Precise.Y.IsDouble()) return false;
    return Precise.X.ToDouble() == Center.x && Precise.Y.ToDouble() == Center.y;
}

TPreciseCenter TView::PreciseCenter() const
{
    if (HasPreciseCenter()) return Precise;
    return {TPreciseNumber(Center.x), TPreciseNumber(Center.y)};
}

void TView::SetPreciseCenter(const TPreciseCenter& value)
{
    Center = {value.X.ToDouble(), value.Y.ToDouble()};
    Precise = value.X.IsDouble() && value.Y.IsDouble() ? TPreciseCenter{} : value;
}

bool operator==(const TView& a, const TView& b)
{
    if (a.Center != b.Center || a.Scale != b.Scale || a.Angle != b.Angle) return false;
    const bool precise = a.HasPreciseCenter();
    if (precise != b.HasPreciseCenter()) return false;
    return !precise || a.Precise == b.Precise;
}

TView MoveView(const TView& view, const TPoint2D& offset)
{
    TView result = view;
    const TPreciseCenter c = view.PreciseCenter();
    result.SetPreciseCenter({c.X.Plus(offset.x), c.Y.Plus(offset.y)});
    return result;
}

TView ZoomViewAbout(const TView& view, const TPoint2D& offset, double factor)
{
    // The point at offset stays: the centre moves towards it by 1 - 1/factor of the way.
    const double part = 1.0 - 1.0 / factor;
    TView result = MoveView(view, {offset.x * part, offset.y * part});
    result.Scale = view.Scale / factor;
    return result;
}

TView HomeView(TAlgorithm algorithm)
{
    if (algorithm == alJulia) return TView{TPoint2D{0.0, 0.0}, 0.00625, 0.0};
    return TView{TPoint2D{-0.6, 0.0}, 0.00625, 0.0};
}

std::string ViewToStr(const TView& view)
{
    return Format("%.16e,%.16e,%.16e,%.16e", {view.Center.x, view.Center.y, view.Scale, view.Angle});
}

std::string CenterCoordinateText(const TPreciseNumber& value, double scale)
{
    const double x = value.ToDouble();
    const double pixel = std::abs(scale);
    const std::string general = Format("%.12g", {x});
    // The last of twelve significant digits: 10^(exponent - 11).
    const double step = x == 0 ? 0 : std::pow(10.0, std::floor(std::log10(std::abs(x))) - 11);
    if (!std::isfinite(x) || !(pixel > 0) || !std::isfinite(pixel) ||
        (value.IsDouble() && step <= pixel / 100))
        return general;
    if (value.IsDouble() && TryStrToFloat(general) == x) return general;
    return value.ToDecimal(static_cast<int>(std::ceil(-std::log10(pixel))) + 6);
}

bool PreciseMatches(const TPreciseNumber& precise, double value)
{
    return Format("%.16e", {precise.ToDouble()}) == Format("%.16e", {value});
}

std::string PreciseViewToStr(const TView& view)
{
    std::string text = ViewToStr(view);
    if (view.HasPreciseCenter()) {
        for (const TPreciseNumber* n : {&view.Precise.X, &view.Precise.Y}) {
            text += ',';
            text += n->ToDecimal();
        }
    }
    return text;
}

TView StrToView(std::string_view text)
{
    TView view;
    view.Center.x = StrToFloat(GetFieldOf(text, 0, ','));
    view.Center.y = StrToFloat(GetFieldOf(text, 1, ','));
    view.Scale = StrToFloat(GetFieldOf(text, 2, ','));
    view.Angle = StrToFloat(GetFieldOf(text, 3, ','));
    if (std::count(text.begin(), text.end(), ',') < 5) return view;
    const auto x = TPreciseNumber::FromDecimal(GetFieldOf(text, 4, ','));
    const auto y = TPreciseNumber::FromDecimal(GetFieldOf(text, 5, ','));
    if (x && y && PreciseMatches(*x, view.Center.x) && PreciseMatches(*y, view.Center.y))
        view.SetPreciseCenter({*x, *y});
    return view;
}

std::string SizeToStr(const TSize& size)
{
    return Format("%dx%d", {size.Width, size.Height});
}

bool TryStrToSize(std::string_view text, TSize& size)
{
    const auto pos = text.find('x');
    if (pos == std::string_view::npos) return false;
    const auto width = TryStrToInt(text.substr(0, pos));
    const auto height = TryStrToInt(text.substr(pos + 1));
    if (!width || !height || *width <= 0 || *height <= 0) return false;
    if (*width > MaxImageSide || *height > MaxImageSide) return false;
    size = {*width, *height};
    return true;
}

TSize StrToSize(std::string_view text)
{
    TSize size;
    if (!TryStrToSize(text, size)) throw EQuillonError("Invalid size.");
    return size;
}

} // namespace quillon
