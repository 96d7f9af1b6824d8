#pragma once
// NT LDM (dynamic disk) databases. The private header and the database live at absolute
// sectors of the disk, whichever node the parser runs on; the partitions of this disk are
// taken from the database's VBLK records. Volumes are not assembled: a volume made of
// several partitions shows as those partitions, each where it lies on this disk.

#include "part/part_parser.h"

class cLdmPartParser final : public cPartParser {
public:
    static constexpr std::uint32_t kId = parser_id::kLdm;
    static bool Probe(cPartTreeItem& node);

    std::uint32_t GetParserId() const override { return kId; }
    bool Parse(cPartTreeItem& node) override;
};
