#pragma once
// The run-list handle of the ISO 9660 reader, its runs counted in logical blocks.

#include "vfs/block_handle.h"
#include "vfs/iso9660/iso_record.h"

#include <cstdint>
#include <vector>

class cVISO9660;

class cIsoHandle final : public cBlockHandle<cVISO9660> {
public:
    using cBlockHandle::cBlockHandle;
    // The extents one after another. Only the last may end inside a block: the data of an
    // extent after a partial one has no place, so the handle ends there, damaged, as it
    // does when an extent reaches past the volume.
    void Map(const std::vector<iso::cExtent>& extents);
};
