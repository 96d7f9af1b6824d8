#pragma once
// Where an XFS file's data lies: packed 128-bit extent records, kept inside the inode or
// in the leaves of the block-map B+tree ("BMAP" blocks, "BMA3" on version 5).

#include "base/bytes.h"
#include "vfs/xfs/xfs_inode.h"
#include "vfs/xfs/xfs_super.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace xfs {

struct cExtent {
    std::uint64_t fileOffset = 0; // in blocks
    std::uint64_t start = 0;      // block pointer: group << agBlockLog | block in group
    std::uint32_t count = 0;
    bool unwritten = false; // allocated but never written: reads as zeros
};

// One record: flag (1 bit), file offset (54), start block (52), block count (21).
cExtent UnpackExtent(bytes::Fixed<16> record);

// Reads the block at a block pointer; no on failure.
using BlockReader = std::function<bool(std::uint64_t pointer, std::vector<std::uint8_t>& out)>;

// Every extent of the inode's data fork in file order; nothing when the fork is neither
// extents nor a B+tree, or when a tree block cannot be read, has the wrong magic or level,
// or is reached twice.
std::optional<std::vector<cExtent>> ForkExtents(const cInode& inode, const cGeometry& geometry,
                                                const BlockReader& read);

} // namespace xfs
