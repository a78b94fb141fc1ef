#pragma once
// The render clock: a monotonic clock in nanoseconds.
#include <cstdint>

namespace quillon {

// Monotonic clock reading in nanoseconds.
std::int64_t ReadCPUTicks();
// A difference of two readings in milliseconds.
double CPUTicksToMs(std::int64_t ticks);
// Kept for the start-up order; the monotonic clock needs no calibration.
void CalibrateCPUTicks();

} // namespace quillon
