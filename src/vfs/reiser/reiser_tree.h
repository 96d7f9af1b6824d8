#pragma once
// The ReiserFS balanced tree: keys, node headers, item headers, stat data and folder
// entries of the published 3.5 and 3.6 formats. Parsers take one node's bytes and answer
// nothing when a count, location or length does not fit inside it.

#include "base/bytes.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace reiser {

inline constexpr std::uint32_t kNodeHeaderBytes = 24;
inline constexpr std::uint32_t kKeyBytes = 16;
inline constexpr std::uint32_t kItemHeaderBytes = 24;
inline constexpr std::uint32_t kChildBytes = 8;
inline constexpr std::uint16_t kLeafLevel = 1;
// Deeper trees than this are not made by any implementation.
inline constexpr std::uint16_t kMaxLevel = 8;

// Item kinds, whatever key format names them.
enum class eItem : std::uint8_t { kStat, kIndirect, kDirect, kFolder, kOther };

// An object's short key: the folder it was made in and its own number.
struct cShortKey {
    std::uint32_t dirId = 0;
    std::uint32_t objectId = 0;
    auto operator<=>(const cShortKey&) const = default;
};

struct cKey {
    cShortKey object;
    std::uint64_t offset = 0;
    eItem type = eItem::kOther;
};

// A key of a leaf item (whose header says its format) or of an internal node (whose
// format shows in the type bits).
cKey ParseKey(bytes::Fixed<kKeyBytes> key, std::optional<bool> newFormat = std::nullopt);

struct cItem {
    cKey key;
    std::uint16_t entryCount = 0; // folder items
    bool newFormat = false;
    bytes::Span body;
};

struct cNode {
    std::uint16_t level = 0;
    std::vector<cKey> keys;              // internal nodes
    std::vector<std::uint32_t> children; // internal nodes, one more than keys
    std::vector<cItem> items;            // leaves; bodies point into the node's bytes
};

std::optional<cNode> ParseNode(bytes::Span block);

struct cStat {
    std::uint16_t mode = 0;
    std::uint64_t size = 0;
    std::uint32_t mtime = 0;
    bool IsFolder() const { return (mode & 0170000) == 0040000; }
    bool IsFile() const { return (mode & 0170000) == 0100000; }
};

std::optional<cStat> ParseStat(const cItem& item);

struct cEntry {
    cShortKey object;
    bytes::Span name; // NUL padding removed
};

// The visible entries of a folder item, in order.
std::vector<cEntry> ParseEntries(const cItem& item);

} // namespace reiser
