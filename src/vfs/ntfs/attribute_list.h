#pragma once
// $ATTRIBUTE_LIST: where the attributes and extents of a file spread over several MFT
// records are to be found.

#include "base/bytes.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace ntfs {

struct AttributeListEntry {
    std::uint32_t type = 0;
    bytes::Span name; // UTF-16LE
    std::uint64_t lowestVcn = 0;
    std::uint64_t record = 0; // record number of the file reference
};

// Walks the entries of a whole attribute list value in their order; ends at the first
// entry that is shorter than its fixed part or runs past the list.
class AttributeListWalker {
public:
    explicit AttributeListWalker(bytes::Span list) : list_(list) {}
    std::optional<AttributeListEntry> Next();

private:
    bytes::Span list_;
    std::size_t offset_ = 0;
};

// The entry for the extent of (type, name) that starts at lowestVcn.
std::optional<AttributeListEntry> FindListEntry(bytes::Span list, std::uint32_t type,
                                                std::u16string_view name, std::uint64_t lowestVcn);

} // namespace ntfs
