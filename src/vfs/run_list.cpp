#include "vfs/run_list.h"

bool cRunList::Append(std::uint64_t physicalStart, std::uint64_t count,
                      std::uint32_t unitsPerBlock) {
    if (count == 0 || unitsPerBlock == 0) {
        return count == 0;
    }
    if (count > ~std::uint64_t(0) / unitsPerBlock) {
        return false;
    }
    const std::uint64_t length = count * unitsPerBlock;
    const bool sparse = physicalStart == cRun::kSparse;
    // A real extent must end before the hole marker, or its units would wrap.
    if (!sparse && physicalStart > cRun::kSparse - length) {
        return false;
    }
    if (!Empty()) {
        cRun& last = At(count_ - 1);
        if (length > ~std::uint64_t(0) - last.LogicalEnd()) {
            return false;
        }
        // A hole never continues a real run: all ones plus a length would wrap onto a
        // small physical number and glue unrelated extents together.
        const bool continuesHole = sparse && last.IsSparse();
        const bool continuesExtent =
            !sparse && !last.IsSparse() && last.physicalStart + last.length == physicalStart;
        if (continuesHole || continuesExtent) {
            last.length += length;
            return true;
        }
    }
    if (count_ == chunks_.size() * kRunsPerChunk) {
        // Records are plain values written before use, so the chunk is left uninitialised.
        chunks_.emplace_back(new cRun[kRunsPerChunk]);
    }
    At(count_) = cRun{LogicalLength(), physicalStart, length};
    ++count_;
    return true;
}

void cRunList::Clear() {
    chunks_.clear();
    count_ = 0;
    lastHit_ = 0;
}

const cRun* cRunList::Find(std::uint64_t logicalUnit) const {
    if (Empty() || logicalUnit >= LogicalLength()) {
        return nullptr;
    }
    for (std::size_t i = lastHit_; i < count_ && i < lastHit_ + 2; ++i) {
        const cRun& run = (*this)[i];
        if (logicalUnit >= run.logicalStart && logicalUnit < run.LogicalEnd()) {
            lastHit_ = i;
            return &run;
        }
    }
    std::size_t low = 0, high = count_ - 1;
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if ((*this)[middle].LogicalEnd() <= logicalUnit) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    lastHit_ = low;
    return &(*this)[low];
}
