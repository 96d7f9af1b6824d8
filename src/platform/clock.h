#pragma once
// Time for measuring intervals: a monotonic millisecond count that wall-clock changes
// cannot move backwards, and a plain sleep.

#include <cstdint>

namespace platform {

// Milliseconds since an arbitrary fixed point (boot, usually); only differences matter.
std::uint64_t MonotonicMilliseconds();

void SleepMilliseconds(std::uint32_t milliseconds);

} // namespace platform
