#include "gui/navigation/fake_navigation_progress_job.h"

#include "gui/navigation/navigation_child.h"

#include <cmath>

namespace {

class cClockTicker : public cNavigationTicker {
public:
    void Wait(std::uint32_t milliseconds) override { woken_.WaitFor(milliseconds); }
    void Wake() override { woken_.Set(); }

private:
    cEvent woken_; // auto-reset: one wake ends one wait
};

} // namespace

std::unique_ptr<cNavigationTicker> MakeClockTicker() {
    return std::make_unique<cClockTicker>();
}

cFakeNavigationProgressJob::cFakeNavigationProgressJob(cNavigationChild* view,
                                                       std::unique_ptr<cNavigationTicker> ticker)
    : view_(view), ticker_(ticker ? std::move(ticker) : MakeClockTicker()) {}

cFakeNavigationProgressJob::~cFakeNavigationProgressJob() {
    Halt();
}

double cFakeNavigationProgressJob::Shown(double value) {
    return std::atan(value - kQuietUntil) * 0.6366197723675814;
}

double cFakeNavigationProgressJob::Value() {
    cScopedLock lock(lock_);
    return value_;
}

void cFakeNavigationProgressJob::Post(double shown) {
    if (view_) {
        PostChildAction(*view_,
                        std::make_unique<cNavigationChild::cNaviFakeProgressRecvAction>(shown));
    }
}

void cFakeNavigationProgressJob::Begin() {
    {
        cScopedLock lock(lock_);
        value_ = 0.0;
    }
    if (!IsRunning()) {
        Start();
    }
}

void cFakeNavigationProgressJob::End() {
    // Under the lock, so that no step of the curve can land after the final value.
    cScopedLock lock(lock_);
    value_ = -1.0;
    Post(1.0);
}

void cFakeNavigationProgressJob::Halt() {
    RequestStop();
    ticker_->Wake();
    Stop();
}

unsigned cFakeNavigationProgressJob::Run() {
    while (!IsStopRequested()) {
        ticker_->Wait(kStepMilliseconds);
        if (IsStopRequested()) {
            break;
        }
        cScopedLock lock(lock_);
        if (value_ < 0.0) {
            continue;
        }
        if (value_ >= kQuietUntil) {
            Post(Shown(value_));
        }
        value_ += kStep;
    }
    return 0;
}
