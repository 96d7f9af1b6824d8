#pragma once
// The NTFS boot sector: validation and the volume geometry derived from it.

#include "base/bytes.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace ntfs {

struct BootGeometry {
    std::uint32_t bytesPerSector = 0;
    std::uint32_t sectorsPerCluster = 0;
    std::uint32_t clusterSize = 0;  // bytes
    std::uint64_t totalSectors = 0; // in the volume's own sectors (boot offset 40)
    std::uint64_t mftCluster = 0;
    std::uint64_t mftMirrorCluster = 0;
    std::uint32_t recordSize = 0; // bytes per MFT record
    std::uint64_t serialNumber = 0;
};

// Largest MFT record and index block this reader accepts. Volumes use 1 KiB or 4 KiB;
// the cap keeps a hostile size byte from asking for huge buffers.
inline constexpr std::uint32_t kMaxRecordSize = 64 * 1024;

// Parses the first sector of a volume. Fails unless it carries the "NTFS    " OEM name,
// a power-of-two sector size of at least 512, a valid cluster factor and an MFT record
// size that is a non-zero multiple of 512 no larger than kMaxRecordSize.
std::optional<BootGeometry> ParseBootSector(bytes::Span sector);

// Reads the 512-byte sector at a sector offset from the volume start into out; no when
// it cannot be read.
using BootSectorSource = std::function<bool(std::uint64_t sector, std::uint8_t* out)>;

// The copy of the boot sector NTFS keeps in the last sector of its partition of
// partitionSectors 512-byte sectors (in the volume's own sector size, so the copy may
// start up to seven 512-byte sectors before the end), for when the first one is damaged.
// It is believed only when the volume it describes ends at or before the copy itself.
std::optional<BootGeometry> FindBackupBootSector(const BootSectorSource& read,
                                                 std::uint64_t partitionSectors);

// Size in bytes encoded in the clusters-per-record (offset 64) or clusters-per-index-block
// (offset 68) byte: negative values mean 2 to the power of the negated value. 0 when the
// value is out of range.
std::uint64_t SizeFromClusterByte(std::int8_t value, std::uint32_t clusterSize);

// First 512-byte sector of the MFT, relative to the volume start; nullopt on overflow.
std::optional<std::uint64_t> MftSector(const BootGeometry& geometry);

} // namespace ntfs
