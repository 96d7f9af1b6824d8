#include "scan/fat/fat_detect.h"
#include "vfs/fat/fat_boot.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace fatscan {
namespace {

// FAT32 cluster numbers have 28 bits, and the top ones mark ends and bad clusters.
constexpr std::uint64_t kMaxFat32Clusters = 0x0FFFFFF7;

struct cTableKind {
    FatType type;
    std::array<std::uint8_t, 4> start; // media byte and end-of-chain entries
    std::size_t compared;
    std::uint32_t rootEntries;
};

// FAT12's first two entries fill three bytes; the fourth already belongs to cluster 2.
constexpr cTableKind kKinds[] = {
    {FatType::kFat12, {0xF0, 0xFF, 0xFF, 0x00}, 3, 224},
    {FatType::kFat16, {0xF8, 0xFF, 0xFF, 0xFF}, 4, 512},
    {FatType::kFat32, {0xF8, 0xFF, 0xFF, 0x0F}, 4, 0},
};

const cTableKind* KindOf(const std::uint8_t* sector, bool allowFat32) {
    for (const cTableKind& kind : kKinds) {
        if ((allowFat32 || kind.type != FatType::kFat32) &&
            std::memcmp(sector, kind.start.data(), kind.compared) == 0) {
            return &kind;
        }
    }
    return nullptr;
}

// Entries a table of n sectors holds.
std::uint64_t TableEntries(FatType type, std::uint64_t n) {
    switch (type) {
    case FatType::kFat12:
        return n * 1024 / 3;
    case FatType::kFat16:
        return n * 256;
    default:
        return n * 128;
    }
}

} // namespace

std::uint32_t DefaultClusterBytes(std::uint64_t partitionSectors, bool allowFat32) {
    const std::uint32_t size = fatboot::DefaultFat16ClusterSize(partitionSectors);
    return size != 0 || !allowFat32 ? size : fatboot::DefaultFat32ClusterSize(partitionSectors);
}

bool FindFATLayout(const cSectorReader& read, std::uint64_t partitionSectors, bool allowFat32,
                   cFATGeometry& geometry) {
    const std::uint64_t dataStart = geometry.dataStart;
    const std::uint32_t clusterSectors = geometry.ClusterSectors();
    if (clusterSectors == 0 || dataStart > partitionSectors) {
        return false;
    }
    std::array<std::uint8_t, kSectorBytes> sector{};
    std::array<std::uint8_t, kSectorBytes> copy{};
    for (std::uint64_t s = 1; s < dataStart / 2; ++s) {
        if (!read(s, sector.data())) {
            continue;
        }
        const cTableKind* kind = KindOf(sector.data(), allowFat32);
        const std::uint64_t rootSectors =
            std::uint64_t(kind ? kind->rootEntries : 0) * 32 / kSectorBytes;
        if (!kind || dataStart < s + rootSectors + 2) {
            continue;
        }
        const std::uint64_t tableSectors = (dataStart - rootSectors - s) / 2;
        if (!read(s + tableSectors, copy.data()) ||
            std::memcmp(copy.data(), sector.data(), kind->compared) != 0) {
            continue;
        }
        geometry.fatType = kind->type;
        geometry.firstFatSector = s;
        geometry.fatSectors = tableSectors;
        geometry.rootEntries = kind->rootEntries;
        const std::uint64_t dataClusters = (partitionSectors - dataStart) / clusterSectors;
        geometry.clusterCount = std::min(
            {TableEntries(kind->type, (dataStart - s) / 2), dataClusters + 2, kMaxFat32Clusters});
        return true;
    }
    return false;
}

} // namespace fatscan
