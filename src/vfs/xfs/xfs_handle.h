#pragma once
// cXFSHandle: the run-list handle of the XFS reader, its runs counted in volume blocks.
// Holes and unwritten extents read as zeros.

#include "vfs/block_handle.h"
#include "vfs/xfs/xfs_bmap.h"

#include <cstdint>
#include <vector>

class cVXFS;

class cXFSHandle final : public cBlockHandle<cVXFS> {
public:
    using cBlockHandle::cBlockHandle;
    // Lays the extents out over size bytes. Extents must follow each other in file order;
    // one that goes back, or whose blocks lie outside every group or past the volume,
    // marks the handle damaged and ends the map there.
    void Map(const std::vector<xfs::cExtent>& extents, std::uint64_t size);
};
