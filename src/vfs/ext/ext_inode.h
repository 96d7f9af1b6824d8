#pragma once
// The part of an Ext2/3/4 inode the reader uses: its first 128 bytes, the same in every
// revision and inode size.

#include "base/bytes.h"

#include <array>
#include <cstdint>

namespace ext {

inline constexpr std::size_t kInodeBytes = 128;
// The block map or extent tree root at inode offset 40.
inline constexpr std::size_t kBlockAreaBytes = 60;

struct cInode {
    std::uint16_t mode = 0;     // offset 0
    std::uint32_t sizeLow = 0;  // offset 4
    std::uint32_t sizeHigh = 0; // offset 108
    std::uint32_t mtime = 0;    // offset 16, seconds since 1970
    std::uint32_t flags = 0;    // offset 32
    std::array<std::uint8_t, kBlockAreaBytes> blockArea{};

    bool IsFolder() const { return (mode & 0xF000) == 0x4000; }
    bool IsFile() const { return (mode & 0xF000) == 0x8000; }
    // Folders keep only the low half: the high word was another field in older revisions.
    std::uint64_t Size() const {
        return IsFile() ? (std::uint64_t(sizeHigh) << 32) | sizeLow : sizeLow;
    }
    bool UsesExtents() const { return (flags & 0x80000) != 0; }
    // The data sits inside the inode and its extended attributes, not in blocks.
    bool HasInlineData() const { return (flags & 0x10000000) != 0; }
};

cInode ParseInode(bytes::Fixed<kInodeBytes> data);

} // namespace ext
