#pragma once
// The Julia preview's renderer: one background worker that draws small
// pictures of Julia sets on the vectorised kernel, always the newest request.
//
// Requests overtaken before the worker took them are dropped: the worker
// finishes the picture in hand and then takes the newest one, so the pictures
// keep coming while the pointer moves and never lag behind it by more than one.
// The worker runs at the lowest scheduling priority the system grants a thread
// and can be paused (between lines) while the main rendering runs, so it never
// takes a core the main image could use.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "engine/MandelbrotProcessor.h"

namespace quillon {

// Everything a picture depends on: the main image's coloring and limits, and
// the preview's own view.
struct TJuliaPreviewRequest {
    TPoint2D JuliaPoint;
    TSize Size{240, 180};
    TView View;
    int MaxSteps = 50;
    double MaxAbs = 2.0;
    int ColorOffset = 0;
    int ColorCount = 256;
    bool ColorWrapping = false;
    bool Interior = false;
    double InteriorFactor = 100.0;
};

struct TJuliaPreviewPicture {
    std::uint64_t Serial = 0; // of the request it answers
    TPoint2D JuliaPoint;
    TSize Size;
    // Palette indices, rows top-down, Size.Width bytes a row.
    std::vector<std::uint8_t> Indices;
};

class TJuliaPreviewRenderer {
public:
    TJuliaPreviewRenderer() = default;
    TJuliaPreviewRenderer(const TJuliaPreviewRenderer&) = delete;
    TJuliaPreviewRenderer& operator=(const TJuliaPreviewRenderer&) = delete;
    // Gives up the picture in hand and joins the worker.
    ~TJuliaPreviewRenderer();

    // Queues Request in place of any request not yet taken and returns its
    // serial (counting from 1). Starts the worker on first use.
    std::uint64_t Request(const TJuliaPreviewRequest& Request);
    // While paused the worker starts nothing and halts between lines.
    void SetPaused(bool Value);
    bool Paused() const { return FPaused.load(std::memory_order_relaxed); }

    // Called on the worker thread with every finished picture; set it before
    // the first request.
    std::function<void(TJuliaPreviewPicture&& Picture)> OnPicture;

    // Requests replaced before the worker took them; pictures finished.
    int DroppedCount() const;
    int FinishedCount() const;
    // No request waits and no picture is in hand.
    bool Idle() const;

    // The picture of Request, drawn on the calling thread; given up (false)
    // once Stop turns true.
    static bool Render(const TJuliaPreviewRequest& Request, TJuliaPreviewPicture& Picture,
                       const std::atomic<bool>* Stop = nullptr,
                       const std::function<void()>& BetweenLines = {});
    // A view of Size that shows the whole of every connected Julia set: the
    // disc of radius 2 about the origin, 4 plane units wide or 3 high at least.
    static TView WholeSetView(const TSize& Size);

private:
    void Run();
    void WaitWhilePaused();

    mutable std::mutex FMutex;
    std::condition_variable FWake;
    std::optional<TJuliaPreviewRequest> FPending;
    std::uint64_t FPendingSerial = 0;
    std::uint64_t FLastSerial = 0;
    bool FBusy = false;
    int FDropped = 0;
    int FFinished = 0;
    std::atomic<bool> FQuit{false};
    std::atomic<bool> FPaused{false};
    std::thread FWorker;
};

} // namespace quillon
