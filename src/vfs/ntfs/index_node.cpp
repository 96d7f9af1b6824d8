#include "vfs/ntfs/index_node.h"

#include "vfs/ntfs/ntfs_layout.h"
#include "vfs/ntfs/update_sequence.h"

#include <algorithm>
#include <cstring>

namespace ntfs {
namespace {

constexpr std::uint16_t kEntryIsLast = 0x02;

// Node header, at offset 16 of the index root and 24 of an index block: 0 entries offset,
// 4 index length (end of the last entry), 8 allocated size, 12 flags. Offsets count from
// the header itself.
std::optional<bytes::Span> NodeEntries(bytes::Span area, std::size_t header) {
    const auto fields = bytes::Slice<16>(area, header);
    if (!fields) {
        return std::nullopt;
    }
    const std::uint32_t first = bytes::Le32<0>(*fields);
    const std::uint32_t end = bytes::Le32<4>(*fields);
    const bytes::Span node = area.subspan(header);
    if (first > end || first > node.size()) {
        return std::nullopt;
    }
    return node.subspan(first, std::min<std::size_t>(end, node.size()) - first);
}

} // namespace

// Index root value: 0 indexed attribute type, 4 collation rule, 8 bytes per index block,
// 12 clusters per index block, 16 node header.
std::optional<IndexRoot> ParseIndexRoot(bytes::Span value) {
    const auto fields = bytes::Slice<32>(value);
    if (!fields) {
        return std::nullopt;
    }
    IndexRoot root;
    root.indexedType = bytes::Le32<0>(*fields);
    root.blockSize = bytes::Le32<8>(*fields);
    auto entries = NodeEntries(value, 16);
    if (!entries) {
        return std::nullopt;
    }
    root.entries = *entries;
    return root;
}

// Index block: 0 "INDX", 4 update sequence offset, 6 count, 8 LSN, 16 VCN of the block,
// 24 node header.
std::optional<bytes::Span> ParseIndexBlock(std::span<std::uint8_t> block) {
    if (block.size() < 40 || std::memcmp(block.data(), "INDX", 4) != 0 ||
        !ApplyUpdateSequence(block)) {
        return std::nullopt;
    }
    return NodeEntries(block, 24);
}

// Entry: 0 file reference, 8 entry length, 10 key length, 12 flags, 16 key.
std::optional<IndexEntry> IndexEntryWalker::Next() {
    const auto fixed = bytes::Slice<16>(entries_, offset_);
    if (!fixed) {
        return std::nullopt;
    }
    const bytes::Fixed<16> e = *fixed;
    const std::uint16_t length = bytes::Le16<8>(e);
    const std::uint16_t keyLength = bytes::Le16<10>(e);
    const std::uint16_t flags = bytes::Le16<12>(e);
    if (length == 0 || (flags & kEntryIsLast) != 0 || length < 16 ||
        !bytes::Fits(entries_.size(), offset_, length) || !bytes::Fits(length, 16, keyLength)) {
        offset_ = entries_.size();
        return std::nullopt;
    }
    IndexEntry entry;
    entry.record = RecordNumber(bytes::Le64<0>(e));
    entry.key = entries_.subspan(offset_ + 16, keyLength);
    offset_ += length;
    return entry;
}

} // namespace ntfs
