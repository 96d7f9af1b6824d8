#pragma once
// XFS folder contents: the short form kept inside the inode, and the directory data blocks
// of the block, leaf, node and B+tree forms, walked entry by entry.

#include "base/bytes.h"
#include "vfs/xfs/xfs_super.h"

#include <cstdint>
#include <functional>

namespace xfs {

struct cDirEntry {
    std::uint64_t inode = 0;
    bytes::Span name;
};
// Called per entry; no stops the walk.
using DirVisitor = std::function<bool(const cDirEntry& entry)>;

// Data blocks sit below this byte offset of a folder; its hash index and free-space
// blocks lie above it.
inline constexpr std::uint64_t kLeafOffset = std::uint64_t(32) << 30;

// A short-form folder (the inode's data fork), with "." (self) and ".." (from the header)
// first. No when the visitor said no or an entry reaches past the fork.
bool WalkShortForm(bytes::Span fork, const cGeometry& geometry, std::uint64_t self,
                   const DirVisitor& visit);
// One directory block. A block without a data block magic holds no entries; an entry or
// free space that reaches past its block ends the walk of that block. No only when the
// visitor said no.
bool WalkDirBlock(bytes::Span block, const cGeometry& geometry, const DirVisitor& visit);

} // namespace xfs
