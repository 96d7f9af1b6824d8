#include "base/progress_meter.h"

#include <algorithm>
#include <cmath>

cClockTime SplitMilliseconds(std::uint64_t milliseconds) {
    const std::uint64_t seconds = milliseconds / 1000;
    return {seconds / 3600, int(seconds / 60 % 60), int(seconds % 60)};
}

std::optional<cProgressReading> cProgressMeter::Accept(double percent, std::uint64_t nowMs) {
    if (std::isnan(percent) ||
        (lastAcceptedMs_ && nowMs - *lastAcceptedMs_ <= kMinUpdateIntervalMs)) {
        return std::nullopt;
    }
    lastAcceptedMs_ = nowMs;
    // Workers report what they compute; a value outside 0..100 (or infinite) must not
    // push the bar off its scale or the estimate into overflow.
    percent = std::clamp(percent, 0.0, 100.0);
    cProgressReading reading{};
    reading.barPosition = int(percent * 10.0);
    reading.shownPercent = reading.barPosition / 10.0;
    reading.elapsedMs = nowMs >= startMs_ ? nowMs - startMs_ : 0;
    if (percent > 0.0) {
        reading.remainingMs =
            std::uint64_t(double(reading.elapsedMs) / percent * (100.0 - percent));
    }
    return reading;
}
