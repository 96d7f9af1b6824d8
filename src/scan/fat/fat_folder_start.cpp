#include "base/bytes.h"
#include "base/checked.h"
#include "scan/fat/fat_detect.h"
#include "vfs/fat/fat_dir.h"

namespace fatscan {

bool cFolderStartTracker::Feed(std::uint64_t sector,
                               std::span<const std::uint8_t, kSectorBytes> data) {
    const fatdir::Entry dot = data.subspan<0, fatdir::kEntrySize>();
    const fatdir::Entry dotDot = data.subspan<fatdir::kEntrySize, fatdir::kEntrySize>();
    if (geometry_.state == 2 || !fatdir::IsDotEntry(dot, false) ||
        !fatdir::IsDotEntry(dotDot, true)) {
        return geometry_.state == 2;
    }
    // The high word is 0 on FAT12/16, so both widths read the same way.
    const std::uint32_t cluster = fatdir::FirstCluster(dot, true);
    if (cluster < 2) {
        return false;
    }
    const auto startFor = [sector, cluster](std::uint32_t clusterBytes) {
        const auto before = checked::Mul<std::uint64_t>(clusterBytes / kSectorBytes, cluster - 2);
        return before ? checked::Sub(sector, *before) : std::nullopt;
    };
    if (geometry_.state == 0) {
        // A start that would put cluster 2 before the partition is not of this volume.
        if (const auto dataStart = startFor(defaultClusterBytes_); dataStart) {
            geometry_.state = 1;
            geometry_.clusterBytes = defaultClusterBytes_;
            geometry_.dataStart = *dataStart;
            firstSector_ = sector;
            firstCluster_ = cluster;
        }
        return false;
    }
    if (cluster <= firstCluster_) {
        return false;
    }
    const std::uint64_t bytes = (sector - firstSector_) * kSectorBytes;
    const std::uint64_t clusters = cluster - firstCluster_;
    const std::uint64_t size = bytes / clusters;
    if (bytes % clusters != 0 || size < kSectorBytes || size > kMaxClusterBytes ||
        (size & (size - 1)) != 0) {
        return false;
    }
    const auto dataStart = startFor(std::uint32_t(size));
    if (!dataStart) {
        return false;
    }
    geometry_.state = 2;
    geometry_.clusterBytes = std::uint32_t(size);
    geometry_.dataStart = *dataStart;
    return true;
}

} // namespace fatscan
