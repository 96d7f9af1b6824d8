#include "platform/block_device.h"

#include <linux/fs.h>
#include <linux/hdreg.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace platform {

std::optional<std::uint32_t> LogicalSectorSize(const StorageFile& device) {
    int size = 0;
    if (!device.IsOpen() || ::ioctl(device.Descriptor(), BLKSSZGET, &size) != 0 || size <= 0) {
        return std::nullopt;
    }
    return std::uint32_t(size);
}

std::optional<ChsGeometry> LegacyGeometry(const StorageFile& device) {
    hd_geometry geometry{};
    if (!device.IsOpen() || ::ioctl(device.Descriptor(), HDIO_GETGEO, &geometry) != 0 ||
        geometry.heads == 0 || geometry.sectors == 0) {
        return std::nullopt;
    }
    return ChsGeometry{geometry.heads, geometry.sectors};
}

std::optional<DeviceNumber> BlockDeviceNumber(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISBLK(info.st_mode)) {
        return std::nullopt;
    }
    return DeviceNumber{major(info.st_rdev), minor(info.st_rdev)};
}

} // namespace platform
