#pragma once
// What a volume boot record says about the file system behind it, from the names that
// FAT and NTFS boot sectors carry at fixed offsets.

#include <cstdint>
#include <optional>
#include <span>

namespace part {

// The 0x55 0xAA signature that ends an MBR, an EBR and most boot sectors.
bool HasBootSignature(std::span<const std::uint8_t> sector);

// The type of a sector that is a FAT or NTFS boot sector rather than a partition table:
// "TFAT32"/"FAT32" at 0x52 FAT32, "FAT12"/"FAT16" at 0x36, "NTFS    " at 3.
std::optional<std::uint16_t> MbrVolumeBootType(std::span<const std::uint8_t> sector);

// The type of a dynamic-disk partition from its first sector: NTFS, FAT32 at 0x52,
// FAT12 at 0x36, FAT16 at 0x36 or 0x52; unknown otherwise.
std::uint16_t LdmVolumeBootType(std::span<const std::uint8_t> sector);

} // namespace part
