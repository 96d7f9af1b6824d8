#include "app/findpart/part_scan_job.h"

#include "scan/async_scan_io.h"

#include <algorithm>
#include <span>

unsigned cPartScanJob::Search() {
    const std::uint64_t first = rangeSet_ ? first_ : 0;
    const std::uint64_t count = rangeSet_ ? count_ : list_.SectorCount();
    badRanges_.Clear();
    if (count == 0) {
        return 1;
    }
    cAsyncScanIO reader;
    if (!reader.Attach(&list_.Storage(), kBlockSectors, kLookAheadSectors) ||
        reader.Seek(first, count) < 0) {
        return 2;
    }
    cPartSearch search(list_);
    const std::uint64_t storageSectors = list_.Storage().GetSectorCount();
    constexpr std::size_t kSector = 512;
    std::uint64_t current = first;
    bool stopped = false;
    std::uint32_t sectors = 0;
    while (const std::uint8_t* block = reader.NextBlock(sectors)) {
        if (IsStopRequested()) {
            stopped = true;
            break;
        }
        // Behind the storage's end the look-ahead holds nothing that was read.
        const std::uint64_t valid =
            std::min<std::uint64_t>(sectors + kLookAheadSectors, storageSectors - current);
        const std::span<const std::uint8_t> bytes(block, valid * kSector);
        for (std::uint32_t i = 0; i < sectors; ++i, ++current) {
            cPartTreeItem* node = search.Examine(current, bytes.subspan(i * kSector));
            if (node) {
                const cFoundList::cGuard guard(list_);
                list_.SetSaved(false);
                list_.SetRootState(*node, CheckRoot(*node));
                front_.OnRowAdded(*node);
            }
        }
        cJob::ThrowIfAborted();
        if (!front_.OnProgress(double(current - first) * 100.0 / double(count))) {
            stopped = true;
            break;
        }
    }
    badRanges_ = reader.BadRanges();
    reader.Stop();
    return stopped || IsStopRequested() ? 0 : 1;
}
