#include "base/progress.h"

#include "platform/clock.h"

#include <cmath>
#include <numbers>

namespace {

constexpr std::uint32_t kFakeStepMs = 200;
constexpr double kFakeStep = 0.1;

} // namespace

unsigned cUnknownProgressFakeJob::Run() {
    double x = 0.0;
    while (target_ && !IsStopRequested()) {
        platform::SleepMilliseconds(kFakeStepMs);
        target_->OnProgress(std::atan(x) * 2.0 / std::numbers::pi * 100.0);
        x += kFakeStep;
    }
    return 0;
}
