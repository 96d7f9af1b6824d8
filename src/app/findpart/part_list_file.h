#pragma once
// Partition list files (".qornpl"): the found list of a partition search, kept so that a
// later session gets the same partitions back. After the magic "QORNR400" come node
// records in pre-order (a node, its children, then its next sibling), each 20 bytes,
// little-endian: first sector (u64), sector count (u64), the file system's type code
// (u8) and the low 16 bits of its reader's code page (u16), all zero for none, and flags
// (bit 0: children follow, bit 1: a next sibling follows). The first record is the
// searched storage's own node; its start, file system and sibling bit mean nothing.

#include "part/part_tree.h"

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace partlist {

inline constexpr std::size_t kRecordBytes = 20;
// A list of more nodes is not one this program wrote: the search lists a few volumes.
inline constexpr std::size_t kMaxNodes = 65536;
inline constexpr unsigned kMaxDepth = 32;

// The file for the subtree under top (top's own record first).
std::vector<std::uint8_t> Encode(const cPartTreeItem& top);

// Attaches a reader of the stored type (with the stored code page) to a loaded node.
using cAttachReader =
    std::function<void(cPartTreeItem& node, std::uint8_t typeCode, std::uint16_t codePage)>;

struct cLoadResult {
    bool ok = false;
    // Whether the stored storage's sector count equals top's.
    bool sameSize = false;
    // Loaded nodes that name a file system.
    std::size_t fileSystems = 0;
};

// Adds the stored nodes under top in tree, attaching readers through attach. A wrong
// magic, a short file or a list beyond the limits fails; nodes added before the failure
// stay.
cLoadResult Decode(std::span<const std::uint8_t> file, cPartTree& tree, cPartTreeItem& top,
                   const cAttachReader& attach);

} // namespace partlist
