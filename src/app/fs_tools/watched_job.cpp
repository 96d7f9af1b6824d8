#include "app/fs_tools/watched_job.h"

#include "platform/clock.h"

void cWatchedJob::Changed() {
    if (!changed_) {
        return;
    }
    const std::uint64_t now = platform::MonotonicMilliseconds();
    if (lastTold_ == 0 || now - lastTold_ >= intervalMs_) {
        lastTold_ = now;
        changed_(false);
    }
}

void cWatchedJob::OnFinish(unsigned result) {
    if (changed_) {
        changed_(true);
    }
}
