#pragma once
// cVHFSx: the HFS+ and HFSX reader (type 10), also for an HFS+ volume wrapped inside an
// HFS volume, read at the embedded volume's start. Names are shown composed (see
// base/compose.h) although the volume stores them decomposed, so that they compare
// equal to the same names typed or stored elsewhere; a name stored composed shows
// unchanged. Hard links read as the file they link to.

#include "vfs/hfs/hfs_reader.h"
#include "vfs/hfs/hfs_volume.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class cVHFSx final : public cHFSReader {
public:
    std::uint32_t GetFSType() const override { return fstype::kHfsPlus; }
    bool HasUnicodeNames() const override { return true; }
    bool Mount(cPartRecord& record) override;

    // Where allocation block 0 lies: the embedded volume's start for a wrapped volume.
    std::uint64_t GetFirstBlockSector() const override { return FirstSector() - PartitionStart(); }
    // The block's bit in the allocation file; no when it cannot be read.
    bool IsBlockUsed(std::uint64_t block) override;
    bool HasBlockMap() const override { return true; }

    bool IsHfsx() const { return header_.hfsx; }

private:
    std::optional<hfs::cCatalogRecord> ParseRecord(bytes::Span data) const override;
    std::optional<std::u16string> RecordName(bytes::Span key) const override;
    std::optional<cOverflowRecord> ParseOverflow(const hfs::cRecord& record) const override;
    void ResolveLink(hfs::cCatalogRecord& record) override;

    // The volume header at the partition's start, or inside the HFS wrapper there.
    std::optional<hfs::cVolumeHeader> FindHeader(std::uint64_t& volumeStart) const;
    // The id of the folder that holds the targets of hard links; 0 when there is none.
    std::uint32_t PrivateFolder();
    void NamePartition(cPartRecord& record);

    hfs::cVolumeHeader header_;
    std::optional<std::uint32_t> privateFolder_;
    std::unique_ptr<cObjectHandle> allocation_;
    std::array<std::uint8_t, 4096> bitmapWindow_{};
    std::uint64_t bitmapWindowStart_ = ~std::uint64_t(0); // first byte of the file it holds
    std::uint32_t bitmapWindowBytes_ = 0;
};
