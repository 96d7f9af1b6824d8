#include "vfs/fat/fat_boot.h"

#include "base/bytes.h"
#include "base/utf.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace fatboot {
namespace {

constexpr std::size_t kFat1216TypeOffset = 54;
constexpr std::size_t kFat32TypeOffset = 82;

bool HasText(std::span<const std::uint8_t> sector, std::size_t offset, std::string_view text) {
    return bytes::Fits(sector.size(), offset, text.size()) &&
           std::memcmp(sector.data() + offset, text.data(), text.size()) == 0;
}

} // namespace

unsigned Fat1216Width(std::span<const std::uint8_t> sector) {
    if (HasText(sector, kFat1216TypeOffset, "FAT12")) {
        return 12;
    }
    if (HasText(sector, kFat1216TypeOffset, "FAT16") ||
        HasText(sector, kFat1216TypeOffset, "TFAT16")) {
        return 16;
    }
    return 0;
}

bool HasFat32Label(std::span<const std::uint8_t> sector) {
    return HasText(sector, kFat32TypeOffset, "FAT32") ||
           HasText(sector, kFat32TypeOffset, "TFAT32");
}

std::optional<cBootRecord> ParseBootRecord(std::span<const std::uint8_t> sector, bool fat32) {
    const auto fixed = bytes::Slice<kSectorBytes>(sector);
    if (!fixed) {
        return std::nullopt;
    }
    const bytes::Fixed<kSectorBytes> p = *fixed;
    cBootRecord boot;
    boot.width = fat32 ? (HasFat32Label(sector) ? 32 : 0) : Fat1216Width(sector);
    if (boot.width == 0) {
        return std::nullopt;
    }
    boot.bytesPerSector = bytes::Le16<11>(p);
    boot.sectorsPerCluster = p[13];
    boot.reservedSectors = bytes::Le16<14>(p);
    boot.fatCount = p[16];
    boot.rootEntries = fat32 ? 0 : bytes::Le16<17>(p);
    boot.totalSectors = bytes::Le16<19>(p) ? bytes::Le16<19>(p) : bytes::Le32<32>(p);
    boot.sectorsPerFat = fat32 ? bytes::Le32<36>(p) : bytes::Le16<22>(p);
    boot.rootCluster = fat32 ? bytes::Le32<44>(p) : 0;
    const auto label = fat32 ? p.subspan<71, 11>() : p.subspan<43, 11>();
    std::copy(label.begin(), label.end(), boot.label.begin());

    const std::uint16_t bps = boot.bytesPerSector;
    if (bps < kSectorBytes || bps > 4096 || (bps & (bps - 1)) != 0 || boot.sectorsPerCluster == 0) {
        return std::nullopt;
    }
    return boot;
}

cLayout ComputeLayout(const cBootRecord& boot, std::uint64_t partitionStart) {
    cLayout layout;
    const std::uint32_t ratio = boot.bytesPerSector / kSectorBytes;
    layout.clusterBytes = std::uint32_t(boot.sectorsPerCluster) * boot.bytesPerSector;
    layout.clusterSectors = layout.clusterBytes / kSectorBytes;
    layout.fatStart = partitionStart + std::uint64_t(boot.reservedSectors) * ratio;
    layout.fatSectors = std::uint64_t(boot.sectorsPerFat) * ratio;
    const std::uint64_t fatsEnd = layout.fatStart + boot.fatCount * layout.fatSectors;
    const std::uint64_t volumeSectors = std::uint64_t(boot.totalSectors) * ratio;
    if (boot.width == 32) {
        layout.dataStart = fatsEnd;
        const std::uint64_t metadata = layout.dataStart - partitionStart;
        layout.blockCount =
            (volumeSectors > metadata ? volumeSectors - metadata : 0) / layout.clusterSectors + 2;
    } else {
        layout.rootStart = fatsEnd;
        layout.rootBytes = std::uint64_t(boot.rootEntries) * 32;
        // Whole sectors of the volume's own size hold the root folder.
        const std::uint64_t rootSectors =
            (layout.rootBytes + boot.bytesPerSector - 1) / boot.bytesPerSector * ratio;
        layout.dataStart = layout.rootStart + rootSectors;
        layout.blockCount = volumeSectors / layout.clusterSectors + 2;
    }
    const std::uint64_t metadata = layout.dataStart - partitionStart;
    const std::uint64_t dataClusters =
        volumeSectors > metadata ? (volumeSectors - metadata) / layout.clusterSectors : 0;
    const std::uint64_t fatEntries = layout.fatSectors * kSectorBytes * 8 / boot.width;
    layout.clusterLimit = std::min(dataClusters + 2, fatEntries);
    return layout;
}

std::u16string BootLabel(const cBootRecord& boot) {
    std::size_t length = boot.label.size();
    while (length > 0 && (boot.label[length - 1] == ' ' || boot.label[length - 1] == '\t' ||
                          boot.label[length - 1] == '\r' || boot.label[length - 1] == '\n')) {
        --length;
    }
    if (length == 0) {
        return u"NO NAME";
    }
    return utf::FromUtf8(
        std::string_view(reinterpret_cast<const char*>(boot.label.data()), length));
}

std::uint32_t DefaultFat16ClusterSize(std::uint64_t n) {
    // Small volumes are FAT12, whose clusters grow first; FAT16 starts over at 512 bytes.
    struct Step {
        std::uint64_t limit; // first size that no longer fits
        std::uint32_t clusterSize;
    };
    static constexpr Step kSteps[] = {
        {4084, 512},      {8168, 1024},     {32762, 2048},    {65525, 512},
        {131049, 1024},   {262097, 2048},   {524193, 4096},   {1048385, 8192},
        {2096769, 16384}, {4193537, 32768}, {8387073, 65536},
    };
    for (const Step& step : kSteps) {
        if (n < step.limit) {
            return step.clusterSize;
        }
    }
    return 0;
}

std::uint32_t DefaultFat32ClusterSize(std::uint64_t n) {
    struct Step {
        std::uint64_t limit;
        std::uint32_t clusterSize;
    };
    // Beyond 32 GiB the table keeps 32 KiB clusters up to what 32-bit sector counts reach.
    static constexpr Step kSteps[] = {
        {65536, 0},       {131072, 512},    {262144, 1024},    {524288, 2048},
        {16777216, 4096}, {33554432, 8192}, {67108864, 16384}, {0x100000000ull, 32768},
    };
    for (const Step& step : kSteps) {
        if (n < step.limit) {
            return step.clusterSize;
        }
    }
    return 0;
}

} // namespace fatboot
