#pragma once
// Cheap looks at a partition that say which file system it may hold. Probes only read;
// mounting is the reader's job. Each reads through a sector source relative to the
// partition start, and a sector it cannot read makes it answer no.

#include <cstdint>
#include <functional>
#include <span>

class cPartRecord;

namespace probe {

// Reads count 512-byte sectors at a sector relative to the partition start into out
// (count × 512 bytes); no unless all were read.
using SectorSource =
    std::function<bool(std::uint64_t sector, std::uint32_t count, std::uint8_t* out)>;

SectorSource SourceOf(const cPartRecord& record);

bool Ntfs(const SectorSource& read);
// The backup of an NTFS boot sector in the last sector of a partition of partitionSectors
// sectors.
bool NtfsBackup(const SectorSource& read, std::uint64_t partitionSectors);
bool Ext(const SectorSource& read);
// An ext volume whose primary superblock is gone, by the copy at the start of group 1.
bool ExtCopy(const SectorSource& read);
bool UfsLittleEndian(const SectorSource& read);
bool UfsBigEndian(const SectorSource& read);
bool Fat1216(const SectorSource& read);
bool Fat32(const SectorSource& read);
bool Xfs(const SectorSource& read);
bool Reiser(const SectorSource& read);
bool HfsPlus(const SectorSource& read);
bool Hfs(const SectorSource& read);
bool Udf(const SectorSource& read);
bool Iso9660(const SectorSource& read);
bool SnapUfs(const SectorSource& read);
bool Jfs(const SectorSource& read);
// An exFAT boot region, main or backup, whose checksum holds.
bool Exfat(const SectorSource& read);

// The 16-byte UDF descriptor tag (ECMA-167 3/7.2): its checksum byte is the sum of the
// other fifteen bytes modulo 256.
bool UdfTagValid(std::span<const std::uint8_t> tag, std::uint16_t* identifier = nullptr);

bool IsPowerOfTwo(std::uint64_t value);

} // namespace probe
