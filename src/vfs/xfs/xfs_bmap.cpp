#include "vfs/xfs/xfs_bmap.h"

#include <set>

namespace xfs {

namespace {

constexpr std::uint32_t kBmapMagic = 0x424D4150;  // "BMAP"
constexpr std::uint32_t kBmap3Magic = 0x424D4133; // "BMA3"
constexpr std::size_t kExtentBytes = 16;
// The block map of a 2^63-byte file needs fewer levels than this.
constexpr std::uint16_t kMaxLevels = 16;

struct cTreeWalk {
    const cGeometry& geometry;
    const BlockReader& read;
    std::vector<cExtent> extents;
    std::set<std::uint64_t> visited;

    bool Records(bytes::Span area, std::size_t count) {
        if (count > area.size() / kExtentBytes) {
            return false;
        }
        for (std::size_t n = 0; n < count; ++n) {
            extents.push_back(UnpackExtent(
                bytes::Fixed<kExtentBytes>(area.subspan(n * kExtentBytes, kExtentBytes))));
        }
        return true;
    }

    // A node's keys fill the first half of its record area and its pointers the second.
    bool Children(bytes::Span area, std::size_t count, std::uint16_t level) {
        const std::size_t maxRecords = area.size() / 16;
        if (count > maxRecords) {
            return false;
        }
        for (std::size_t n = 0; n < count; ++n) {
            const auto pointer = bytes::Be64At(area, maxRecords * 8 + n * 8);
            if (!pointer || !Block(*pointer, std::uint16_t(level - 1))) {
                return false;
            }
        }
        return true;
    }

    bool Block(std::uint64_t pointer, std::uint16_t level) {
        std::vector<std::uint8_t> block;
        if (!visited.insert(pointer).second || !read(pointer, block)) {
            return false;
        }
        const std::size_t header = geometry.v5 ? 72 : 24;
        const auto fields = bytes::Slice<8>(block);
        if (!fields || block.size() < header ||
            bytes::Be32<0>(*fields) != (geometry.v5 ? kBmap3Magic : kBmapMagic) ||
            bytes::Be16<4>(*fields) != level) {
            return false;
        }
        const std::size_t count = bytes::Be16<6>(*fields);
        const bytes::Span area = bytes::Span(block).subspan(header);
        return level == 0 ? Records(area, count) : Children(area, count, level);
    }
};

} // namespace

cExtent UnpackExtent(bytes::Fixed<16> record) {
    const std::uint64_t high = bytes::Be64<0>(record);
    const std::uint64_t low = bytes::Be64<8>(record);
    cExtent extent;
    extent.unwritten = (high >> 63) != 0;
    extent.fileOffset = (high >> 9) & ((std::uint64_t(1) << 54) - 1);
    extent.start = ((high & 0x1FF) << 43) | (low >> 21);
    extent.count = std::uint32_t(low & ((1u << 21) - 1));
    return extent;
}

std::optional<std::vector<cExtent>> ForkExtents(const cInode& inode, const cGeometry& geometry,
                                                const BlockReader& read) {
    cTreeWalk walk{geometry, read, {}, {}};
    const bytes::Span fork = inode.dataFork;
    if (inode.format == eFork::kExtents) {
        if (!walk.Records(fork, inode.extentCount)) {
            return std::nullopt;
        }
        return std::move(walk.extents);
    }
    if (inode.format != eFork::kBtree) {
        return std::nullopt;
    }
    // The root inside the inode: level and record count, then keys and pointers.
    const auto root = bytes::Slice<4>(fork);
    if (!root) {
        return std::nullopt;
    }
    const std::uint16_t level = bytes::Be16<0>(*root);
    if (level == 0 || level > kMaxLevels ||
        !walk.Children(fork.subspan(4), bytes::Be16<2>(*root), level)) {
        return std::nullopt;
    }
    return std::move(walk.extents);
}

} // namespace xfs
