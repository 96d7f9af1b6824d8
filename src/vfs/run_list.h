#pragma once
// Where an object's bytes lie: runs of allocation units in logical order. Runs are
// contiguous in logical space (the first starts at 0, each starts where the previous one
// ends), so a lookup is a binary search. Fragmented files can have very long lists, so
// records are carved from 64 KiB chunks rather than allocated one by one.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct cRun {
    std::uint64_t logicalStart;  // in run units, from the start of the object
    std::uint64_t physicalStart; // in the file system's allocation-unit numbering
    std::uint64_t length;        // in run units

    // A sparse run occupies logical space and reads as zeros.
    static constexpr std::uint64_t kSparse = ~std::uint64_t(0);
    bool IsSparse() const { return physicalStart == kSparse; }
    std::uint64_t LogicalEnd() const { return logicalStart + length; }
};

class cRunList {
public:
    cRunList() = default;
    cRunList(const cRunList&) = delete;
    cRunList& operator=(const cRunList&) = delete;
    cRunList(cRunList&&) = default;
    cRunList& operator=(cRunList&&) = default;

    // Appends count units at physicalStart (cRun::kSparse for a hole); the run is
    // count × unitsPerBlock run units long. A run that continues the last one, physically
    // or as a second hole, lengthens it instead of adding a record. No when the lengths
    // would overflow 64 bits; the list is then unchanged. A count of 0 adds nothing.
    bool Append(std::uint64_t physicalStart, std::uint64_t count, std::uint32_t unitsPerBlock = 1);

    // Releases every chunk at once.
    void Clear();

    bool Empty() const { return count_ == 0; }
    std::size_t Count() const { return count_; }
    // Logical length covered by all runs, in run units.
    std::uint64_t LogicalLength() const { return Empty() ? 0 : Last().LogicalEnd(); }

    const cRun& operator[](std::size_t index) const {
        return chunks_[index / kRunsPerChunk][index % kRunsPerChunk];
    }
    const cRun& First() const { return (*this)[0]; }
    const cRun& Last() const { return (*this)[count_ - 1]; }

    // The run covering a logical unit, or null when no run does. Sequential lookups start
    // from the previous hit, so reading an object front to back costs no searches.
    const cRun* Find(std::uint64_t logicalUnit) const;

    static constexpr std::size_t kChunkBytes = 65536;
    static constexpr std::size_t kRunsPerChunk = kChunkBytes / sizeof(cRun);

private:
    cRun& At(std::size_t index) { return chunks_[index / kRunsPerChunk][index % kRunsPerChunk]; }

    std::vector<std::unique_ptr<cRun[]>> chunks_;
    std::size_t count_ = 0;
    mutable std::size_t lastHit_ = 0;
};
