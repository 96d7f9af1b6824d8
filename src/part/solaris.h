#pragma once
// The Solaris x86 VTOC, in the second sector of a Solaris partition (little-endian).

#include "part/part_parser.h"

class cSolarisPartParser final : public cPartParser {
public:
    static constexpr std::uint32_t kId = parser_id::kSolaris;
    static bool Probe(cPartTreeItem& node);

    std::uint32_t GetParserId() const override { return kId; }
    bool Parse(cPartTreeItem& node) override;
};
