#pragma once
// The boot record fields the FAT readers use (the published FAT32 file-system document, "Boot
// Sector and BPB"), and the volume layout computed from them. Pure functions over one sector.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace fatboot {

inline constexpr std::size_t kSectorBytes = 512;
// FAT32 keeps a copy of its boot sector here (BPB_BkBootSec); readers trust only this one.
inline constexpr std::uint64_t kBackupBootSector = 6;

// The file-system label: "FAT12", "FAT16" or "TFAT16" at offset 54 name FAT12/16 (width
// 12 or 16), "FAT32" or "TFAT32" at offset 82 name FAT32. 0 when the sector has none.
unsigned Fat1216Width(std::span<const std::uint8_t> sector);
bool HasFat32Label(std::span<const std::uint8_t> sector);

struct cBootRecord {
    unsigned width = 0; // 12, 16 or 32
    std::uint16_t bytesPerSector = 0;
    std::uint8_t sectorsPerCluster = 0;
    std::uint16_t reservedSectors = 0;
    std::uint8_t fatCount = 0;
    std::uint16_t rootEntries = 0;  // FAT12/16
    std::uint32_t totalSectors = 0; // the 16-bit field, or the 32-bit one when it is 0
    std::uint32_t sectorsPerFat = 0;
    std::uint32_t rootCluster = 0; // FAT32
    std::array<std::uint8_t, 11> label{};
};

// The boot record of a FAT12/16 or FAT32 sector of at least 512 bytes. Null when the label
// is missing, the sector size is not a power of two from 512 to 4096 or a cluster has no
// sectors: such geometry cannot address anything sensibly.
std::optional<cBootRecord> ParseBootRecord(std::span<const std::uint8_t> sector, bool fat32);

// Where things are, in absolute 512-byte sectors of the storage, and how big.
struct cLayout {
    std::uint64_t fatStart = 0;
    std::uint64_t fatSectors = 0; // one FAT, in 512-byte sectors
    std::uint64_t rootStart = 0;  // FAT12/16 root folder region
    std::uint64_t rootBytes = 0;  // FAT12/16
    std::uint64_t dataStart = 0;  // cluster 2
    std::uint32_t clusterBytes = 0;
    std::uint32_t clusterSectors = 0;
    // Allocation units the volume reports (clusters + 2, counted as the readers always
    // have, from the total sectors).
    std::uint64_t blockCount = 0;
    // One past the highest cluster that really exists: limited both by the data area and
    // by the entries the FAT can hold. Chains that leave [2, clusterLimit) are damaged.
    std::uint64_t clusterLimit = 2;
};

cLayout ComputeLayout(const cBootRecord& boot, std::uint64_t partitionStart);

// The volume label of the boot record: trailing blanks, tabs and line ends removed,
// decoded as UTF-8; "NO NAME" when nothing is left.
std::u16string BootLabel(const cBootRecord& boot);

// Cluster sizes a FAT reconstruction assumes for a volume of n 512-byte sectors (the
// format's default tables); 0 when the volume does not suit the width.
std::uint32_t DefaultFat16ClusterSize(std::uint64_t sectors);
std::uint32_t DefaultFat32ClusterSize(std::uint64_t sectors);

} // namespace fatboot
