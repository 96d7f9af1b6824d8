#pragma once
// A storage held in memory, for tests and fuzzers: parsers run over a byte vector
// without files. It can pretend that some sectors are unreadable (a read stops short
// before the first of them, as a failing drive's would) and can report a larger logical
// sector size in its geometry, as a 4Kn drive does, so that bad-read paths and sector-size
// handling can be tested. Positions stay in 512-byte units like every cBaseIO.
//
// Duplicates share the bytes and the set of failing sectors; each keeps its own position
// and call counters.

#include "io/base_io.h"

#include <cstdint>
#include <memory>
#include <set>
#include <utility>
#include <vector>

class cMemIO final : public cBaseIO {
public:
    // A read-only storage over bytes; a trailing partial sector is kept but not counted.
    explicit cMemIO(std::vector<std::uint8_t> bytes, std::uint32_t bytesPerSector = kSectorSize);
    cMemIO(const std::uint8_t* data, std::size_t size);

    // Reads that reach one of these 512-byte sectors stop short before it.
    void FailSector(std::uint64_t sector) { shared_->failing.insert(sector); }
    void FailSectors(std::uint64_t first, std::uint64_t count);

    std::vector<std::uint8_t>& Bytes() { return shared_->bytes; }
    const std::vector<std::uint8_t>& Bytes() const { return shared_->bytes; }

    // The (position, count) of every ReadSectors and the (first, count) of every
    // WriteSectors, in order of the calls.
    const std::vector<std::pair<std::uint64_t, std::uint32_t>>& Reads() const { return reads_; }
    const std::vector<std::pair<std::uint64_t, std::uint32_t>>& Writes() const { return writes_; }

    std::unique_ptr<cBaseIO> Duplicate() const override;
    bool IsSameStorage(const cBaseIO* other) const override;
    std::uint32_t Close() override;
    // Memory can always be written: the flag simply switches.
    bool SetReadOnly(bool readOnly) override;
    std::int64_t SeekSector(std::uint64_t sector) override;
    std::uint32_t ReadSectors(void* buffer, std::uint32_t count,
                              cReadNotify* notify = nullptr) override;
    std::uint32_t WriteSectors(std::uint64_t first, const void* buffer,
                               std::uint32_t count) override;
    std::uint64_t GetSectorCount() const override;
    std::uint32_t GetStorageKind() const override { return storage_kind::kDiskImage; }
    bool GetGeometry(cDiskGeometry& geometry) const override;
    bool GetName(std::u16string& name) const override;

private:
    struct Shared {
        std::vector<std::uint8_t> bytes;
        std::set<std::uint64_t> failing;
        std::uint32_t bytesPerSector = kSectorSize;
    };
    explicit cMemIO(std::shared_ptr<Shared> shared);

    std::shared_ptr<Shared> shared_;
    std::uint64_t position_ = 0;
    std::vector<std::pair<std::uint64_t, std::uint32_t>> reads_;
    std::vector<std::pair<std::uint64_t, std::uint32_t>> writes_;
};
