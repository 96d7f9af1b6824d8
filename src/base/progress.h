#pragma once
// Progress reporting from a job to whoever shows it. A progress form is a form, a cJob
// and a cProgressNotifyTarget at once; the command-line front end implements the same
// target on the terminal. Workers call the target from their own thread.

#include "base/job.h"

class cProgressNotifyTarget {
public:
    virtual ~cProgressNotifyTarget() = default;
    // Reports progress in percent (NaN when no percentage is known). Returns false when
    // the worker should stop.
    virtual bool OnProgress(double percent) = 0;
    // Names the current stage by an id from the reporter's own stage table.
    virtual void SetStage(int stageId) {}
};

// Animates a progress view that has no percentage to show: every 200 ms it reports a
// value that rises quickly at first and approaches 100 without reaching it.
class cUnknownProgressFakeJob : public cJob {
public:
    explicit cUnknownProgressFakeJob(cProgressNotifyTarget* target) : target_(target) {}
    ~cUnknownProgressFakeJob() override { Stop(); }

protected:
    unsigned Run() override;

private:
    cProgressNotifyTarget* const target_;
};
