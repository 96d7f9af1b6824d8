#include "vfs/exfat/exfat_boot.h"

#include "base/bytes.h"
#include "base/checked.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace exfatboot {

bool HasSignature(std::span<const std::uint8_t> sector) {
    return sector.size() >= kSectorBytes && std::memcmp(sector.data() + 3, "EXFAT   ", 8) == 0 &&
           sector[510] == 0x55 && sector[511] == 0xAA;
}

bool IsAddressable(const cBootRecord& boot) {
    // The format allows clusters of at most 32 MiB and puts the FATs after both boot
    // regions (24 sectors).
    if (boot.sectorShift < 9 || boot.sectorShift > 12 ||
        boot.clusterShift > 25 - boot.sectorShift || (boot.fatCount != 1 && boot.fatCount != 2) ||
        boot.fatOffset < 2 * kRegionSectors || boot.fatLength == 0 || boot.clusterCount == 0) {
        return false;
    }
    const std::uint64_t fatsEnd =
        std::uint64_t(boot.fatOffset) + std::uint64_t(boot.fatLength) * boot.fatCount;
    return boot.heapOffset >= fatsEnd && boot.rootCluster >= 2 &&
           boot.rootCluster - 2 < boot.clusterCount;
}

std::optional<cBootRecord> ParseBootSector(std::span<const std::uint8_t> data) {
    const auto sector = bytes::Slice<kSectorBytes>(data);
    if (!sector || !HasSignature(data)) {
        return std::nullopt;
    }
    cBootRecord boot;
    boot.volumeLength = bytes::Le64<72>(*sector);
    boot.fatOffset = bytes::Le32<80>(*sector);
    boot.fatLength = bytes::Le32<84>(*sector);
    boot.heapOffset = bytes::Le32<88>(*sector);
    boot.clusterCount = bytes::Le32<92>(*sector);
    boot.rootCluster = bytes::Le32<96>(*sector);
    boot.serial = bytes::Le32<100>(*sector);
    boot.flags = bytes::Le16<106>(*sector);
    boot.sectorShift = (*sector)[108];
    boot.clusterShift = (*sector)[109];
    boot.fatCount = (*sector)[110];
    if (!IsAddressable(boot)) {
        return std::nullopt;
    }
    return boot;
}

__attribute__((no_sanitize("unsigned-integer-overflow"))) std::uint32_t
RegionChecksum(std::span<const std::uint8_t> elevenSectors) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < elevenSectors.size(); ++i) {
        if (i == 106 || i == 107 || i == 112) {
            continue;
        }
        sum = ((sum & 1) ? 0x80000000u : 0) + (sum >> 1) + elevenSectors[i];
    }
    return sum;
}

namespace {

// The region starting at sector first (in 512-byte sectors), when its checksum holds.
std::optional<cBootRecord> ReadRegion(const probe::SectorSource& read, std::uint64_t first) {
    std::vector<std::uint8_t> sector(kSectorBytes);
    if (!read(first, 1, sector.data())) {
        return std::nullopt;
    }
    const std::optional<cBootRecord> boot = ParseBootSector(sector);
    if (!boot) {
        return std::nullopt;
    }
    // The region is counted in the volume's own sectors.
    const std::uint32_t unit = 1u << (boot->sectorShift - 9);
    const std::size_t sectorBytes = std::size_t(unit) * kSectorBytes;
    std::vector<std::uint8_t> region(kRegionSectors * sectorBytes);
    if (!read(first, kRegionSectors * unit, region.data())) {
        return std::nullopt;
    }
    const std::uint32_t sum =
        RegionChecksum(std::span(region).first((kRegionSectors - 1) * sectorBytes));
    for (std::size_t at = (kRegionSectors - 1) * sectorBytes; at < region.size(); at += 4) {
        if (bytes::Le32At(region, at) != sum) {
            return std::nullopt;
        }
    }
    return boot;
}

} // namespace

std::optional<cBootRecord> ReadBootRegion(const probe::SectorSource& read) {
    if (std::optional<cBootRecord> main = ReadRegion(read, 0)) {
        return main;
    }
    // The backup lies one region further, in the volume's own sectors, which only the
    // backup's boot sector can tell.
    for (const std::uint64_t unit : {1u, 2u, 4u, 8u}) {
        if (std::optional<cBootRecord> backup = ReadRegion(read, kRegionSectors * unit)) {
            if ((1u << (backup->sectorShift - 9)) == unit) {
                return backup;
            }
        }
    }
    return std::nullopt;
}

cLayout ComputeLayout(const cBootRecord& boot, std::uint64_t availableSectors) {
    cLayout layout;
    const unsigned unitShift = boot.sectorShift - 9;
    layout.clusterSectors = 1u << (unitShift + boot.clusterShift);
    layout.clusterBytes = layout.clusterSectors * kSectorBytes;
    layout.fatSectors = std::uint64_t(boot.fatLength) << unitShift;
    layout.fatStart =
        (std::uint64_t(boot.fatOffset) << unitShift) + boot.ActiveFat() * layout.fatSectors;
    layout.heapStart = std::uint64_t(boot.heapOffset) << unitShift;
    layout.volumeSectors = checked::SaturatingMul(boot.volumeLength, std::uint64_t(1) << unitShift);
    // Each FAT entry takes four bytes; clusters 0 and 1 have entries but no data.
    const std::uint64_t fatEntries = layout.fatSectors * kSectorBytes / 4;
    const std::uint64_t end = std::min(layout.volumeSectors, availableSectors);
    const std::uint64_t heapClusters =
        end > layout.heapStart ? (end - layout.heapStart) / layout.clusterSectors : 0;
    layout.clusterLimit =
        2 + std::min<std::uint64_t>({boot.clusterCount, fatEntries - 2, heapClusters});
    return layout;
}

} // namespace exfatboot
