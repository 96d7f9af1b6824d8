#pragma once
// Where a UFS file's bytes lie: the twelve direct block pointers, then the single, double
// and triple indirect blocks, each block being fragmentsPerBlock fragments. A small
// file's last block may be only the fragments its size needs.

#include "vfs/ufs/ufs_inode.h"
#include "vfs/ufs/ufs_super.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace ufs {

// Reads the block whose first fragment is given into out (blockSize bytes).
using BlockSource = std::function<bool(std::uint64_t fragment, std::vector<std::uint8_t>& out)>;
// Takes the file's pieces in order: count fragments at fragment, cRun::kSparse for a hole.
using RunSink = std::function<void(std::uint64_t fragment, std::uint64_t count)>;

// Hands the sink every fragment the inode's size needs. No when an indirect block cannot
// be read, a pointer leaves the volume, the file needs more blocks than the volume holds
// or more than the triple indirect block reaches; the pieces delivered until then stand.
bool MapBlocks(const cInode& inode, const cGeometry& geometry, const BlockSource& read,
               const RunSink& sink);

} // namespace ufs
