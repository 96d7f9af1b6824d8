#pragma once
// The size evaluation of a selection: how many files it holds, their bytes, and how many
// blocks of each common size they take (folders left out).

#include "app/fs_tools/watched_job.h"
#include "vfs/vfs.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

struct cEvalSizeCounters {
    static constexpr std::array<std::uint32_t, 6> kBlockSizes = {512,  1024, 2048,
                                                                 4096, 8192, 16384};
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
    // blocks[i]: blocks of kBlockSizes[i] bytes.
    std::array<std::uint64_t, kBlockSizes.size()> blocks{};

    void AddFile(std::uint64_t size);
};

// Counts the selection into counters: a folder by its whole tree, a file by itself;
// objects of other kinds count nothing. The stop test is asked after every object; false
// when it stopped the count.
bool EvalSize(cVFS& fs, const std::vector<std::unique_ptr<cFSObject>>& selection,
              cEvalSizeCounters& counters, const std::function<bool()>& stop);

// The evaluation on a job thread; the window reads the counters while it runs, told at
// most every kRedrawMs.
class cEvalSizeJob final : public cWatchedJob {
public:
    static constexpr unsigned kRedrawMs = 200;
    cEvalSizeJob(cVFS& fs, std::vector<std::unique_ptr<cFSObject>> selection)
        : fs_(fs), selection_(std::move(selection)) {}
    ~cEvalSizeJob() override { Stop(); }

    cEvalSizeCounters Counters() const;

protected:
    unsigned Run() override;

private:
    cVFS& fs_;
    std::vector<std::unique_ptr<cFSObject>> selection_;
    mutable std::mutex lock_;
    cEvalSizeCounters counters_;
};
