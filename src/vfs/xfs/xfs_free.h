#pragma once
// The free space of an XFS volume, from every allocation group's free-space B+tree by
// block number (its root named by the group's "XAGF" header; "ABTB" blocks, "AB3B" on
// version 5).

#include "vfs/xfs/xfs_super.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace xfs {

struct cFreeExtent {
    std::uint64_t start = 0; // volume-wide block number
    std::uint64_t count = 0;
};

// Reads count 512-byte sectors from a sector of the volume; no on failure.
using VolumeReader =
    std::function<bool(std::uint64_t sector, std::uint32_t count, std::uint8_t* out)>;

// Every free extent, sorted by start; nothing when a group's header or a tree block cannot
// be read or is not what it should be, or when a tree is deeper than 100 levels.
std::optional<std::vector<cFreeExtent>> FreeExtents(const cGeometry& geometry,
                                                    const VolumeReader& read);

} // namespace xfs
