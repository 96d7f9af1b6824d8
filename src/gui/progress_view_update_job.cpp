#include "gui/progress_view_update_job.h"

#include "gui/controls/progress_child.h"

#include <chrono>
#include <cmath>
#include <numbers>
#include <thread>

std::uint8_t cProgressViewUpdateJob::OpacityAt(unsigned step) {
    // One pulse every 2 seconds between 40% and full opacity.
    const double phase = std::sin(2 * std::numbers::pi * (step % 20) / 20.0);
    return std::uint8_t(std::lround(178.5 + 76.5 * phase));
}

unsigned cProgressViewUpdateJob::Run() {
    for (unsigned step = 0; !IsStopRequested(); ++step) {
        if (!PostChildAction(bar_, std::make_unique<cProgressChild::cSetOpacityRequestAction>(
                                       OpacityAt(step)))) {
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kIntervalMs));
        cJob::ThrowIfAborted();
    }
    return 0;
}
