#include "app/recovery_flow/fat_boot_rules.h"

#include "base/bytes.h"
#include "scan/fat/fat_mount.h"

#include <cstring>
#include <string_view>

namespace recovery {

namespace {

bool HasText(std::span<const std::uint8_t> boot, std::size_t offset, std::string_view text) {
    return bytes::Fits(boot.size(), offset, text.size()) &&
           std::memcmp(boot.data() + offset, text.data(), text.size()) == 0;
}

} // namespace

std::uint64_t Fat32ReservedSectors(std::span<const std::uint8_t> boot) {
    if (HasText(boot, 82, "FAT32") || HasText(boot, 82, "TFAT32")) {
        if (const auto reserved = bytes::Le16At(boot, 14)) {
            return *reserved;
        }
    }
    return kDefaultFat32Reserved;
}

fatscan::FatType Fat1xTypeByLabel(std::span<const std::uint8_t> boot) {
    return HasText(boot, 54, "FAT12") ? fatscan::FatType::kFat12 : fatscan::FatType::kFat16;
}

fatscan::cFATGeometry MountedFatGeometry(const cVFATBase& reader,
                                         std::span<const std::uint8_t> boot) {
    fatscan::cFATGeometry geometry = fatscan::GeometryOf(reader);
    if (geometry.IsFat32()) {
        geometry.firstFatSector = Fat32ReservedSectors(boot);
    } else {
        geometry.fatType = Fat1xTypeByLabel(boot);
    }
    return geometry;
}

} // namespace recovery
