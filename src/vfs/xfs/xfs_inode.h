#pragma once
// The part of an XFS inode the reader uses: the core's type, size, time and data fork.
// Version 1 and 2 cores take 100 bytes, version 3 (version 5 volumes) 176.

#include "base/bytes.h"
#include "vfs/fs_time.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace xfs {

enum class eFork : std::uint8_t { kDevice = 0, kLocal = 1, kExtents = 2, kBtree = 3 };

// What a listing needs of an inode: everything but the fork.
struct cInodeCore {
    std::uint16_t mode = 0;
    std::uint8_t version = 0;
    eFork format = eFork::kDevice;
    std::uint64_t size = 0;
    std::uint32_t extentCount = 0;
    cFSTime mtime;

    bool IsFolder() const { return (mode & 0xF000) == 0x4000; }
    bool IsFile() const { return (mode & 0xF000) == 0x8000; }
};

struct cInode : cInodeCore {
    std::vector<std::uint8_t> dataFork; // the data fork's bytes inside the inode
};

// The inode in data (one inode's bytes); nothing without the "IN" magic, with an unknown
// version or fork format, or with a fork that does not fit.
std::optional<cInode> ParseInode(bytes::Span data);
// The same checks, without copying the fork out.
std::optional<cInodeCore> ParseInodeCore(bytes::Span data);

} // namespace xfs
