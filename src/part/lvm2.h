#pragma once
// A Linux LVM2 physical volume: its label ("LABELONE" ... "LVM2 001") in one of the first
// four sectors, then the physical-volume header with the list of data areas.

#include "part/part_parser.h"

class cLvmPartParser final : public cPartParser {
public:
    static constexpr std::uint32_t kId = parser_id::kLvm;
    static bool Probe(cPartTreeItem& node);

    std::uint32_t GetParserId() const override { return kId; }
    bool Parse(cPartTreeItem& node) override;
};
