#pragma once
// The run-list handle of the ISO 9660 reader, its runs counted in logical blocks.

#include "vfs/iso9660/iso_record.h"
#include "vfs/object_handle.h"

#include <cstdint>
#include <vector>

class cVISO9660;

class cIsoHandle final : public cRLDrivenObjectHandle {
public:
    explicit cIsoHandle(cVISO9660* reader);
    bool ReadBlock(std::uint8_t* buffer, std::uint64_t block) override;
    bool ReadBlocks(std::uint8_t* buffer, std::uint64_t first, std::uint64_t count) override;
    // The extents one after another. Only the last may end inside a block: the data of an
    // extent after a partial one has no place, so the handle ends there, damaged, as it
    // does when an extent reaches past the volume.
    void Map(const std::vector<iso::cExtent>& extents);

private:
    cVISO9660* reader_;
};
