#include "scan/fat/fat_detect.h"

#include "base/bytes.h"
#include "base/progress.h"
#include "io/base_io.h"
#include "scan/async_scan_io.h"
#include "vfs/fat/fat_boot.h"

#include <cstring>
#include <memory>
#include <vector>

namespace fatscan {
namespace {

constexpr std::uint32_t kBlockSectors = 256;
constexpr std::uint32_t kLookAheadSectors = 16;
// The table search reads this many sectors at a time.
constexpr std::uint32_t kChunkSectors = 64;

// Single sectors for the table search, read a chunk at a time through the caller's own
// duplicate of the storage.
class cChunkReader {
public:
    cChunkReader(std::unique_ptr<cBaseIO> storage, std::uint64_t partitionStart,
                 std::uint64_t partitionSectors)
        : storage_(std::move(storage)), partitionStart_(partitionStart),
          partitionSectors_(partitionSectors), chunk_(kChunkSectors * kSectorBytes) {}

    bool Read(std::uint64_t sector, std::uint8_t* out) {
        if (sector >= partitionSectors_) {
            return false;
        }
        if (sector < chunkStart_ || sector >= chunkStart_ + chunkCount_) {
            chunkStart_ = sector;
            chunkCount_ = 0;
            const std::uint64_t want =
                std::min<std::uint64_t>(kChunkSectors, partitionSectors_ - sector);
            if (storage_->SeekSector(partitionStart_ + sector) >= 0) {
                chunkCount_ = storage_->ReadSectors(chunk_.data(), std::uint32_t(want));
            }
            if (chunkCount_ == 0) {
                return false;
            }
        }
        std::memcpy(out, chunk_.data() + (sector - chunkStart_) * kSectorBytes, kSectorBytes);
        return true;
    }

private:
    std::unique_ptr<cBaseIO> storage_;
    std::uint64_t partitionStart_;
    std::uint64_t partitionSectors_;
    std::vector<std::uint8_t> chunk_;
    std::uint64_t chunkStart_ = 0;
    std::uint32_t chunkCount_ = 0;
};

// FAT32 keeps its root folder's cluster in the boot sector or its backup; either may
// have survived what made the geometry unknown.
std::uint32_t RootClusterFromBoot(cChunkReader& reader, std::uint64_t clusterCount) {
    std::array<std::uint8_t, kSectorBytes> sector{};
    for (const std::uint64_t at : {std::uint64_t(0), fatboot::kBackupBootSector}) {
        if (reader.Read(at, sector.data()) && fatboot::HasFat32Label(sector)) {
            const std::uint32_t cluster = bytes::Le32<44>(sector) & 0x0FFFFFFF;
            if (cluster >= 2 && cluster < clusterCount) {
                return cluster;
            }
        }
    }
    return 0;
}

} // namespace

std::optional<cFATGeometry> DetectFATGeometry(const cFATDetectRequest& request) {
    const std::uint32_t defaultSize = DefaultClusterBytes(request.sectorCount, request.allowFat32);
    if (!request.storage || defaultSize == 0) {
        return std::nullopt;
    }
    cAsyncScanIO scanner;
    if (!scanner.Attach(request.storage, kBlockSectors, kLookAheadSectors) ||
        scanner.Seek(request.partitionStart, request.sectorCount) < 0) {
        return std::nullopt;
    }
    cFolderStartTracker tracker(defaultSize);
    std::uint64_t sector = 0;
    std::uint32_t count = 0;
    while (const std::uint8_t* block = scanner.NextBlock(count)) {
        bool done = false;
        for (std::uint32_t i = 0; i < count && !done; ++i) {
            done =
                tracker.Feed(sector + i, std::span<const std::uint8_t, kSectorBytes>(
                                             block + std::size_t(i) * kSectorBytes, kSectorBytes));
        }
        sector += count;
        if (request.progress &&
            !request.progress->OnProgress(100.0 * double(sector) / double(request.sectorCount))) {
            return std::nullopt;
        }
        if (done) {
            break;
        }
    }
    scanner.Stop();
    cFATGeometry geometry = tracker.Geometry();
    if (geometry.state == 0) {
        return geometry;
    }
    auto duplicate = request.storage->Duplicate();
    if (!duplicate) {
        return std::nullopt;
    }
    cChunkReader reader(std::move(duplicate), request.partitionStart, request.sectorCount);
    const cSectorReader read = [&reader](std::uint64_t at, std::uint8_t* out) {
        return reader.Read(at, out);
    };
    if (FindFATLayout(read, request.sectorCount, request.allowFat32, geometry) &&
        geometry.IsFat32()) {
        geometry.rootCluster = RootClusterFromBoot(reader, geometry.clusterCount);
    }
    return geometry;
}

} // namespace fatscan
