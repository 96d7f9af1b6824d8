#include "vfs/hfs/hfs_fork.h"

namespace hfs {
namespace {

template <std::size_t N, class Load>
std::vector<cExtent> ParseExtents(bytes::Fixed<N> record, std::size_t fieldBytes, Load load) {
    std::vector<cExtent> extents;
    bytes::Cursor cursor(record);
    while (cursor.Remaining() >= 2 * fieldBytes) {
        const std::uint32_t start = load(cursor);
        const std::uint32_t count = load(cursor);
        if (!cursor.Ok() || count == 0) {
            break;
        }
        extents.push_back({start, count});
    }
    return extents;
}

} // namespace

std::vector<cExtent> ParsePlusExtents(bytes::Fixed<64> record) {
    return ParseExtents(record, 4, [](bytes::Cursor& cursor) { return cursor.Be32(); });
}

std::vector<cExtent> ParseClassicExtents(bytes::Fixed<12> record) {
    return ParseExtents(record, 2, [](bytes::Cursor& cursor) { return cursor.Be16(); });
}

cFork ParsePlusFork(bytes::Fixed<80> fork) {
    cFork result;
    result.logicalSize = bytes::Be64<0>(fork);
    result.extents = ParsePlusExtents(fork.subspan<16, 64>());
    return result;
}

std::uint64_t BlocksIn(const std::vector<cExtent>& extents) {
    std::uint64_t blocks = 0;
    for (const cExtent& extent : extents) {
        blocks += extent.count; // at most 2^32 extents of 2^32 blocks each
    }
    return blocks;
}

} // namespace hfs
