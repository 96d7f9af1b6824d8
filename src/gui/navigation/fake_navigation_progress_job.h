#pragma once
// Listings report no progress of their own, so while one runs the navigation view's
// strip follows a made-up curve: nothing for the first 1.25 s (most listings are done by
// then and the strip never twitches), then a quick rise that slows down and never
// reaches the end. Every 200 ms the value grows by 0.05; from 0.25 on, the strip shows
// atan(value - 0.25) * 2/pi.
//
// The job runs for the life of its view and idles (value -1) between listings. The wait
// between steps goes through a ticker, so that tests can step the curve by hand.

#include "base/job.h"
#include "base/sync.h"

#include <cstdint>
#include <memory>

class cNavigationChild;

class cNavigationTicker {
public:
    virtual ~cNavigationTicker() = default;
    // Waits one step (or less, when woken).
    virtual void Wait(std::uint32_t milliseconds) = 0;
    // Ends the current wait early: the job is being stopped.
    virtual void Wake() = 0;
};

// The real clock: an event wait that Wake cuts short.
std::unique_ptr<cNavigationTicker> MakeClockTicker();

class cFakeNavigationProgressJob : public cJob {
public:
    static constexpr std::uint32_t kStepMilliseconds = 200;
    static constexpr double kStep = 0.05;
    static constexpr double kQuietUntil = 0.25;

    cFakeNavigationProgressJob(cNavigationChild* view, std::unique_ptr<cNavigationTicker> ticker);
    ~cFakeNavigationProgressJob() override;

    // Window thread: a listing started (the curve restarts; the job starts when idle).
    void Begin();
    // Window thread: the listing ended; the strip gets one last value, 1.0.
    void End();
    // Stops the worker for good (the view is going).
    void Halt();
    double Value();
    // The strip position shown for a curve value (below kQuietUntil nothing is shown).
    static double Shown(double value);

protected:
    unsigned Run() override;

private:
    void Post(double shown);

    cNavigationChild* const view_;
    std::unique_ptr<cNavigationTicker> ticker_;
    cCriticalSection lock_; // value_ and the posts made under it
    double value_ = -1.0;
};
