#pragma once
// "$I30" folder indexes: the index root value, "INDX" index blocks and their entries.

#include "base/bytes.h"

#include <cstdint>
#include <optional>
#include <span>

namespace ntfs {

// The value of an $INDEX_ROOT attribute.
struct IndexRoot {
    std::uint32_t indexedType = 0; // 0x30 for "$I30"
    std::uint32_t blockSize = 0;   // bytes per index block of the allocation
    bytes::Span entries;           // from the first entry to the end of the node
};

// Fails when the node header or its entries do not lie inside the value. blockSize is
// reported as stored; the caller validates it before using it.
std::optional<IndexRoot> ParseIndexRoot(bytes::Span value);

// Checks an index block of the allocation ("INDX"), applies its update sequence in place
// and returns its entries (from the first entry to the end of the node, clipped to the
// block). Fails on a wrong signature or a header that does not fit.
std::optional<bytes::Span> ParseIndexBlock(std::span<std::uint8_t> block);

struct IndexEntry {
    std::uint64_t record = 0; // of the file reference
    bytes::Span key;          // for "$I30": a $FILE_NAME value
};

// Walks the entries of one node. The walk ends at an entry of length 0, at the entry
// flagged last (which carries no key), or at an entry that does not fit in the node.
class IndexEntryWalker {
public:
    explicit IndexEntryWalker(bytes::Span entries) : entries_(entries) {}
    std::optional<IndexEntry> Next();

private:
    bytes::Span entries_;
    std::size_t offset_ = 0;
};

} // namespace ntfs
