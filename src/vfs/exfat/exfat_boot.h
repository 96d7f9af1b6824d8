#pragma once
// The exFAT boot region (the published exFAT file-system documentation, "Main and Backup
// Boot Regions") and the volume layout computed from it. A region is twelve sectors: the
// boot sector, eight extended boot sectors, the OEM parameters, a reserved sector and a
// sector filled with the checksum of the eleven before it. The backup region follows.

#include "vfs/probes.h"

#include <cstdint>
#include <optional>
#include <span>

namespace exfatboot {

inline constexpr std::size_t kSectorBytes = 512;
inline constexpr std::uint32_t kRegionSectors = 12;

// "EXFAT   " at offset 3 and the end mark at 510.
bool HasSignature(std::span<const std::uint8_t> sector);

struct cBootRecord {
    std::uint64_t volumeLength = 0; // in the volume's own sectors
    std::uint32_t fatOffset = 0;    // sectors, from the volume start
    std::uint32_t fatLength = 0;    // sectors per FAT
    std::uint32_t heapOffset = 0;   // sectors, cluster 2
    std::uint32_t clusterCount = 0;
    std::uint32_t rootCluster = 0;
    std::uint32_t serial = 0;
    std::uint16_t flags = 0;
    std::uint8_t sectorShift = 0;  // 9 to 12
    std::uint8_t clusterShift = 0; // sectors per cluster, as a power of two
    std::uint8_t fatCount = 0;     // 1, or 2 on TexFAT volumes

    // Which FAT and allocation bitmap are in use: the second one when the flag says so
    // and there is a second one.
    unsigned ActiveFat() const { return fatCount == 2 && (flags & 1) ? 1 : 0; }
};

// Whether the fields describe a volume that can be addressed: sector and cluster shifts
// within the format's limits, one or two FATs after the boot regions, the cluster heap
// after the FATs and a root folder inside it.
bool IsAddressable(const cBootRecord& boot);

// The boot sector's fields when they are addressable.
std::optional<cBootRecord> ParseBootSector(std::span<const std::uint8_t> sector);

// The region checksum over its first eleven sectors, leaving out the volume flags and the
// percent-in-use byte, which change without the checksum being rewritten.
std::uint32_t RegionChecksum(std::span<const std::uint8_t> elevenSectors);

// The boot record of the main region, or of the backup when the main one is unreadable,
// fails its checksum or does not parse. Sectors are relative to the volume start.
std::optional<cBootRecord> ReadBootRegion(const probe::SectorSource& read);

// Where things are, in 512-byte sectors relative to the volume start, and how big.
struct cLayout {
    std::uint64_t fatStart = 0; // the active FAT
    std::uint64_t fatSectors = 0;
    std::uint64_t heapStart = 0; // cluster 2
    std::uint32_t clusterBytes = 0;
    std::uint32_t clusterSectors = 0;
    // One past the highest cluster that exists: limited by the cluster count, by what the
    // FAT can describe and by the sectors available, so that every cluster below it can
    // be addressed without overflow.
    std::uint64_t clusterLimit = 2;
    std::uint64_t volumeSectors = 0;
};

// availableSectors: how many 512-byte sectors the storage holds from the volume start.
cLayout ComputeLayout(const cBootRecord& boot, std::uint64_t availableSectors);

} // namespace exfatboot
