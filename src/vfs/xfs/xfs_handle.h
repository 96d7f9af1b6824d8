#pragma once
// cXFSHandle: the run-list handle of the XFS reader, its runs counted in volume blocks.
// Holes and unwritten extents read as zeros.

#include "vfs/object_handle.h"
#include "vfs/xfs/xfs_bmap.h"

#include <cstdint>
#include <vector>

class cVXFS;

class cXFSHandle final : public cRLDrivenObjectHandle {
public:
    explicit cXFSHandle(cVXFS* reader);
    bool ReadBlock(std::uint8_t* buffer, std::uint64_t block) override;
    bool ReadBlocks(std::uint8_t* buffer, std::uint64_t first, std::uint64_t count) override;
    // Lays the extents out over size bytes. Extents must follow each other in file order;
    // one that goes back, or whose blocks lie outside every group or past the volume,
    // marks the handle damaged and ends the map there.
    void Map(const std::vector<xfs::cExtent>& extents, std::uint64_t size);

private:
    cVXFS* reader_;
};
