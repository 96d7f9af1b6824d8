#include "vfs/xfs/xfs_free.h"

#include "base/bytes.h"

#include <algorithm>
#include <set>

namespace xfs {

namespace {

constexpr std::uint32_t kAgfMagic = 0x58414746;  // "XAGF"
constexpr std::uint32_t kAbtbMagic = 0x41425442; // "ABTB"
constexpr std::uint32_t kAb3bMagic = 0x41423342; // "AB3B"
constexpr std::uint32_t kMaxDepth = 100;

struct cGroupWalk {
    const cGeometry& geometry;
    const VolumeReader& read;
    std::uint64_t groupStart; // volume-wide number of the group's first block
    std::vector<cFreeExtent>& out;
    std::set<std::uint32_t> visited;

    bool Block(std::uint32_t block, std::uint32_t depth) {
        if (depth > kMaxDepth || block >= geometry.agBlocks ||
            block >= geometry.dataBlocks - groupStart || !visited.insert(block).second) {
            return false;
        }
        std::vector<std::uint8_t> data(geometry.blockSize);
        const std::uint64_t sectors = geometry.blockSize / 512;
        if (!read((groupStart + block) * sectors, std::uint32_t(sectors), data.data())) {
            return false;
        }
        const std::size_t header = geometry.v5 ? 56 : 16;
        const auto fields = bytes::Slice<8>(data);
        if (!fields || bytes::Be32<0>(*fields) != (geometry.v5 ? kAb3bMagic : kAbtbMagic)) {
            return false;
        }
        const std::uint16_t level = bytes::Be16<4>(*fields);
        const std::size_t count = bytes::Be16<6>(*fields);
        const bytes::Span area = bytes::Span(data).subspan(header);
        if (level == 0) {
            if (count > area.size() / 8) {
                return false;
            }
            for (std::size_t n = 0; n < count; ++n) {
                const std::uint32_t start = bytes::Be32At(area, n * 8).value_or(0);
                const std::uint32_t length = bytes::Be32At(area, n * 8 + 4).value_or(0);
                out.push_back({groupStart + start, length});
            }
            return true;
        }
        // Keys (start, count) fill the first part of a node, block pointers the rest.
        const std::size_t maxRecords = area.size() / 12;
        if (count > maxRecords) {
            return false;
        }
        for (std::size_t n = 0; n < count; ++n) {
            const auto child = bytes::Be32At(area, maxRecords * 8 + n * 4);
            if (!child || !Block(*child, depth + 1)) {
                return false;
            }
        }
        return true;
    }
};

} // namespace

std::optional<std::vector<cFreeExtent>> FreeExtents(const cGeometry& geometry,
                                                    const VolumeReader& read) {
    std::vector<cFreeExtent> out;
    std::vector<std::uint8_t> agf(geometry.sectorSize);
    for (std::uint64_t group = 0; group < geometry.agCount; ++group) {
        const std::uint64_t groupStart = group * geometry.agBlocks;
        if (groupStart >= geometry.dataBlocks) {
            break;
        }
        // The group's free-space header is its second sector.
        const std::uint64_t sector =
            groupStart * (geometry.blockSize / 512) + geometry.sectorSize / 512;
        if (!read(sector, geometry.sectorSize / 512, agf.data())) {
            return std::nullopt;
        }
        const auto header = bytes::Slice<32>(agf);
        if (!header || bytes::Be32<0>(*header) != kAgfMagic) {
            return std::nullopt;
        }
        cGroupWalk walk{geometry, read, groupStart, out, {}};
        if (!walk.Block(bytes::Be32<16>(*header), 1)) {
            return std::nullopt;
        }
    }
    std::sort(out.begin(), out.end(),
              [](const cFreeExtent& a, const cFreeExtent& b) { return a.start < b.start; });
    return out;
}

} // namespace xfs
