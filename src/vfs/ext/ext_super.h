#pragma once
// The Ext2/3/4 superblock and group descriptors: the checks a volume must pass before it
// is read, shared by the detection probe and the reader's mount so that both accept the
// same volumes.

#include "base/bytes.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace ext {

inline constexpr std::uint64_t kRootInode = 2;
// The superblock starts 1024 bytes into the volume, whatever the block size.
inline constexpr std::uint64_t kSuperblockSector = 2;
inline constexpr std::size_t kSuperblockBytes = 1024;
// Deeper extent trees than this are not made by any driver (ext4's own limit).
inline constexpr std::uint16_t kMaxExtentDepth = 5;
// Largest group descriptor table read: 64 MiB covers volumes of hundreds of TiB, and
// keeps a hostile inode count from asking for more.
inline constexpr std::uint64_t kMaxDescriptorTableBytes = 64ull << 20;

struct cSuperblock {
    std::uint32_t inodesCount = 0;              // offset 0
    std::uint32_t blocksCountLow = 0;           // offset 4
    std::uint64_t blocksCount = 0;              // with the high half (offset 336) on 64bit volumes
    std::uint32_t firstDataBlock = 0;           // offset 20
    std::uint32_t blockSize = 0;                // 1024 << log block size (offset 24)
    std::uint32_t blocksPerGroup = 0;           // offset 32
    std::uint32_t inodesPerGroup = 0;           // offset 40
    std::uint32_t inodeSize = 0;                // offset 88; 128 on revision 0 volumes
    std::uint32_t descriptorSize = 0;           // 32, or offset 254 on 64bit volumes
    std::uint64_t groupCount = 0;               // inodes count / inodes per group, rounded up
    std::uint32_t reservedDescriptorBlocks = 0; // offset 206, room for the table to grow
    bool sparseSuper = false; // superblock copies only in groups 0, 1 and powers of 3, 5, 7
    std::array<std::uint8_t, 16> uuid{};       // offset 104
    std::array<std::uint8_t, 16> volumeName{}; // offset 120
    // Where the descriptor table starts: the block after the superblock read, the primary
    // (behind the first data block) or a copy (at the start of its group).
    std::uint64_t descriptorBlock = 0;

    std::uint32_t BlockSectors() const { return blockSize / 512; }
};

struct cGroupDescriptor {
    std::uint64_t blockBitmap = 0;
    std::uint64_t inodeBitmap = 0;
    std::uint64_t inodeTable = 0;
    std::uint16_t flags = 0;

    // The group's block bitmap was never written: none of its blocks holds file data.
    bool BlockBitmapUnused() const { return (flags & 0x2) != 0; }
};

// Reads count 512-byte sectors at a sector relative to the volume start; no unless all
// were read.
using SectorReader =
    std::function<bool(std::uint64_t sector, std::uint32_t count, std::uint8_t* out)>;

// The superblock from its 1024 bytes. Fails without the magic, with a zero inodes count,
// inodes per group or blocks per group, more blocks per group than a bitmap block has
// bits, an inode size that is not a power of two of at least 128, a block size above
// 64 KiB, a descriptor size out of range or a first data block outside the volume.
std::optional<cSuperblock> ParseSuperblock(bytes::Fixed<kSuperblockBytes> data);

// One descriptor of descriptorSize bytes (32, or more on 64bit volumes, which add the
// high halves of the block numbers at 32, 36 and 40).
cGroupDescriptor ParseDescriptor(bytes::Span data, std::uint32_t descriptorSize);

// Whether a block of a group whose block bitmap was never written is in use all the same:
// the group's copy of the superblock and descriptor table, and its own bitmaps and inode
// table when they lie inside it.
bool UsedInUnwrittenBitmap(const cSuperblock& sb, const std::vector<cGroupDescriptor>& groups,
                           std::uint64_t group, std::uint64_t block);

// Reads and checks the superblock of a volume.
std::optional<cSuperblock> LoadSuperblock(const SectorReader& read);

// The copy of the superblock at the start of group 1, for a volume whose primary one is
// gone: looked for where mke2fs puts it unless told otherwise, with blocks of 1, 2 or
// 4 KiB and groups of as many blocks as a bitmap block has bits. The copy must say it is
// group 1's and agree with the layout it was looked for in.
std::optional<cSuperblock> LoadSuperblockCopy(const SectorReader& read);

// Reads the descriptor table from the superblock's descriptor block. Every descriptor
// must place its bitmaps and inode table inside the volume; otherwise, or when the table
// is too large or cannot be read, nothing.
std::optional<std::vector<cGroupDescriptor>> LoadDescriptors(const cSuperblock& sb,
                                                             const SectorReader& read);

} // namespace ext
