#pragma once
// NetWare partitions: the traditional layout (a hotfix area, then the volume table that
// lists the volume segments) and NSS partitions, a chain of "Nw_PaRtItIoN" headers.

#include "part/part_parser.h"

class cNetWarePartParser final : public cPartParser {
public:
    static constexpr std::uint32_t kId = parser_id::kNetWare;
    static bool Probe(cPartTreeItem& node);

    std::uint32_t GetParserId() const override { return kId; }
    bool Parse(cPartTreeItem& node) override;
};

class cNssPartParser final : public cPartParser {
public:
    static constexpr std::uint32_t kId = parser_id::kNss;
    static bool Probe(cPartTreeItem& node);

    std::uint32_t GetParserId() const override { return kId; }
    bool Parse(cPartTreeItem& node) override;
};
