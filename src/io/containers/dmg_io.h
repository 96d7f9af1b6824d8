#pragma once
// Mac disk images in UDIF form (all fields big-endian): a 512-byte "koly" trailer names
// the data fork and the block tables ("mish"), kept in a resource fork, in an XML
// property list, or both. Each table lists chunks of the disk: stored, zeros, or
// compressed (zlib, bzip2). A chunk's data lies at its offset from the data fork's start.
// Read-only: a chunk is inflated once and its sectors served from memory.

#include "base/bytes.h"
#include "io/containers/container_io.h"

#include <cstdint>
#include <string>
#include <vector>

class cDmgIO final : public cContainerIO {
public:
    std::uint32_t GetStorageKind() const override { return storage_kind::kDmg; }
    // Names of the compressions in this image that cannot be read (LZFSE, say); reading
    // their chunks fails rather than giving zeros.
    const std::vector<std::string>& UnreadableCompressions() const { return unreadable_; }

private:
    struct cChunk {
        std::uint32_t type = 0;
        std::uint64_t first = 0;
        std::uint64_t count = 0;
        std::uint64_t offset = 0;
        std::uint64_t length = 0;
    };

    std::unique_ptr<cContainerIO> MakeEmpty() const override;
    bool OpenFormat() override;
    void CloseFormat() override;
    bool Writable() const override { return false; }
    cPiece Locate(std::uint64_t sector, std::uint32_t count, bool allocate) override;

    // Block tables from the resource fork at offset; no when it is damaged.
    bool ReadResourceFork(std::uint64_t offset, std::uint64_t length);
    bool ReadPropertyList(std::uint64_t offset, std::uint64_t length);
    // Adds one "mish" table's chunks; no when it is damaged.
    bool AddTable(bytes::Span table);
    // Loads a chunk's sectors into the sector buffer; no when it cannot be read.
    bool Load(std::size_t chunk);

    std::uint64_t dataFork_ = 0;
    std::vector<cChunk> chunks_;
    std::vector<std::string> unreadable_;
    std::size_t held_ = SIZE_MAX;
    std::vector<std::uint8_t> sectors_;
    std::vector<std::uint8_t> packed_;
};
