#pragma once
// Where the bytes of an HFS or HFS+ file lie: its fork's logical size and the extents
// (runs of allocation blocks) that hold it. A fork names its first extents itself (eight
// on HFS+, three on HFS); the extents overflow file holds the rest.

#include "base/bytes.h"

#include <cstdint>
#include <vector>

namespace hfs {

struct cExtent {
    std::uint32_t start = 0;
    std::uint32_t count = 0;
};

struct cFork {
    std::uint64_t logicalSize = 0;
    std::vector<cExtent> extents;
};

// An HFS+ extent record: eight (start block, block count) pairs of 32 bits, taken up to
// the first empty one.
std::vector<cExtent> ParsePlusExtents(bytes::Fixed<64> record);
// An HFS extent record: three pairs of 16 bits.
std::vector<cExtent> ParseClassicExtents(bytes::Fixed<12> record);
// An HFS+ fork: logical size, clump size, total blocks, then its extent record.
cFork ParsePlusFork(bytes::Fixed<80> fork);

// Blocks the extents cover, without wrapping.
std::uint64_t BlocksIn(const std::vector<cExtent>& extents);

} // namespace hfs
