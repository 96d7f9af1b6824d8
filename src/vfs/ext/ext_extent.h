#pragma once
// Nodes of an ext4 extent tree: a 12-byte header, then 12-byte entries, either extents
// (in leaves, depth 0) or index entries pointing to a child node one level down.

#include "base/bytes.h"

#include <cstdint>
#include <optional>

namespace ext {

inline constexpr std::size_t kExtentEntryBytes = 12;

struct cExtentHeader {
    std::uint16_t entries = 0; // offset 2
    std::uint16_t depth = 0;   // offset 6
};

struct cExtent {
    std::uint32_t logical = 0;  // first file block it maps
    std::uint32_t length = 0;   // in blocks
    std::uint64_t physical = 0; // first volume block
    // Preallocated and never written: reads as zeros whatever the blocks hold.
    bool unwritten = false;
};

struct cExtentIndex {
    std::uint32_t logical = 0; // first file block below the child
    std::uint64_t child = 0;   // volume block of the child node
};

// The header of a node of node.size() bytes: nothing without the magic 0xF30A or when
// its entries claim more room than the node has.
std::optional<cExtentHeader> ParseExtentHeader(bytes::Span node);
// Entry index of a node whose header passed the checks.
cExtent ExtentAt(bytes::Span node, std::size_t index);
cExtentIndex IndexAt(bytes::Span node, std::size_t index);

} // namespace ext
