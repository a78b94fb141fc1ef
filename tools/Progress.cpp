#include "Progress.h"

#include "engine/NumberFns.h"

#include <algorithm>
#include <cstdio>

#include <unistd.h>

namespace quillon {

namespace {

constexpr int BarWidth = 30;

} // namespace

TProgress::TProgress() : FEnabled(::isatty(STDERR_FILENO) == 1) {}

TProgress::~TProgress()
{
    End();
}

void TProgress::Begin(const std::string& label, std::int64_t total)
{
    End();
    FLabel = label;
    FTotal = std::max<std::int64_t>(total, 1);
    FCounting = false;
    FStart = std::chrono::steady_clock::now();
    FActive = FEnabled;
    if (FActive) Draw(0);
}

void TProgress::Update(std::int64_t done)
{
    if (!FActive) return;
    const auto now = std::chrono::steady_clock::now();
    if (done < FTotal && now - FLastDraw < std::chrono::milliseconds(100)) return;
    Draw(done);
}

void TProgress::End()
{
    if (!FActive) return;
    FActive = false;
    // Carriage return and erase to the end of the line.
    std::fputs("\r\x1b[K", stderr);
    std::fflush(stderr);
}

void TProgress::BeginCount(const std::string& label, std::int64_t total, std::int64_t done)
{
    End();
    FLabel = label;
    FTotal = std::max<std::int64_t>(total, 1);
    FCounting = true;
    FDoneAtStart = static_cast<double>(std::clamp<std::int64_t>(done, 0, FTotal));
    FStart = std::chrono::steady_clock::now();
    FActive = FEnabled;
    if (FActive) DrawCount(FDoneAtStart);
}

void TProgress::UpdateCount(double done)
{
    if (!FActive) return;
    const auto now = std::chrono::steady_clock::now();
    if (done < static_cast<double>(FTotal) && now - FLastDraw < std::chrono::milliseconds(100)) return;
    DrawCount(done);
}

std::string TProgress::DurationText(double seconds)
{
    const std::int64_t total = std::max<std::int64_t>(RoundHalfEven(std::max(seconds, 0.0)), 0);
    auto twoDigits = [](std::int64_t value) {
        std::string text = Format("%d", {static_cast<long long>(value)});
        if (value < 10) text.insert(text.begin(), '0');
        return text;
    };
    const std::int64_t hours = total / 3600, minutes = total / 60 % 60, secs = total % 60;
    if (hours > 0) return Format("%d:%s:%s", {static_cast<long long>(hours), twoDigits(minutes), twoDigits(secs)});
    return Format("%d:%s", {static_cast<long long>(minutes), twoDigits(secs)});
}

void TProgress::DrawCount(double done)
{
    FLastDraw = std::chrono::steady_clock::now();
    const double total = static_cast<double>(FTotal);
    done = std::clamp(done, 0.0, total);
    const int filled = static_cast<int>(done * BarWidth / total);
    const std::string bar = std::string(static_cast<std::size_t>(filled), '#') +
                            std::string(static_cast<std::size_t>(BarWidth - filled), '.');
    // The rate of this run's own work; nothing to tell before some is done.
    const double seconds = std::chrono::duration<double>(FLastDraw - FStart).count();
    const double made = done - FDoneAtStart;
    const std::string left = made > 0 && seconds > 0 ? DurationText((total - done) * seconds / made) : "--:--";
    const std::string line = Format("\r%s [%s] %d/%d, %s left\x1b[K",
                                    {FLabel, bar, static_cast<long long>(done), static_cast<long long>(FTotal), left});
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
}

void TProgress::Draw(std::int64_t done)
{
    FLastDraw = std::chrono::steady_clock::now();
    done = std::clamp<std::int64_t>(done, 0, FTotal);
    const int filled = static_cast<int>(done * BarWidth / FTotal);
    const int percent = static_cast<int>(done * 100 / FTotal);
    const double seconds = std::chrono::duration<double>(FLastDraw - FStart).count();
    const std::string bar = std::string(static_cast<std::size_t>(filled), '#') +
                            std::string(static_cast<std::size_t>(BarWidth - filled), '.');
    const std::string line = Format("\r%s [%s] %d%% %.1f s", {FLabel, bar, percent, seconds});
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
}

} // namespace quillon
