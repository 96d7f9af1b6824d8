#pragma once
// The boot record a scan put together for an exFAT volume whose boot regions are lost,
// handed to the exFAT reader's MountWithParams.

#include "vfs/exfat/exfat_boot.h"
#include "vfs/external_params.h"
#include "vfs/fs_types.h"

class cExtExfatParams final : public cExternalVFSParams {
public:
    std::uint32_t GetFSType() const override { return fstype::kExfat; }

    exfatboot::cBootRecord boot;
    // No when the scan found no FAT: chains then end at their first cluster, and only
    // contiguous files read whole.
    bool fatFound = true;
};
