#pragma once
// cJFSHandle: the run-list handle of the JFS reader, its runs counted in aggregate blocks.
// Holes and extents allocated but not yet written read as zeros.

#include "vfs/block_handle.h"
#include "vfs/jfs/jfs_layout.h"

#include <cstdint>
#include <vector>

class cVJFS;

class cJFSHandle final : public cBlockHandle<cVJFS> {
public:
    using cBlockHandle::cBlockHandle;
    // Lays the extents, in file order, out over size bytes. An extent that goes back in the
    // file or reaches past the aggregate marks the handle damaged and ends the map there.
    void Map(const std::vector<jfs::cExtent>& extents, std::uint64_t size);
};
