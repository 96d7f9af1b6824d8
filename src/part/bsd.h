#pragma once
// The BSD disklabel (x86 layout: in the slice's second sector) and the Snap label, which
// carries the same eight partition entries in its first sector.

#include "part/part_parser.h"

class cBsdPartParser final : public cPartParser {
public:
    static constexpr std::uint32_t kId = parser_id::kBsd;
    static bool Probe(cPartTreeItem& node);

    std::uint32_t GetParserId() const override { return kId; }
    bool Parse(cPartTreeItem& node) override;
};

class cSnapPartParser final : public cPartParser {
public:
    static constexpr std::uint32_t kId = parser_id::kSnap;
    static bool Probe(cPartTreeItem& node);

    std::uint32_t GetParserId() const override { return kId; }
    bool Parse(cPartTreeItem& node) override;
};
