#pragma once
// A job whose window is told, at most once per interval, that there is something new to
// show, and once more when the job ends; the window then asks the job for its numbers.
// A walk over a volume meets thousands of objects a second: telling the window about each
// would flood its queue with redraws nobody can see.

#include "base/job.h"

#include <cstdint>
#include <functional>

class cWatchedJob : public cJob {
public:
    // Called on the job's thread, with true the last time, when the job has ended. Set it
    // before Start.
    void Watch(std::function<void(bool ended)> changed, unsigned intervalMs) {
        changed_ = std::move(changed);
        intervalMs_ = intervalMs;
    }

protected:
    // The walk calls this after every object; it tells the watcher when the interval has
    // passed since it last did.
    void Changed();
    void OnFinish(unsigned result) override;

private:
    std::function<void(bool ended)> changed_;
    unsigned intervalMs_ = 0;
    std::uint64_t lastTold_ = 0;
};
