#include "vfs/xfs/xfs_handle.h"

#include "vfs/xfs/vxfs.h"

#include <algorithm>

void cXFSHandle::Map(const std::vector<xfs::cExtent>& extents, std::uint64_t size) {
    const xfs::cGeometry& geometry = Owner().Geometry();
    const std::uint64_t blocks = size / geometry.blockSize + (size % geometry.blockSize != 0);
    std::uint64_t mapped = 0;
    for (const xfs::cExtent& extent : extents) {
        if (mapped >= blocks) {
            break;
        }
        const std::optional<std::uint64_t> start = geometry.LinearBlock(extent.start);
        if (extent.fileOffset < mapped || !start || extent.count > geometry.dataBlocks ||
            *start > geometry.dataBlocks - extent.count) {
            SetDamaged(true);
            break;
        }
        if (extent.fileOffset > mapped) {
            AppendRun(cRun::kSparse, std::min(extent.fileOffset, blocks) - mapped);
            mapped = std::min(extent.fileOffset, blocks);
        }
        const std::uint64_t count = std::min<std::uint64_t>(extent.count, blocks - mapped);
        AppendRun(extent.unwritten ? cRun::kSparse : *start, count);
        mapped += count;
    }
    // Past the last extent the file is a hole, unless the map broke off.
    if (mapped < blocks && !IsDamaged()) {
        AppendRun(cRun::kSparse, blocks - mapped);
    }
    SetSize(size);
}
