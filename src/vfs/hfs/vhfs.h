#pragma once
// cVHFS: the classic HFS reader (type 9). Names are 8-bit, in Mac OS Roman as the Mac
// wrote them; a volume that wraps an HFS+ volume is left to cVHFSx.

#include "vfs/hfs/hfs_reader.h"
#include "vfs/hfs/hfs_volume.h"

#include <cstdint>

class cVHFS final : public cHFSReader {
public:
    std::uint32_t GetFSType() const override { return fstype::kHfs; }
    bool Mount(cPartRecord& record) override;
    // Allocation block 0 follows the volume's bitmap.
    std::uint64_t GetFirstBlockSector() const override { return FirstSector() - PartitionStart(); }

private:
    std::optional<hfs::cCatalogRecord> ParseRecord(bytes::Span data) const override;
    std::optional<std::u16string> RecordName(bytes::Span key) const override;
    std::optional<cOverflowRecord> ParseOverflow(const hfs::cRecord& record) const override;
};
