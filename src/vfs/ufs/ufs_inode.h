#pragma once
// UFS inodes (struct ufs1_dinode of 128 bytes, struct ufs2_dinode of 256 bytes): type,
// size, modification time and the block pointers, counted in fragments.

#include "base/bytes.h"
#include "vfs/fs_time.h"
#include "vfs/ufs/ufs_super.h"

#include <array>
#include <cstdint>
#include <optional>

namespace ufs {

inline constexpr std::size_t kDirectPointers = 12;
inline constexpr std::size_t kIndirectLevels = 3;

struct cInode {
    std::uint16_t mode = 0;
    std::uint64_t size = 0;
    cFSTime mtime;
    // Fragment numbers of the first blocks, then of the single, double and triple
    // indirect blocks; 0 is a hole.
    std::array<std::uint64_t, kDirectPointers> direct{};
    std::array<std::uint64_t, kIndirectLevels> indirect{};

    bool IsFolder() const { return (mode & 0xF000) == 0x4000; }
    bool IsFile() const { return (mode & 0xF000) == 0x8000; }
};

// data holds InodeBytes() bytes of the geometry's generation.
std::optional<cInode> ParseInode(bytes::Span data, const cGeometry& geometry);

} // namespace ufs
