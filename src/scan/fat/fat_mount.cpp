#include "scan/fat/fat_mount.h"

#include "part/part_tree.h"
#include "vfs/fat/fat_params.h"
#include "vfs/fat/vfat.h"

namespace fatscan {

std::unique_ptr<cVFS> MountFromGeometry(cPartRecord& record, const cFATGeometry& geometry) {
    cExtFATParams params;
    switch (geometry.fatType) {
    case FatType::kFat12:
        params.width = 12;
        break;
    case FatType::kFat16:
        params.width = 16;
        break;
    case FatType::kFat32:
        params.width = 32;
        break;
    default:
        return nullptr;
    }
    params.firstFatSector = geometry.firstFatSector;
    params.fatSectors = geometry.fatSectors;
    params.dataStart = geometry.dataStart;
    params.clusterBytes = geometry.clusterBytes;
    params.rootEntries = std::uint16_t(geometry.rootEntries);
    params.rootCluster = geometry.rootCluster;
    std::unique_ptr<cVFATBase> reader;
    if (geometry.IsFat32()) {
        reader = std::make_unique<cVFAT32>();
    } else {
        reader = std::make_unique<cVFAT>();
    }
    if (!reader->MountWithParams(record, &params)) {
        return nullptr;
    }
    return reader;
}

cFATGeometry GeometryOf(const cVFATBase& reader) {
    const fatboot::cBootRecord& boot = reader.BootRecord();
    const fatboot::cLayout& layout = reader.Layout();
    const std::uint64_t start = reader.PartitionStart();
    cFATGeometry geometry;
    geometry.state = 2;
    geometry.dataStart = layout.dataStart - start;
    geometry.clusterBytes = layout.clusterBytes;
    geometry.firstFatSector = layout.fatStart - start;
    geometry.fatSectors = layout.fatSectors;
    geometry.fatType = boot.width == 12   ? FatType::kFat12
                       : boot.width == 16 ? FatType::kFat16
                                          : FatType::kFat32;
    geometry.clusterCount = layout.clusterLimit;
    geometry.rootEntries = boot.rootEntries;
    geometry.rootCluster = boot.rootCluster;
    return geometry;
}

} // namespace fatscan
