#pragma once
// A partition-map parser is an extension of the node whose map it read. Parsers are made
// per node, attached to it before Parse runs, and keep no state beyond the node; the
// probe deciding whether a parser applies is a static function of each parser class.

#include "part/part_extension.h"

#include <cstdint>
#include <string_view>

class cBaseIO;
class cPartTreeItem;

namespace parser_id {
inline constexpr std::uint32_t kNone = 0;
inline constexpr std::uint32_t kMbr = 2;
inline constexpr std::uint32_t kApple = 3;
inline constexpr std::uint32_t kBsd = 4;
inline constexpr std::uint32_t kGpt = 5;
inline constexpr std::uint32_t kLvm = 6;
inline constexpr std::uint32_t kNetWare = 7;
inline constexpr std::uint32_t kNss = 8;
inline constexpr std::uint32_t kLdm = 9;
inline constexpr std::uint32_t kSolaris = 10;
inline constexpr std::uint32_t kSnap = 11;
} // namespace parser_id

// A short name of the map family ("MBR", "GPT", ...) for listings; empty for kNone or an
// unknown id.
std::string_view ParserName(std::uint32_t parserId);

class cPartParser : public cPartExtension {
public:
    std::uint32_t GetExtensionKind() const override { return part_ext::kParser; }

    virtual std::uint32_t GetParserId() const { return parser_id::kNone; }
    virtual bool IsMbrMap() const { return false; }
    // Writes the map the parser saved back to a storage; only the Apple parser can.
    virtual bool WriteMap(cBaseIO* target) { return false; }
    virtual bool ReservedMapQuery(std::uint32_t, std::uint32_t) { return false; }
    // Reads the map at the node and adds the partitions as its children. Partitions
    // added before a failure stay.
    virtual bool Parse(cPartTreeItem& node) = 0;

    // The node the parser keeps for WriteMap; null for parsers that keep none.
    cPartTreeItem* ParsedNode() const { return node_; }

protected:
    cPartTreeItem* node_ = nullptr;
};
