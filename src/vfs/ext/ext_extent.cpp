#include "vfs/ext/ext_extent.h"

namespace ext {
namespace {

constexpr std::uint16_t kExtentMagic = 0xF30A;
// An initialised extent maps at most 32768 blocks; lengths above that mark an unwritten
// extent of length - 32768 blocks.
constexpr std::uint32_t kMaxWrittenLength = 32768;

bytes::Fixed<kExtentEntryBytes> Entry(bytes::Span node, std::size_t index) {
    return bytes::Fixed<kExtentEntryBytes>(
        node.subspan(kExtentEntryBytes * (index + 1), kExtentEntryBytes));
}

} // namespace

std::optional<cExtentHeader> ParseExtentHeader(bytes::Span node) {
    const auto header = bytes::Slice<kExtentEntryBytes>(node);
    if (!header || bytes::Le16<0>(*header) != kExtentMagic) {
        return std::nullopt;
    }
    const cExtentHeader h{bytes::Le16<2>(*header), bytes::Le16<6>(*header)};
    if (h.entries > node.size() / kExtentEntryBytes - 1) {
        return std::nullopt;
    }
    return h;
}

cExtent ExtentAt(bytes::Span node, std::size_t index) {
    const auto e = Entry(node, index);
    cExtent extent;
    extent.logical = bytes::Le32<0>(e);
    extent.length = bytes::Le16<4>(e);
    extent.physical = (std::uint64_t(bytes::Le16<6>(e)) << 32) | bytes::Le32<8>(e);
    if (extent.length > kMaxWrittenLength) {
        extent.length -= kMaxWrittenLength;
        extent.unwritten = true;
    }
    return extent;
}

cExtentIndex IndexAt(bytes::Span node, std::size_t index) {
    const auto e = Entry(node, index);
    return {bytes::Le32<0>(e), (std::uint64_t(bytes::Le16<8>(e)) << 32) | bytes::Le32<4>(e)};
}

} // namespace ext
