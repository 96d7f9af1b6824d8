#pragma once
// Where an NTFS deep scan found the MFT of a volume whose boot sector is lost.

#include "vfs/external_params.h"
#include "vfs/fs_types.h"

#include <cstdint>

class cExtNTFSParams final : public cExternalVFSParams {
public:
    cExtNTFSParams(std::uint64_t mftSector, std::uint32_t recordBytes)
        : mftSectorOffset(mftSector), recordSize(recordBytes) {}

    std::uint32_t GetFSType() const override { return fstype::kNtfs; }

    std::uint64_t mftSectorOffset; // sectors of 512 bytes from the partition start
    std::uint32_t recordSize;      // bytes per MFT record
};
