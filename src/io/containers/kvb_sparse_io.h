#pragma once
// The program's own sparse volume ("KVBSparF", little-endian): a 28-byte header in sector
// 0, a map with one 32-bit entry per block from sector 1 (all ones: not stored; else the
// block's index in the data area), and the data area of stored blocks in the order they
// were written, from the first sector after the map.

#include "io/containers/container_io.h"

class cKVBSparseIO final : public cContainerIO {
public:
    // Writes an empty volume for capacity sectors through the resource's reader: the
    // header, and a map of blocks sized by the capacity. The capacity (cut to the
    // largest the format holds), or 0.
    std::uint64_t Create(const cBaseIoResource* resource, std::uint64_t capacity,
                         bool keepOpen) override;
    // Same kind, both open, and the same volume identifier.
    bool IsSameStorage(const cBaseIO* other) const override;
    std::uint32_t GetStorageKind() const override { return storage_kind::kKvbSparse; }
    bool GetGeometry(cDiskGeometry& geometry) const override;

    std::uint32_t BlockSectors() const { return blockSectors_; }
    std::uint64_t Blocks() const { return blocks_; }

private:
    std::unique_ptr<cContainerIO> MakeEmpty() const override;
    bool OpenFormat() override;
    void CloseFormat() override;
    cPiece Locate(std::uint64_t sector, std::uint32_t count, bool allocate) override;

    std::uint32_t blockSectors_ = 0;
    std::uint64_t blocks_ = 0;
    std::uint64_t dataStart_ = 0;
    std::uint32_t identifier_ = 0;
};
