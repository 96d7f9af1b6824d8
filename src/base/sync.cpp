#include "base/sync.h"

#include <chrono>

void cEvent::Set() {
    // Notify while holding the mutex: a waiter that wakes may destroy the event at once
    // (a sender's event lives on its stack), so nothing may touch it after the unlock.
    std::lock_guard lock(mutex_);
    signalled_ = true;
    if (manualReset_) {
        changed_.notify_all();
    } else {
        changed_.notify_one();
    }
}

void cEvent::Reset() {
    std::lock_guard lock(mutex_);
    signalled_ = false;
}

bool cEvent::Wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return signalled_; });
    if (!manualReset_) {
        signalled_ = false;
    }
    return true;
}

bool cEvent::WaitFor(std::uint32_t milliseconds) {
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                           [this] { return signalled_; })) {
        return false;
    }
    if (!manualReset_) {
        signalled_ = false;
    }
    return true;
}
