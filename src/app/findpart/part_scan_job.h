#pragma once
// The partition search as a job: every sector of the storage through the scan reader and
// the search's tests, with the rows and the progress reported to the front end (the
// search window, or the terminal).

#include "app/findpart/part_search.h"
#include "base/job.h"
#include "base/progress.h"
#include "scan/bad_ranges.h"

#include <cstdint>

// What the search tells its front end, from the job's thread.
class cPartScanFront : public cProgressNotifyTarget {
public:
    // A row was added; called under the list's lock.
    virtual void OnRowAdded(cPartTreeItem& node) {}
    virtual void OnSearchFinished(unsigned result) {}
};

class cPartScanJob final : public cJob {
public:
    // Sectors read per block, and what the scan reader reads behind each block so that a
    // structure near a block's end is seen whole.
    static constexpr std::uint32_t kBlockSectors = 4096;
    static constexpr std::uint32_t kLookAheadSectors = 16;

    cPartScanJob(cFoundList& list, cPartScanFront& front) : list_(list), front_(front) {}
    ~cPartScanJob() override { Stop(); }

    // Searches sectors [first, first + count) of the list's storage; the whole storage
    // unless set.
    void SetRange(std::uint64_t first, std::uint64_t count) {
        first_ = first;
        count_ = count;
        rangeSet_ = true;
    }
    // The sectors the scan reader could not read; valid once the job has finished.
    const cBadRanges& BadRanges() const { return badRanges_; }

    // The search on the calling thread, for a front end that waits for it: 1 when the
    // range was searched to its end (or is empty), 0 when stopped, 2 when the storage
    // cannot be read.
    unsigned Search();

protected:
    unsigned Run() override { return Search(); }
    void OnFinish(unsigned result) override { front_.OnSearchFinished(result); }

private:
    cFoundList& list_;
    cPartScanFront& front_;
    std::uint64_t first_ = 0;
    std::uint64_t count_ = 0;
    bool rangeSet_ = false;
    cBadRanges badRanges_;
};
