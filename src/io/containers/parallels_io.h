#pragma once
// Parallels disks: a 64-byte header, a table with one 32-bit entry per block, and the
// blocks. Two generations share the layout: "WithoutFreeSpace" images enter blocks by
// their absolute sector and keep a 32-bit sector count; "WithouFreSpacExt" images, which
// current writers make, enter blocks counted in blocks and keep a 64-bit sector count.
// In both the block size is the header's cluster size (in sectors).

#include "io/containers/container_io.h"
#include "io/containers/use_cache.h"

class cParallelsIO final : public cContainerIO {
public:
    // Writes a new image of the older generation through the resource's reader: 63-sector
    // blocks, the capacity rounded up to whole cylinders of 16 heads by 63 sectors, and an
    // empty table. The rounded capacity, or 0.
    std::uint64_t Create(const cBaseIoResource* resource, std::uint64_t capacity,
                         bool keepOpen) override;
    std::uint32_t GetStorageKind() const override { return storage_kind::kParallels; }
    bool GetGeometry(cDiskGeometry& geometry) const override;

private:
    std::unique_ptr<cContainerIO> MakeEmpty() const override;
    bool OpenFormat() override;
    void CloseFormat() override;
    cPiece Locate(std::uint64_t sector, std::uint32_t count, bool allocate) override;
    // Appends a block to the carrier and enters it; its first sector, or nothing.
    std::optional<std::uint64_t> Allocate(std::uint64_t block);

    std::uint32_t blockSectors_ = 0;
    std::uint32_t tableEntries_ = 0;
    // Table entries times this are carrier sectors: 1 for the older generation, the block
    // size for the newer.
    std::uint32_t entryUnit_ = 1;
    cUseCache<std::uint64_t, 256> blocks_;
    cDiskGeometry geometry_;
};
