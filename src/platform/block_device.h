#pragma once
// What a block device node tells about itself through its I/O controls: the logical
// sector size, the capacity, and the legacy cylinder/head/sector geometry that old
// partitioning tools still look at.

#include "platform/storage_file.h"

#include <cstdint>
#include <optional>

namespace platform {

// BLKSSZGET: the logical sector size, the unit the device transfers in.
std::optional<std::uint32_t> LogicalSectorSize(const StorageFile& device);

// HDIO_GETGEO: heads and sectors per track when the driver answers (loop devices and
// most modern drivers do not).
struct ChsGeometry {
    std::uint32_t heads = 0;
    std::uint32_t sectorsPerTrack = 0;
};
std::optional<ChsGeometry> LegacyGeometry(const StorageFile& device);

// Major and minor number of the device a node stands for, or nothing for other files.
struct DeviceNumber {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
};
std::optional<DeviceNumber> BlockDeviceNumber(const std::string& path);

} // namespace platform
