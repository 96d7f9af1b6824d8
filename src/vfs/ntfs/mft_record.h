#pragma once
// MFT file records: validation with fix-up, and the attributes inside a record.

#include "base/bytes.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace ntfs {

// Checks a raw record read at its place in the MFT and applies its update sequence in
// place. Valid only when it starts with "FILE", its bytes in use are non-zero and within
// its allocated size, the allocated size equals the record's size, and the update
// sequence array and the first attribute lie inside it. The in-use flag is not consulted:
// deleted files read like live ones.
bool FixupRecord(std::span<std::uint8_t> record);

// One attribute header with its parts located and bounds-checked against the record.
struct Attribute {
    std::uint32_t type = 0;
    std::uint32_t offset = 0; // inside the record
    std::uint32_t length = 0;
    bool nonResident = false;
    std::uint16_t flags = 0; // 0x0001 compressed, 0x4000 encrypted, 0x8000 sparse
    bytes::Span name;        // UTF-16LE, 2 bytes per unit

    // Resident attributes.
    bytes::Span value;

    // Non-resident attributes.
    std::uint64_t lowestVcn = 0;
    std::uint64_t highestVcn = 0;
    bytes::Span mappingPairs;         // up to the end of the attribute
    std::uint8_t compressionUnit = 0; // log2 of clusters per compression unit
    std::uint64_t allocatedSize = 0;
    std::uint64_t realSize = 0;
    std::uint64_t initializedSize = 0;

    bool IsCompressed() const { return (flags & 0x00FF) != 0; }
    bool HasName(std::u16string_view wanted) const;
    // The data size, bounded by what backs it: no stream holds bytes past its allocation,
    // so a larger real size is damage and is not believed.
    std::uint64_t Size() const {
        return nonResident ? std::min(realSize, allocatedSize) : value.size();
    }
};

// Parses the attribute at offset of a fixed-up record; nullopt at the end marker and for
// a header that does not fit, so a walk ends at the first damaged attribute.
std::optional<Attribute> ParseAttribute(bytes::Span record, std::size_t offset);

// Walks the attributes of a fixed-up record in their order:
//   for (AttributeWalker w(record); auto a = w.Next();) ...
class AttributeWalker {
public:
    explicit AttributeWalker(bytes::Span record);
    std::optional<Attribute> Next();

private:
    bytes::Span record_;
    std::size_t offset_;
};

// The attribute of that type and name in the record; with lowestVcn set, only the extent
// starting at that cluster (a resident attribute matches only 0).
std::optional<Attribute> FindAttribute(bytes::Span record, std::uint32_t type,
                                       std::u16string_view name,
                                       std::optional<std::uint64_t> lowestVcn = std::nullopt);

// True when name holds exactly the UTF-16LE units of wanted.
bool SameName(bytes::Span name, std::u16string_view wanted);

} // namespace ntfs
