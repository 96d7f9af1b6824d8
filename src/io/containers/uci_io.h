#pragma once
// The program family's compressed whole-disk image ("QORNImg0", little-endian): a 22-byte
// header (sector count, block size), then one record per block: a kind byte, 0 for the
// block's bytes stored as they are, 1 for a length and one zlib stream. The records are
// walked once at Open into a table of their offsets; one block is held inflated.
// Read-only.

#include "io/containers/container_io.h"

#include <vector>

class cUciIO final : public cContainerIO {
public:
    std::uint32_t GetStorageKind() const override { return storage_kind::kUci; }

private:
    std::unique_ptr<cContainerIO> MakeEmpty() const override;
    bool OpenFormat() override;
    void CloseFormat() override;
    bool Writable() const override { return false; }
    cPiece Locate(std::uint64_t sector, std::uint32_t count, bool allocate) override;

    // The bytes block holds (the last one may be short).
    std::uint32_t BlockBytes(std::uint64_t block) const;
    // Loads a block into the block buffer; no when it cannot be read.
    bool Load(std::uint64_t block);

    std::uint32_t blockSize_ = 0;
    std::vector<std::uint64_t> records_;
    std::vector<std::uint8_t> block_;
    std::vector<std::uint8_t> packed_;
    std::uint64_t held_ = UINT64_MAX;
};
