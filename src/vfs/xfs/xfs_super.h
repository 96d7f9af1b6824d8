#pragma once
// The XFS superblock (big-endian, at the volume's first byte) and the geometry derived from
// it: how inode numbers and block numbers split into allocation group and the place inside
// the group. Layouts follow the published "XFS Algorithms & Data Structures".

#include "base/bytes.h"
#include "vfs/xfs/xfs_params.h"

#include <array>
#include <cstdint>
#include <optional>

namespace xfs {

inline constexpr std::size_t kSuperblockBytes = 512;

struct cGeometry {
    std::uint32_t blockSize = 0;
    std::uint64_t dataBlocks = 0;
    std::uint64_t rootInode = 0;
    std::uint32_t agBlocks = 0;
    std::uint32_t agCount = 0;
    std::uint8_t agBlockLog = 0;
    std::uint16_t inodeSize = 0;
    std::uint16_t sectorSize = 0;
    // Version 5 volumes carry checksums, longer block headers and version 3 inodes.
    bool v5 = false;
    // Directory entries carry a file-type byte.
    bool fileTypes = false;
    std::uint8_t dirBlockLog = 0; // directory blocks are 2^dirBlockLog blocks
    std::array<std::uint8_t, 16> uuid{};
    std::array<std::uint8_t, 12> label{};

    std::uint32_t InodesPerBlockLog() const;
    std::uint32_t DirBlockBytes() const { return blockSize << dirBlockLog; }
    // Byte offset of inode n from the volume start; nothing when it lies outside every
    // group.
    std::optional<std::uint64_t> InodePosition(std::uint64_t n) const;
    // The volume-wide block number of a block pointer (group << agBlockLog | block);
    // nothing when it lies outside every group.
    std::optional<std::uint64_t> LinearBlock(std::uint64_t pointer) const;
};

// The geometry of a superblock that passes its checks.
std::optional<cGeometry> ParseSuperblock(bytes::Fixed<kSuperblockBytes> sb);
// The geometry as parameters, the form a scan hands over.
cExtXFSParams ParamsOf(const cGeometry& geometry);
// The same checks on geometry a scan found; version and directory details come later
// from the root folder.
std::optional<cGeometry> FromParams(const cExtXFSParams& params);

} // namespace xfs
