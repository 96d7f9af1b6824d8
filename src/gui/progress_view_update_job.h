#pragma once
// Keeps a progress bar visibly alive while the operation behind it cannot say how far it
// is: every 100 ms it posts a new opacity to the bar, pulsing between faint and full.
// Only actions cross to the window thread; the bar must outlive the job (its owner stops
// the job first).

#include "base/job.h"

class cProgressChild;

class cProgressViewUpdateJob : public cJob {
public:
    explicit cProgressViewUpdateJob(cProgressChild& bar) : bar_(bar) {}
    ~cProgressViewUpdateJob() override { Stop(); }

    static constexpr unsigned kIntervalMs = 100;
    // The opacity shown at animation step `step`.
    static std::uint8_t OpacityAt(unsigned step);

protected:
    unsigned Run() override;

private:
    cProgressChild& bar_;
};
