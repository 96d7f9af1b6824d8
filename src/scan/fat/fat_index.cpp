#include "base/progress.h"
#include "io/base_io.h"
#include "scan/async_scan_io.h"
#include "scan/fat/fat_dir_test.h"
#include "scan/fat/fat_reconstructor.h"
#include "vfs/fat/fat_dir.h"

#include <algorithm>
#include <vector>

namespace {

constexpr std::uint32_t kBlockSectors = 2048; // a whole number of the largest clusters

std::size_t UsedBytes(std::span<const std::uint8_t> data) {
    std::size_t at = 0;
    while (at + fatdir::kEntrySize <= data.size() && data[at] != 0) {
        at += fatdir::kEntrySize;
    }
    return at;
}

} // namespace

bool cFATReconstructor::IndexRootArea() {
    const std::uint64_t rootSectors = geometry_.RootSectors();
    if (rootSectors == 0 || geometry_.dataStart < rootSectors) {
        return false;
    }
    std::vector<std::uint8_t> root(rootSectors * fatscan::kSectorBytes);
    auto reader = storage_.Duplicate();
    if (!reader || reader->SeekSector(partitionStart_ + geometry_.dataStart - rootSectors) < 0 ||
        reader->ReadSectors(root.data(), std::uint32_t(rootSectors)) != rootSectors) {
        return false;
    }
    cDirCluster& record = records_.emplace_back();
    record.startsDirectory = true;
    record.endsDirectory = true;
    record.entries = std::move(root);
    return true;
}

bool cFATReconstructor::Index(cProgressNotifyTarget* progress) {
    records_.clear();
    const std::uint32_t clusterSectors = geometry_.ClusterSectors();
    if (clusterSectors == 0 || geometry_.clusterBytes > fatscan::kMaxClusterBytes ||
        geometry_.clusterCount < 3 || geometry_.dataStart >= partitionSectors_) {
        return false;
    }
    const bool fat32 = geometry_.IsFat32();
    if (!fat32) {
        IndexRootArea(); // a root area that cannot be read leaves the root empty
    }
    const std::uint64_t sectors = std::min((geometry_.clusterCount - 2) * clusterSectors,
                                           partitionSectors_ - geometry_.dataStart);
    cAsyncScanIO scanner;
    if (!scanner.Attach(&storage_, kBlockSectors, 0) ||
        scanner.Seek(partitionStart_ + geometry_.dataStart, sectors) < 0) {
        return false;
    }
    const std::uint64_t clusterCount =
        table_->IsLoaded() ? table_->GetClusterCount() : geometry_.clusterCount;
    std::uint64_t done = 0;
    std::uint32_t count = 0;
    while (const std::uint8_t* block = scanner.NextBlock(count)) {
        for (std::uint32_t at = 0; at + clusterSectors <= count; at += clusterSectors) {
            const std::span<const std::uint8_t> data(
                block + std::size_t(at) * fatscan::kSectorBytes, geometry_.clusterBytes);
            const fatscan::cDirClusterTest test =
                fatscan::TestDirectoryCluster(data, clusterCount, fat32);
            if (!test.isDirectory) {
                continue;
            }
            cDirCluster& record = records_.emplace_back();
            record.cluster = std::uint32_t(2 + (done + at) / clusterSectors);
            record.endsDirectory = test.endsDirectory;
            const fatdir::Entry dot(data.data(), fatdir::kEntrySize);
            const fatdir::Entry dotDot(data.data() + fatdir::kEntrySize, fatdir::kEntrySize);
            record.startsDirectory =
                fatdir::IsDotEntry(dot, false) && fatdir::IsDotEntry(dotDot, true);
            if (record.startsDirectory) {
                record.parent = fatdir::FirstCluster(dotDot, fat32);
            }
            // Up to the end entry, which the test found followed by zeros only.
            const std::size_t used =
                test.endsDirectory ? UsedBytes(data) : std::size_t(geometry_.clusterBytes);
            record.entries.assign(data.begin(), data.begin() + std::ptrdiff_t(used));
        }
        done += count;
        if (progress && !progress->OnProgress(100.0 * double(done) / double(sectors))) {
            return false;
        }
    }
    return done == sectors;
}
