#pragma once
// cExtXFSParams: the geometry of an XFS volume as a scan found it, for mounting a volume
// whose superblock is damaged (cVXFS::MountWithParams).

#include "vfs/external_params.h"
#include "vfs/fs_types.h"

#include <cstdint>

class cExtXFSParams final : public cExternalVFSParams {
public:
    std::uint32_t GetFSType() const override { return fstype::kXfs; }

    std::uint32_t blockSize = 0;
    std::uint64_t rootInode = 0;
    std::uint16_t inodeSize = 0;
    std::uint32_t agBlocks = 0;  // blocks per allocation group
    std::uint8_t agBlockLog = 0; // bits of a group-relative block number
    std::uint32_t agCount = 0;
    std::uint64_t dataBlocks = 0;
    std::uint16_t sectorSize = 0;
};
