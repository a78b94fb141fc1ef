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
