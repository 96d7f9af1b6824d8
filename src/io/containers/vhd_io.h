#pragma once
// VirtualPC / Hyper-V VHD disks (all fields big-endian). A dynamic disk keeps a copy of
// its 512-byte footer at the start, a header naming the block allocation table, and
// blocks that each begin with a bitmap of the sectors written in them; the footer
// itself follows the last block and moves when a block is added. A fixed disk is the
// raw disk followed by the footer, which is not part of the disk.

#include "io/containers/container_io.h"
#include "io/containers/use_cache.h"

#include <array>
#include <vector>

class cMSVpcIO final : public cContainerIO {
public:
    // Writes a new dynamic VHD through the resource's reader: footer copy, header, an
    // empty table of 2 MiB blocks and the footer. The disk is the smallest the footer's
    // geometry describes that holds capacity sectors (readers that size a VHD by its
    // geometry then see the same disk); that size, or 0.
    std::uint64_t Create(const cBaseIoResource* resource, std::uint64_t capacity,
                         bool keepOpen) override;
    std::uint32_t GetStorageKind() const override { return storage_kind::kVhd; }
    bool GetGeometry(cDiskGeometry& geometry) const override;

private:
    struct cBlock {
        std::uint64_t dataStart = 0;
        std::vector<std::uint8_t> bitmap;
    };

    std::unique_ptr<cContainerIO> MakeEmpty() const override;
    bool OpenFormat() override;
    void CloseFormat() override;
    cPiece Locate(std::uint64_t sector, std::uint32_t count, bool allocate) override;
    bool AfterWrite(std::uint64_t sector, std::uint32_t count) override;

    bool OpenDynamic(std::uint64_t headerOffset);
    // Appends a block where the footer was and moves the footer behind it; the block's
    // first carrier sector (its bitmap), or nothing.
    std::optional<std::uint32_t> Allocate(std::uint64_t block);

    bool dynamic_ = false;
    std::array<std::uint8_t, 512> footer_{};
    std::uint64_t tableOffset_ = 0;
    std::uint32_t tableEntries_ = 0;
    std::uint32_t blockSectors_ = 0;
    std::uint32_t bitmapSectors_ = 0;
    cUseCache<cBlock, 256> blocks_;
    cDiskGeometry geometry_;
};
