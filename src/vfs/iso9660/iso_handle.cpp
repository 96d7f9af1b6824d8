#include "vfs/iso9660/iso_handle.h"

#include "vfs/iso9660/viso9660.h"

void cIsoHandle::Map(const std::vector<iso::cExtent>& extents) {
    const std::uint64_t blockSize = Owner().GetBlockSize();
    std::uint64_t size = 0;
    for (std::size_t n = 0; n < extents.size(); ++n) {
        const iso::cExtent& extent = extents[n];
        const std::uint64_t blocks = extent.size / blockSize + (extent.size % blockSize != 0);
        if (blocks > Owner().GetBlockCount() || extent.start > Owner().GetBlockCount() - blocks) {
            SetDamaged(true);
        }
        AppendRun(extent.start, blocks);
        size += extent.size; // at most 2^32 extents of less than 2^32 bytes
        if (extent.size % blockSize != 0 && n + 1 < extents.size()) {
            SetDamaged(true);
            break;
        }
    }
    SetSize(size);
}
