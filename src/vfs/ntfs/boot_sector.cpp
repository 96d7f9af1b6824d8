#include "vfs/ntfs/boot_sector.h"

#include <array>
#include <cstring>

namespace ntfs {
namespace {

bool IsPowerOfTwo(std::uint64_t value) {
    return value != 0 && (value & (value - 1)) == 0;
}

} // namespace

std::uint64_t SizeFromClusterByte(std::int8_t value, std::uint32_t clusterSize) {
    if (value < 0) {
        const int shift = -int(value);
        return shift < 32 ? std::uint64_t(1) << shift : 0;
    }
    return std::uint64_t(std::uint8_t(value)) * clusterSize;
}

std::optional<BootGeometry> ParseBootSector(bytes::Span sector) {
    // Layout: BIOS parameter block from offset 11, NTFS extension from offset 36.
    const auto fixed = bytes::Slice<512>(sector);
    if (!fixed || std::memcmp(fixed->subspan<3, 8>().data(), "NTFS    ", 8) != 0) {
        return std::nullopt;
    }
    const bytes::Fixed<512> s = *fixed;
    BootGeometry g;
    g.bytesPerSector = bytes::Le16<11>(s);
    g.sectorsPerCluster = s[13];
    if (g.bytesPerSector < 512 || !IsPowerOfTwo(g.bytesPerSector) ||
        !IsPowerOfTwo(g.sectorsPerCluster)) {
        return std::nullopt;
    }
    // 0x24: physical drive, 0x28: total sectors, 0x30: $MFT cluster, 0x38: $MFTMirr cluster,
    // 0x40: clusters per record, 0x44: clusters per index block, 0x48: serial number.
    g.clusterSize = g.bytesPerSector * g.sectorsPerCluster;
    g.totalSectors = bytes::Le64<40>(s);
    g.mftCluster = bytes::Le64<48>(s);
    g.mftMirrorCluster = bytes::Le64<56>(s);
    g.serialNumber = bytes::Le64<72>(s);
    const std::uint64_t recordSize = SizeFromClusterByte(std::int8_t(s[64]), g.clusterSize);
    if (recordSize == 0 || recordSize % 512 != 0 || recordSize > kMaxRecordSize) {
        return std::nullopt;
    }
    g.recordSize = std::uint32_t(recordSize);
    return g;
}

std::optional<BootGeometry> FindBackupBootSector(const BootSectorSource& read,
                                                 std::uint64_t partitionSectors) {
    std::array<std::uint8_t, 512> sector{};
    for (std::uint64_t factor : {1, 2, 4, 8}) {
        if (partitionSectors <= factor) {
            break;
        }
        const std::uint64_t at = partitionSectors - factor;
        if (!read(at, sector.data())) {
            continue;
        }
        const auto geometry = ParseBootSector(sector);
        if (geometry && geometry->bytesPerSector / 512 == factor &&
            geometry->totalSectors <= at / factor) {
            return geometry;
        }
    }
    return std::nullopt;
}

std::optional<std::uint64_t> MftSector(const BootGeometry& geometry) {
    const std::uint64_t sectorsPerCluster =
        std::uint64_t(geometry.sectorsPerCluster) * (geometry.bytesPerSector / 512);
    if (geometry.mftCluster > UINT64_MAX / sectorsPerCluster) {
        return std::nullopt;
    }
    return geometry.mftCluster * sectorsPerCluster;
}

} // namespace ntfs
