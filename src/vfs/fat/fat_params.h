#pragma once
// The geometry a FAT reconstruction found for a volume whose boot sector is lost, handed
// to the FAT readers' MountWithParams. Sectors are 512 bytes, relative to the partition.

#include "vfs/external_params.h"
#include "vfs/fs_types.h"

#include <cstdint>

class cExtFATParams final : public cExternalVFSParams {
public:
    std::uint32_t GetFSType() const override { return width == 32 ? fstype::kFat32 : fstype::kFat; }

    unsigned width = 0; // 12, 16 or 32
    std::uint64_t firstFatSector = 0;
    std::uint64_t fatSectors = 0; // one copy
    std::uint64_t dataStart = 0;  // the sector of cluster 2
    std::uint32_t clusterBytes = 0;
    std::uint16_t rootEntries = 0; // FAT12/16
    std::uint32_t rootCluster = 0; // FAT32
};
