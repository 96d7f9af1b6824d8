#pragma once
// Run-list handles of the Ext2/3/4 reader, their runs counted in volume blocks.
// cExt2Handle maps a file through the inode's block pointers, cExt4Handle through its
// extent tree; both read holes, and unwritten extents, as zeros.

#include "vfs/block_handle.h"
#include "vfs/ext/ext_inode.h"

#include <cstdint>

class cVExt23;

class cExtHandle : public cBlockHandle<cVExt23> {
public:
    using cBlockHandle::cBlockHandle;

    // Maps the inode's data (size bytes); no when its map is damaged beyond reading.
    virtual bool Map(const ext::cInode& inode, std::uint64_t size) = 0;

    cVExt23& Reader() const { return Owner(); }
    // Appends a run while mapping; a run reaching outside the volume marks the handle
    // damaged, as its reads will fail there.
    bool Append(std::uint64_t physical, std::uint64_t count);

protected:
    std::uint64_t BlocksFor(std::uint64_t size) const;
};

// Direct, single, double and triple indirect block pointers; a zero pointer is a hole
// of all the blocks below it.
class cExt2Handle final : public cExtHandle {
public:
    using cExtHandle::cExtHandle;
    bool Map(const ext::cInode& inode, std::uint64_t size) override;
};

// An extent tree of any depth up to ext4's limit; each child node must lie one level
// deeper than its parent, each node is read once, and extents must follow each other.
class cExt4Handle final : public cExtHandle {
public:
    using cExtHandle::cExtHandle;
    bool Map(const ext::cInode& inode, std::uint64_t size) override;
};
