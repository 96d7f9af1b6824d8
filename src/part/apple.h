#pragma once
// The Apple partition map: a driver descriptor block ("ER") at block 0 and one map entry
// ("PM", or "TS" on old disks) per block from block 1, all big-endian.

#include "part/part_parser.h"

class cApplePartParser final : public cPartParser {
public:
    static constexpr std::uint32_t kId = parser_id::kApple;
    static bool Probe(cPartTreeItem& node);

    std::uint32_t GetParserId() const override { return kId; }
    // Writes the map blocks saved by Parse back over the node's first sectors on target.
    bool WriteMap(cBaseIO* target) override;
    bool Parse(cPartTreeItem& node) override;
};

// The type code of an Apple partition type name (compared without regard to case).
std::uint16_t AppleTypeCode(std::string_view typeName);
