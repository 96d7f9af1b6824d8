#include "vfs/xfs/xfs_inode.h"

#include <utility>

namespace xfs {

namespace {

constexpr std::uint16_t kInodeMagic = 0x494E; // "IN"
constexpr std::uint64_t kFlags2BigTime = 0x8;

// Timestamps are seconds and nanoseconds since 1970, or with big timestamps nanoseconds
// since the smallest 32-bit time, December 1901.
cFSTime Timestamp(std::uint64_t raw, bool bigTime) {
    if (bigTime) {
        return fstime::FromUnixTime(std::int64_t(raw / 1000000000) - (std::int64_t(1) << 31));
    }
    return fstime::FromUnixTime(std::int32_t(std::uint32_t(raw >> 32)));
}

// The core of the inode in data and where its data fork lies in data.
std::optional<std::pair<cInodeCore, bytes::Span>> Parse(bytes::Span data) {
    const auto core = bytes::Slice<100>(data);
    if (!core || bytes::Be16<0>(*core) != kInodeMagic) {
        return std::nullopt;
    }
    cInodeCore inode;
    inode.mode = bytes::Be16<2>(*core);
    inode.version = (*core)[4];
    const std::uint8_t format = (*core)[5];
    inode.size = bytes::Be64<56>(*core);
    inode.extentCount = bytes::Be32<76>(*core);
    const std::size_t attrOffset = std::size_t((*core)[82]) * 8;
    std::size_t coreBytes = 100;
    bool bigTime = false;
    if (inode.version == 3) {
        coreBytes = 176;
        const auto flags2 = bytes::Be64At(data, 120);
        bigTime = flags2 && (*flags2 & kFlags2BigTime);
    } else if (inode.version != 1 && inode.version != 2) {
        return std::nullopt;
    }
    if (format > 3 || data.size() <= coreBytes) {
        return std::nullopt;
    }
    inode.format = eFork(format);
    inode.mtime = Timestamp(bytes::Be64<40>(*core), bigTime);
    // The attribute fork, when there is one, starts forkoff × 8 bytes into the fork area.
    std::size_t forkBytes = data.size() - coreBytes;
    if (attrOffset != 0) {
        if (attrOffset > forkBytes) {
            return std::nullopt;
        }
        forkBytes = attrOffset;
    }
    return std::pair{inode, data.subspan(coreBytes, forkBytes)};
}

} // namespace

std::optional<cInode> ParseInode(bytes::Span data) {
    const auto parsed = Parse(data);
    if (!parsed) {
        return std::nullopt;
    }
    cInode inode{parsed->first, {}};
    inode.dataFork.assign(parsed->second.begin(), parsed->second.end());
    return inode;
}

std::optional<cInodeCore> ParseInodeCore(bytes::Span data) {
    const auto parsed = Parse(data);
    return parsed ? std::optional(parsed->first) : std::nullopt;
}

} // namespace xfs
