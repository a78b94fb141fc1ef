#pragma once
// A one-line progress bar on standard error, drawn only when standard error is
// a terminal, so that pipes and log files stay clean.
#include <chrono>
#include <cstdint>
#include <string>

namespace quillon {

class TProgress {
public:
    // Enabled when standard error is a terminal.
    TProgress();
    explicit TProgress(bool enabled) : FEnabled(enabled) {}
    ~TProgress();
    TProgress(const TProgress&) = delete;
    TProgress& operator=(const TProgress&) = delete;

    bool Enabled() const { return FEnabled; }

    // Starts a bar of Total steps named Label.
    void Begin(const std::string& label, std::int64_t total);
    // Redraws when the shown state changes (at most every 100 ms, except at the end).
    void Update(std::int64_t done);
    // Removes the bar from the line.
    void End();

    // Starts a bar that counts Total items (the frames of a movie) and shows
    // the time left. Done items before the start count as done but not for
    // the rate, so that a resumed run estimates from its own work.
    void BeginCount(const std::string& label, std::int64_t total, std::int64_t done);
    // Done may be fractional: an item partly made.
    void UpdateCount(double done);

    // "M:SS", or "H:MM:SS" from an hour on.
    static std::string DurationText(double seconds);

private:
    void Draw(std::int64_t done);
    void DrawCount(double done);

    bool FEnabled = false;
    bool FActive = false;
    std::string FLabel;
    std::int64_t FTotal = 0;
    bool FCounting = false;
    double FDoneAtStart = 0;
    std::chrono::steady_clock::time_point FStart;
    std::chrono::steady_clock::time_point FLastDraw;
};

} // namespace quillon
