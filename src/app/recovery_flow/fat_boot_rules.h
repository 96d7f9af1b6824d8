#pragma once
// What the recovery takes from the boot sector of a mounted FAT volume, read again, over
// the geometry its reader gives: the FAT32 reserved area, which a boot sector without the
// file-system label is not trusted for, and the FAT12/16 width by the label.

#include "scan/fat/fat_geometry.h"

#include <cstdint>
#include <span>

class cVFATBase;

namespace recovery {

inline constexpr std::uint64_t kDefaultFat32Reserved = 32;

// The reserved-sector field (offset 14) when "FAT32" or "TFAT32" stands at offset 82,
// else the default of formatters.
std::uint64_t Fat32ReservedSectors(std::span<const std::uint8_t> boot);

// FAT12 when "FAT12" stands at offset 54, else FAT16.
fatscan::FatType Fat1xTypeByLabel(std::span<const std::uint8_t> boot);

// The mounted reader's geometry with the two rules applied to its boot sector.
fatscan::cFATGeometry MountedFatGeometry(const cVFATBase& reader,
                                         std::span<const std::uint8_t> boot);

} // namespace recovery
