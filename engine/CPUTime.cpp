#include "CPUTime.h"

#include <chrono>

namespace quillon {

std::int64_t ReadCPUTicks()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double CPUTicksToMs(std::int64_t ticks)
{
    return static_cast<double>(ticks) / 1e6;
}

void CalibrateCPUTicks() {}

} // namespace quillon
