#pragma once
// Where an NTFS deep scan found the MFT of a volume whose boot sector is lost.

#include "vfs/external_params.h"
#include "vfs/fs_types.h"

#include <cstdint>

class cExtNTFSParams final : public cExternalVFSParams {
public:
    cExtNTFSParams(std::uint64_t mftSector, std::uint32_t recordBytes,
                   std::uint64_t volumeSector = 0)
        : mftSectorOffset(mftSector), recordSize(recordBytes), volumeSectorOffset(volumeSector) {}

    std::uint32_t GetFSType() const override { return fstype::kNtfs; }

    std::uint64_t mftSectorOffset; // sectors of 512 bytes from the partition start
    std::uint32_t recordSize;      // bytes per MFT record
    // Where cluster 0 lies, in sectors from the partition start: a volume found inside a
    // disk whose partition table is lost does not start where the scanned range does.
    std::uint64_t volumeSectorOffset;
};
