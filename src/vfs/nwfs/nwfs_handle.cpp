#include "vfs/nwfs/nwfs_handle.h"

#include "vfs/nwfs/vnwfs.h"

bool cNWFSHandle::Map(std::uint32_t first, std::uint64_t size) {
    const std::uint64_t blockSize = Owner().GetBlockSize();
    const std::uint64_t blocks = size / blockSize + (size % blockSize != 0);
    const std::optional<std::vector<std::uint32_t>> chain = Owner().Chain(first, blocks);
    if (!chain) {
        return false;
    }
    for (const std::uint32_t block : *chain) {
        AppendRun(block, 1);
    }
    SetDamaged(chain->size() < blocks);
    SetSize(size);
    return true;
}
