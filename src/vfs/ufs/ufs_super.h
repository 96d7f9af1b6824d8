#pragma once
// The UFS superblock (FreeBSD's ffs/fs.h layout) and the geometry derived from it: where
// cylinder groups, their headers and their inodes lie, all counted in fragments from the
// volume's first byte. Both generations (UFS1 with 32-bit block pointers and 128-byte
// inodes, UFS2 with 64-bit pointers and 256-byte inodes), both byte orders, and the
// Adaptec form whose superblock carries no magic.

#include "base/bytes.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace ufs {

// Three sectors hold every field the reader uses; the magic is the last, at 1372.
inline constexpr std::size_t kSuperblockBytes = 1536;
inline constexpr std::uint32_t kMaxBlockBytes = 65536;

enum class eVariant { kLittleEndian, kBigEndian, kAdaptec };

// Integers in the volume's byte order.
struct cByteOrder {
    bool big = false;
    std::uint16_t U16(bytes::Fixed<2> b) const { return big ? bytes::Be16(b) : bytes::Le16(b); }
    std::uint32_t U32(bytes::Fixed<4> b) const { return big ? bytes::Be32(b) : bytes::Le32(b); }
    std::uint64_t U64(bytes::Fixed<8> b) const { return big ? bytes::Be64(b) : bytes::Le64(b); }
    template <std::size_t Offset, class S> std::uint16_t U16(const S& s) const {
        return U16(bytes::AsFixed(s).template subspan<Offset, 2>());
    }
    template <std::size_t Offset, class S> std::uint32_t U32(const S& s) const {
        return U32(bytes::AsFixed(s).template subspan<Offset, 4>());
    }
    template <std::size_t Offset, class S> std::uint64_t U64(const S& s) const {
        return U64(bytes::AsFixed(s).template subspan<Offset, 8>());
    }
};

struct cGeometry {
    cByteOrder order;
    bool ufs2 = false;
    std::uint32_t fragmentSize = 0;
    std::uint32_t blockSize = 0;
    std::uint32_t fragmentsPerBlock = 0;
    std::uint32_t groups = 0;
    std::uint32_t inodesPerGroup = 0;
    std::uint32_t fragmentsPerGroup = 0;
    // UFS1 staggered each group's metadata by groupOffset × (group & ~groupMask).
    std::uint32_t groupOffset = 0;
    std::uint32_t groupMask = 0;
    std::uint32_t headerFragment = 0; // the group header, from the group's start
    std::uint32_t inodeFragment = 0;  // the first inode block, from the group's start
    std::uint32_t headerBytes = 0;
    std::uint64_t fragments = 0;     // every fragment of the volume
    std::uint64_t dataFragments = 0; // those left for data
    std::array<std::uint8_t, 32> volumeName{};
    std::array<std::uint8_t, 468> mountPoint{};
    // Superblock bytes 712-719, 1080-1087 and 144-151 as stored.
    std::array<std::uint8_t, 24> identity{};

    std::uint32_t InodeBytes() const { return ufs2 ? 256 : 128; }
    std::uint32_t PointerBytes() const { return ufs2 ? 8 : 4; }
    std::uint32_t PointersPerBlock() const { return blockSize / PointerBytes(); }
    std::uint64_t VolumeBytes() const { return fragments * fragmentSize; }
    // The first fragment of a group's metadata; nothing past the volume.
    std::optional<std::uint64_t> GroupStart(std::uint32_t group) const;
    // Byte offset of inode n from the volume start; nothing for an inode outside every
    // group or past the volume.
    std::optional<std::uint64_t> InodePosition(std::uint64_t n) const;
};

// Where a variant's superblock may stand, in 512-byte sectors from the volume start.
std::span<const std::uint64_t> Places(eVariant variant);
// The geometry of a superblock read at sector that passes its checks.
std::optional<cGeometry> ParseSuperblock(bytes::Fixed<kSuperblockBytes> sb, eVariant variant,
                                         std::uint64_t sector);

} // namespace ufs
