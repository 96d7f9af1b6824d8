#include "scan/bad_ranges.h"

#include <algorithm>

namespace {

// The sector behind a run, or the end of the sector space for runs that reach it.
std::uint64_t EndOf(const cSectorRange& range) {
    return range.first + range.count;
}

} // namespace

void cBadRanges::Add(std::uint64_t first, std::uint64_t count) {
    count = std::min(count, UINT64_MAX - first);
    if (count == 0) {
        return;
    }
    const std::uint64_t end = first + count;
    // The first run that ends at or after `first`: every run before it lies wholly in
    // front of the new one, with a gap.
    auto at = std::lower_bound(
        ranges_.begin(), ranges_.end(), first,
        [](const cSectorRange& range, std::uint64_t sector) { return EndOf(range) < sector; });
    // Scans go forward, so the new run usually belongs at the very end.
    if (at == ranges_.end() || at->first > end) {
        ranges_.insert(at, cSectorRange{first, count});
        return;
    }
    auto last = at;
    std::uint64_t mergedEnd = end;
    while (last != ranges_.end() && last->first <= end) {
        mergedEnd = std::max(mergedEnd, EndOf(*last));
        ++last;
    }
    at->first = std::min(at->first, first);
    at->count = mergedEnd - at->first;
    ranges_.erase(at + 1, last);
}

void cBadRanges::Add(const cBadRanges& other) {
    for (const cSectorRange& range : other.ranges_) {
        Add(range.first, range.count);
    }
}

std::uint64_t cBadRanges::SectorCount() const {
    std::uint64_t sectors = 0;
    for (const cSectorRange& range : ranges_) {
        sectors += range.count;
    }
    return sectors;
}

std::string FormatBadRanges(const cBadRanges& ranges) {
    if (ranges.Empty()) {
        return "no bad sectors";
    }
    const std::size_t count = ranges.Ranges().size();
    std::string text = std::to_string(count) + (count == 1 ? " bad range (" : " bad ranges (") +
                       std::to_string(ranges.SectorCount()) +
                       (ranges.SectorCount() == 1 ? " sector):" : " sectors):");
    const char* separator = " ";
    for (const cSectorRange& range : ranges.Ranges()) {
        text += separator + std::to_string(range.first);
        if (range.count > 1) {
            text += "-" + std::to_string(range.first + range.count - 1);
        }
        separator = ", ";
    }
    return text;
}
