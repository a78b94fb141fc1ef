#include "ui/main/logic/JuliaPreviewRenderer.h"

#include <algorithm>

#include "engine/SimdKernel.h"

#if defined(__linux__)
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace quillon {

namespace {

// The main image owns the cores: the preview's worker asks for the least
// share of them. On Linux a thread has a nice value of its own.
void LowerThisThreadsPriority()
{
#if defined(__linux__)
    const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
    (void)::setpriority(PRIO_PROCESS, tid, 19);
#endif
}

// The matrix of the main processor, built the same way, so that a pixel of
// the preview maps to the same plane point a processor of this size and view
// would give it.
TMatrix2D PixelToPlane(const TSize& Size, const TView& View)
{
    TMatrix2D m = TMatrix2D::Create();
    m.Scale(1, -1);
    m.Translate(-Size.Width / 2.0, Size.Height / 2.0);
    m.Scale(View.Scale, View.Scale);
    m.Rotate(View.Angle);
    m.Translate(View.Center);
    return m;
}

} // namespace

TJuliaPreviewRenderer::~TJuliaPreviewRenderer()
{
    {
        std::lock_guard lock(FMutex);
        FQuit.store(true, std::memory_order_relaxed);
    }
    FWake.notify_all();
    if (FWorker.joinable())
        FWorker.join();
}

std::uint64_t TJuliaPreviewRenderer::Request(const TJuliaPreviewRequest& Request)
{
    std::uint64_t serial = 0;
    {
        std::lock_guard lock(FMutex);
        if (FPending)
            ++FDropped;
        FPending = Request;
        serial = ++FLastSerial;
        FPendingSerial = serial;
        if (!FWorker.joinable())
            FWorker = std::thread([this] { Run(); });
    }
    FWake.notify_all();
    return serial;
}

void TJuliaPreviewRenderer::SetPaused(bool Value)
{
    {
        std::lock_guard lock(FMutex);
        FPaused.store(Value, std::memory_order_relaxed);
    }
    if (!Value)
        FWake.notify_all();
}

int TJuliaPreviewRenderer::DroppedCount() const
{
    std::lock_guard lock(FMutex);
    return FDropped;
}

int TJuliaPreviewRenderer::FinishedCount() const
{
    std::lock_guard lock(FMutex);
    return FFinished;
}

bool TJuliaPreviewRenderer::Idle() const
{
    std::lock_guard lock(FMutex);
    return !FPending && !FBusy;
}

void TJuliaPreviewRenderer::WaitWhilePaused()
{
    if (!FPaused.load(std::memory_order_relaxed))
        return;
    std::unique_lock lock(FMutex);
    FWake.wait(lock, [this] {
        return FQuit.load(std::memory_order_relaxed) || !FPaused.load(std::memory_order_relaxed);
    });
}

void TJuliaPreviewRenderer::Run()
{
    LowerThisThreadsPriority();
    std::unique_lock lock(FMutex);
    for (;;) {
        FWake.wait(lock, [this] {
            return FQuit.load(std::memory_order_relaxed) || (FPending && !FPaused.load(std::memory_order_relaxed));
        });
        if (FQuit.load(std::memory_order_relaxed))
            return;
        const TJuliaPreviewRequest request = *FPending;
        FPending.reset();
        TJuliaPreviewPicture picture;
        picture.Serial = FPendingSerial;
        FBusy = true;
        lock.unlock();
        const bool done = Render(request, picture, &FQuit, [this] { WaitWhilePaused(); });
        if (done && OnPicture)
            OnPicture(std::move(picture));
        lock.lock();
        FBusy = false;
        if (done)
            ++FFinished;
    }
}

bool TJuliaPreviewRenderer::Render(const TJuliaPreviewRequest& Request, TJuliaPreviewPicture& Picture,
                                   const std::atomic<bool>* Stop, const std::function<void()>& BetweenLines)
{
    const int width = std::max(Request.Size.Width, 0);
    const int height = std::max(Request.Size.Height, 0);
    Picture.JuliaPoint = Request.JuliaPoint;
    Picture.Size = TSize{width, height};
    Picture.Indices.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    // The processor never holds fewer than two colors; without them every pixel is the interior's.
    if (Request.ColorCount < 2 || width == 0)
        return true;

    const TMatrix2D matrix = PixelToPlane(Picture.Size, Request.View);
    const std::atomic<double> juliaX{Request.JuliaPoint.x};
    const std::atomic<double> juliaY{Request.JuliaPoint.y};
    std::vector<std::int32_t> counts(static_cast<std::size_t>(width));
    std::vector<double> lastR2(static_cast<std::size_t>(width));
    TEscapeLine line;
    line.Matrix = &matrix;
    line.Width = width;
    line.MaxSteps = Request.MaxSteps;
    line.AbsMax2 = Request.MaxAbs * Request.MaxAbs;
    line.JuliaX = &juliaX;
    line.JuliaY = &juliaY;
    line.Stop = Stop;
    const int top = Request.ColorCount - 1;
    for (int y = 0; y < height; ++y) {
        if (BetweenLines)
            BetweenLines();
        if (Stop && Stop->load(std::memory_order_relaxed))
            return false;
        line.Y = y;
        if (!SimdEscapeLine(line, counts.data(), lastR2.data()))
            return false;
        std::uint8_t* row = Picture.Indices.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        for (int x = 0; x < width; ++x) {
            std::int64_t n = counts[static_cast<std::size_t>(x)];
            if (n == 0) {
                // Not escaped: the interior color, or the interior's own shades.
                const auto v = Request.Interior
                                   ? TProcessor::InteriorValue(lastR2[static_cast<std::size_t>(x)],
                                                               Request.InteriorFactor, Request.ColorCount)
                                   : std::nullopt;
                if (!v)
                    continue;
                n = *v;
            }
            row[x] = static_cast<std::uint8_t>(
                TProcessor::CountToIndex(n, Request.ColorOffset, top, Request.ColorWrapping) & 0xFF);
        }
    }
    return true;
}

TView TJuliaPreviewRenderer::WholeSetView(const TSize& Size)
{
    const double w = std::max(Size.Width, 1);
    const double h = std::max(Size.Height, 1);
    return TView::Create(TPoint2D{0, 0}, std::max(4.0 / w, 3.0 / h), 0);
}

} // namespace quillon
