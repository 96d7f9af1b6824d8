#pragma once
// The records of a JFS aggregate that the reader walks, as the published JFS layout
// describes them: the superblock, the 512-byte inode, the extent B+tree (xtree) that maps
// a file's data, and the directory B+tree (dtree) whose root lies inside the inode. All
// fields are little-endian. Every count, index and link read here comes from the disk and
// is bounded before use.

#include "base/bytes.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace jfs {

inline constexpr std::uint64_t kSuperblockSector = 64;
// The first extent of the aggregate inode table lies at byte 0xB000, 32 inodes of 512 bytes.
inline constexpr std::uint64_t kAggregateInodeSector = 88;
inline constexpr std::uint32_t kInodeSize = 512;
inline constexpr std::uint32_t kInodesPerExtent = 32;
// Aggregate inode 1 stands for the aggregate itself; each fileset is described by an
// aggregate inode from 16 on (its inode map), and a fileset's root folder is its inode 2.
inline constexpr std::uint32_t kAggregateInode = 1;
inline constexpr std::uint32_t kFirstFilesetInode = 16;
inline constexpr std::uint32_t kRootInode = 2;
// Tree pages other than the roots, and the pages of an inode map, are 4 KiB.
inline constexpr std::uint32_t kPageSize = 4096;
// The tree roots in the inode: 288 bytes from offset 224.
inline constexpr std::size_t kRootOffset = 224;
inline constexpr std::size_t kRootBytes = 288;

struct cSuper {
    std::uint32_t blockSize = 0;
    std::uint32_t physicalBlockSize = 0;
    std::uint64_t blockCount = 0;
    // Leaf entries of folders carry a 4-byte index after an 11-character name (the 13
    // characters of the older layout otherwise).
    bool dirIndex = false;
    std::string label;
};

// Reads the superblock sector; null unless it starts with "JFS1", its block sizes are
// powers of two from 512 (the block at most a page) and its size is not empty.
std::optional<cSuper> ParseSuper(bytes::Span sector);

struct cInode {
    std::uint32_t fileset = 0;
    std::uint32_t number = 0;
    std::uint64_t size = 0;
    std::uint32_t links = 0;
    std::uint32_t mode = 0;
    std::int64_t mtime = 0;
    std::array<std::uint8_t, kRootBytes> root{};

    bool IsFolder() const { return (mode & 0170000) == 0040000; }
    bool IsFile() const { return (mode & 0170000) == 0100000; }
};

// The 512 bytes of an inode; null when they are too short.
std::optional<cInode> ParseInode(bytes::Span bytes);

// One extent of a file: count blocks at start hold the blocks from fileOffset on; an
// extent allocated but not yet written reads as zeros.
struct cExtent {
    std::uint64_t fileOffset = 0;
    std::uint64_t start = 0;
    std::uint64_t count = 0;
    bool unrecorded = false;
};

// Reads the tree page whose extent starts at block and is blocks long (at most a page) into
// page; no on failure.
using PageReader =
    std::function<bool(std::uint64_t block, std::uint64_t blocks, std::vector<std::uint8_t>& page)>;

// The extents of an xtree whose root is root, in tree order; null when a page cannot be
// read, a header is out of bounds, the tree is deeper than JFS builds or a page appears
// twice.
std::optional<std::vector<cExtent>> CollectExtents(const std::array<std::uint8_t, kRootBytes>& root,
                                                   std::uint64_t pageBlocks,
                                                   const PageReader& read);

struct cDirEntry {
    std::uint32_t inode = 0;
    std::u16string name;
};
// No stops the walk.
using DirVisitor = std::function<bool(const cDirEntry& entry)>;

// The parent folder's inode, from the dtree root's header.
std::uint32_t ParentOf(const std::array<std::uint8_t, kRootBytes>& root);

// The entries of a dtree in name order; no when a page cannot be read or is malformed, or
// when the visitor said no, after the entries already delivered.
bool WalkDirectory(const std::array<std::uint8_t, kRootBytes>& root, bool dirIndex,
                   const PageReader& read, const DirVisitor& visit);

} // namespace jfs
