#pragma once
// cNWFSHandle: the run-list handle of the NetWare reader, its runs counted in volume
// blocks, built along the file's chain in the block-allocation table.

#include "vfs/block_handle.h"

#include <cstdint>

class cVNWFS;

class cNWFSHandle final : public cBlockHandle<cVNWFS> {
public:
    using cBlockHandle::cBlockHandle;
    // Maps size bytes along the chain from first; no when the chain breaks. A chain shorter
    // than the size leaves the handle damaged.
    bool Map(std::uint32_t first, std::uint64_t size);
};
