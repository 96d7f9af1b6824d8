#pragma once
// The GUID partition table. Sector numbers inside a GPT count from the header's own
// sector (MyLBA), so a table behind a protective MBR entry or inside a partition is read
// relative to where its header was found.

#include "base/bytes.h"
#include "part/part_parser.h"

class cGPTPartParser final : public cPartParser {
public:
    static constexpr std::uint32_t kId = parser_id::kGpt;
    // The node's first sector is a header ("EFI PART") with 128-byte entries.
    static bool Probe(cPartTreeItem& node);

    std::uint32_t GetParserId() const override { return kId; }
    bool Parse(cPartTreeItem& node) override;
};

// Yes when the sector of the storage holds a GPT header.
bool IsGptHeaderAt(cBaseIO& storage, std::uint64_t sector);

// The partition type code of a GPT type GUID as stored on disk (first three groups
// little-endian); 0x7FFF for a GUID the program does not know.
std::uint16_t GptTypeCode(bytes::Fixed<16> typeGuid);
