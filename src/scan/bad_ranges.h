#pragma once
// The sectors a scan could not read, as sorted runs of absolute sectors of the storage.
// Touching and overlapping runs merge, so a failing area reads as one run however many
// reads met it, and a second pass over the same sectors adds nothing.

#include <cstdint>
#include <string>
#include <vector>

struct cSectorRange {
    std::uint64_t first = 0;
    std::uint64_t count = 0;

    bool operator==(const cSectorRange&) const = default;
};

class cBadRanges {
public:
    // Sectors past the end of the 64-bit sector space are cut off.
    void Add(std::uint64_t first, std::uint64_t count);
    void Add(const cBadRanges& other);
    void Clear() { ranges_.clear(); }

    const std::vector<cSectorRange>& Ranges() const { return ranges_; }
    bool Empty() const { return ranges_.empty(); }
    std::uint64_t SectorCount() const;

private:
    std::vector<cSectorRange> ranges_;
};

// "2 bad ranges (9 sectors): 100-107, 2048" for a report; a run of one sector shows as
// its number, and an empty list as "no bad sectors".
std::string FormatBadRanges(const cBadRanges& ranges);
