#include "vfs/jfs/jfs_handle.h"

#include "vfs/jfs/vjfs.h"

#include <algorithm>

void cJFSHandle::Map(const std::vector<jfs::cExtent>& extents, std::uint64_t size) {
    const std::uint64_t blockSize = Owner().GetBlockSize();
    const std::uint64_t volume = Owner().GetBlockCount();
    const std::uint64_t blocks = size / blockSize + (size % blockSize != 0);
    std::uint64_t mapped = 0;
    for (const jfs::cExtent& extent : extents) {
        if (mapped >= blocks) {
            break;
        }
        if (extent.fileOffset < mapped || extent.count > volume ||
            extent.start > volume - extent.count) {
            SetDamaged(true);
            break;
        }
        const std::uint64_t from = std::min(extent.fileOffset, blocks);
        if (from > mapped) {
            AppendRun(cRun::kSparse, from - mapped);
            mapped = from;
        }
        const std::uint64_t count = std::min(extent.count, blocks - mapped);
        if (count > 0) {
            AppendRun(extent.unrecorded ? cRun::kSparse : extent.start, count);
        }
        mapped += count;
    }
    if (mapped < blocks && !IsDamaged()) {
        AppendRun(cRun::kSparse, blocks - mapped);
    }
    SetSize(size);
}
