#pragma once
// What every map parser needs: exact sector reads through a node's storage, signature
// comparisons, and adding a child partition within the tree's bounds.

#include "io/base_io.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

class cPartTreeItem;

namespace part {

// Bounds on what hostile maps can make a tree do: maps may point into each other or at
// themselves, and every node is probed by several parsers.
inline constexpr std::size_t kMaxTreeNodes = 4096;
inline constexpr unsigned kMaxNestingDepth = 8;

// Reads count sectors at an absolute sector of the storage into out (resized to fit).
// Yes only when every sector was read.
bool ReadSectors(cBaseIO* storage, std::uint64_t sector, std::uint32_t count,
                 std::vector<std::uint8_t>& out);

using Sector = std::array<std::uint8_t, kSectorSize>;

// The logical block of node's storage in 512-byte sectors (1 outside a tree).
std::uint32_t BlockSectors(const cPartTreeItem& node);

// One sector at an absolute sector of the storage; nothing when it cannot be read.
std::optional<Sector> ReadSector(cBaseIO* storage, std::uint64_t sector);

// Yes when data holds text at offset (the bytes of text, no terminator).
bool HasText(std::span<const std::uint8_t> data, std::size_t offset, std::string_view text);

// A new child of parent on parent's storage with the given record, appended after the
// parent's last child. Null when the tree already holds kMaxTreeNodes nodes or parent
// is in no tree, and null (nothing added) for a record no storage can hold: a length of
// 0, no storage, or an end past the largest byte offset. Parsers leave empty entries
// out before, so null means the parse should stop; since every node ends below 2^55
// sectors, a parser may add 32-bit fields to a node's start without wrapping.
cPartTreeItem* AddPartition(cPartTreeItem& parent, std::uint64_t start, std::uint64_t length,
                            std::uint16_t typeCode);

} // namespace part
