#pragma once
// The first records of the two formats, both at byte 1024 of the volume: the HFS+ volume
// header (TN1150 "Volume Header") and the HFS master directory block (Inside Macintosh:
// Files "Master Directory Blocks"), which may wrap an HFS+ volume inside itself.

#include "base/bytes.h"
#include "vfs/hfs/hfs_fork.h"

#include <array>
#include <cstdint>
#include <optional>

namespace hfs {

// The sector of both records, from the volume's start.
inline constexpr std::uint64_t kHeaderSector = 2;

struct cVolumeHeader {
    bool hfsx = false; // "HX": the case-sensitive variant
    std::uint32_t blockSize = 0;
    std::uint32_t totalBlocks = 0;
    // Creation date, total and free blocks as stored: two mounts of one volume match.
    std::array<std::uint8_t, 12> identity{};
    cFork allocation;
    cFork extents;
    cFork catalog;
};

// An "H+" or "HX" header whose block size is a power of two from 512 to maxBlockSize
// and whose block count is not 0.
std::optional<cVolumeHeader> ParseVolumeHeader(bytes::Span sector, std::uint32_t maxBlockSize);

struct cMasterDirectoryBlock {
    std::uint32_t blockSize = 0;
    std::uint16_t blockCount = 0;
    std::uint16_t firstBlockSector = 0; // of allocation block 0, from the volume's start
    std::array<std::uint8_t, 12>
        identity{};   // creation date, modification date, block count, free blocks
    bytes::Span name; // into the sector given to the parser
    cFork extents;
    cFork catalog;
};

// A "BD" block of a plain HFS volume (one that wraps no HFS+ volume) with non-zero block
// size (a multiple of 512 up to maxBlockSize), block count and clump size.
std::optional<cMasterDirectoryBlock> ParseMasterDirectoryBlock(bytes::Span sector,
                                                               std::uint32_t maxBlockSize);

// Where the HFS+ volume that an HFS wrapper holds starts, in sectors from the wrapper's
// start; nothing when the block is no wrapper.
std::optional<std::uint64_t> EmbeddedVolumeOffset(bytes::Span sector);

} // namespace hfs
