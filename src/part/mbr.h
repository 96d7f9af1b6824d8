#pragma once
// The master boot record and the chain of extended boot records behind an extended entry.

#include "part/part_parser.h"

class cMbrPartParser final : public cPartParser {
public:
    static constexpr std::uint32_t kId = parser_id::kMbr;
    // The node's first sector ends in the 0x55 0xAA boot signature.
    static bool Probe(cPartTreeItem& node);

    std::uint32_t GetParserId() const override { return kId; }
    bool IsMbrMap() const override { return true; }
    bool Parse(cPartTreeItem& node) override;
};
