#pragma once
// What a FAT reconstruction knows of a volume whose boot sector it does not trust: where
// the clusters and the allocation tables lie. Sectors are 512 bytes, relative to the
// partition.

#include <cstdint>

namespace fatscan {

inline constexpr std::uint32_t kSectorBytes = 512;
// Larger clusters are not made by any formatter; a size above this is a false match.
inline constexpr std::uint32_t kMaxClusterBytes = 256 * 1024;

enum class FatType : std::uint8_t { kNone = 0, kFat12 = 1, kFat16 = 2, kFat32 = 3 };

struct cFATGeometry {
    // 0: nothing found; 1: one folder start found, the cluster size is the default one;
    // 2: two folder starts agree on the cluster size.
    unsigned state = 0;
    std::uint64_t dataStart = 0; // the sector of cluster 2
    std::uint32_t clusterBytes = 0;
    std::uint64_t firstFatSector = 0; // the reserved area's size
    std::uint64_t fatSectors = 0;     // one copy
    FatType fatType = FatType::kNone;
    // Entries the table can address, bounded by the clusters the partition holds.
    std::uint64_t clusterCount = 0;
    std::uint32_t rootEntries = 0; // FAT12/16: 224 or 512; FAT32: 0
    // FAT32: the root folder's first cluster once known (0 until then).
    std::uint32_t rootCluster = 0;

    std::uint32_t ClusterSectors() const { return clusterBytes / kSectorBytes; }
    std::uint64_t RootSectors() const { return std::uint64_t(rootEntries) * 32 / kSectorBytes; }
    bool IsFat32() const { return fatType == FatType::kFat32; }
    bool HasLayout() const { return fatType != FatType::kNone; }
    // The first sector of a cluster (the caller checks cluster >= 2).
    std::uint64_t ClusterSector(std::uint64_t cluster) const {
        return dataStart + (cluster - 2) * ClusterSectors();
    }
};

} // namespace fatscan
