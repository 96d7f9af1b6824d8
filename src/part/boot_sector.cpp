#include "part/boot_sector.h"

#include "part/map_io.h"
#include "part/part_types.h"

namespace part {

bool HasBootSignature(std::span<const std::uint8_t> sector) {
    return sector.size() >= 512 && sector[510] == 0x55 && sector[511] == 0xAA;
}

std::optional<std::uint16_t> MbrVolumeBootType(std::span<const std::uint8_t> sector) {
    if (HasText(sector, 0x52, "TFAT32") || HasText(sector, 0x52, "FAT32")) {
        return part_type::kFat32;
    }
    if (HasText(sector, 0x36, "FAT12")) {
        return part_type::kFat12;
    }
    if (HasText(sector, 0x36, "FAT16")) {
        return part_type::kFat16;
    }
    if (HasText(sector, 3, "NTFS    ")) {
        return part_type::kNtfs;
    }
    return std::nullopt;
}

std::uint16_t LdmVolumeBootType(std::span<const std::uint8_t> sector) {
    if (HasText(sector, 3, "NTFS    ")) {
        return part_type::kNtfs;
    }
    if (HasText(sector, 0x52, "FAT32")) {
        return part_type::kFat32;
    }
    if (HasText(sector, 0x36, "FAT12")) {
        return part_type::kFat12;
    }
    if (HasText(sector, 0x36, "FAT16") || HasText(sector, 0x52, "FAT16")) {
        return part_type::kFat16;
    }
    return part_type::kUnknown;
}

} // namespace part
