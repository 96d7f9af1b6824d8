#include "scan/ntfs/record_positions.h"

#include "base/checked.h"
#include "scan/async_scan_io.h"

#include <cstring>

namespace {

constexpr std::uint32_t kSectorBytes = 512;

class cPercent {
public:
    cPercent(cProgressNotifyTarget* target, std::uint64_t total) : target_(target), total_(total) {}

    bool Advance(std::uint64_t sectors) {
        done_ += sectors;
        if (!target_ || total_ == 0) {
            return true;
        }
        const std::uint64_t hundredths = done_ >= total_ ? 10000 : done_ * 10000 / total_;
        if (hundredths == last_) {
            return true;
        }
        last_ = hundredths;
        return target_->OnProgress(double(hundredths) / 100);
    }

private:
    cProgressNotifyTarget* target_;
    std::uint64_t total_;
    std::uint64_t done_ = 0;
    std::uint64_t last_ = ~std::uint64_t(0);
};

} // namespace

bool ScanRecordPositions(const cRecordScanRequest& request, std::span<const cRecordRange> ranges,
                         const cRecordVisitor& visit) {
    std::uint64_t total = 0;
    for (const cRecordRange& range : ranges) {
        total = checked::SaturatingAdd(total, range.sectorCount);
    }
    cPercent percent(request.progress, total);
    if (total == 0) {
        return percent.Advance(0);
    }
    cAsyncScanIO reader;
    if (!reader.Attach(request.storage, request.blockSectors, request.lookAheadSectors)) {
        return false;
    }
    for (const cRecordRange& range : ranges) {
        const auto first = checked::Add(request.partitionStart, range.firstSector);
        if (range.sectorCount == 0) {
            continue;
        }
        if (!first || reader.Seek(*first, range.sectorCount) < 0) {
            // A range beyond the storage holds no records; what it would have taken counts
            // as done.
            if (!percent.Advance(range.sectorCount)) {
                return false;
            }
            continue;
        }
        std::uint64_t done = 0;
        std::uint32_t count = 0;
        while (const std::uint8_t* block = reader.NextBlock(count)) {
            if (count == 0) {
                break;
            }
            const std::size_t held = std::size_t(count + request.lookAheadSectors) * kSectorBytes;
            for (std::uint32_t i = 0; i < count; ++i) {
                const std::size_t at = std::size_t(i) * kSectorBytes;
                if (std::memcmp(block + at, "FILE", 4) == 0 &&
                    !visit({block + at, held - at}, range.firstSector + done + i)) {
                    reader.Stop();
                    return false;
                }
            }
            done += count;
            if (!percent.Advance(count)) {
                reader.Stop();
                return false;
            }
        }
        // A range cut at the storage's end counts as done to its end.
        if (done < range.sectorCount && !percent.Advance(range.sectorCount - done)) {
            reader.Stop();
            return false;
        }
    }
    reader.Stop();
    return true;
}
