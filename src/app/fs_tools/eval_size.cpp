#include "app/fs_tools/eval_size.h"

#include "vfs/tree_walk.h"

void cEvalSizeCounters::AddFile(std::uint64_t size) {
    ++files;
    bytes += size;
    for (std::size_t i = 0; i < kBlockSizes.size(); ++i) {
        blocks[i] += size / kBlockSizes[i] + (size % kBlockSizes[i] != 0 ? 1 : 0);
    }
}

namespace {

void Count(const cFSObject& entry, cEvalSizeCounters& counters) {
    if (entry.Kind() == fskind::kFile) {
        counters.AddFile(entry.size);
    }
}

} // namespace

bool EvalSize(cVFS& fs, const std::vector<std::unique_ptr<cFSObject>>& selection,
              cEvalSizeCounters& counters, const std::function<bool()>& stop) {
    cTreeWalk walk(fs, [&](const cFSObject& entry, const std::u16string&) {
        Count(entry, counters);
        return !stop();
    });
    for (const auto& object : selection) {
        Count(*object, counters);
        if (stop()) {
            return false;
        }
        if (object->Kind() == fskind::kFolder && !walk.Walk(*object)) {
            return false;
        }
    }
    return true;
}

cEvalSizeCounters cEvalSizeJob::Counters() const {
    const std::lock_guard<std::mutex> hold(lock_);
    return counters_;
}

unsigned cEvalSizeJob::Run() {
    {
        const std::lock_guard<std::mutex> hold(lock_);
        counters_ = {};
    }
    // The walk counts into its own copy, handed over after every object, so that the
    // window never waits for a read of the volume.
    cEvalSizeCounters counting;
    const bool done = EvalSize(fs_, selection_, counting, [&] {
        {
            const std::lock_guard<std::mutex> hold(lock_);
            counters_ = counting;
        }
        Changed();
        return IsStopRequested();
    });
    const std::lock_guard<std::mutex> hold(lock_);
    counters_ = counting;
    return done ? 0 : 1;
}
