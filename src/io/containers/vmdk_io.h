#pragma once
// VMware sparse disks: the hosted sparse extent ("KDMV": monolithic sparse files and
// stream-optimized exports with compressed grains) and the older "COWD" extent. The disk
// is cut into grains; a directory names grain tables, and each table entry the sector of
// one grain. Entry 0 is a grain never written, entry 1 one written as zeros.

#include "io/containers/container_io.h"
#include "io/containers/use_cache.h"

#include <vector>

class cVMWareIO final : public cContainerIO {
public:
    // Writes a new monolithic sparse extent for capacity sectors through the resource's
    // reader: header, embedded descriptor, both directories and all their (empty)
    // tables. With keepOpen the reader is then opened writable on it. The capacity, or 0.
    std::uint64_t Create(const cBaseIoResource* resource, std::uint64_t capacity,
                         bool keepOpen) override;
    std::uint32_t GetStorageKind() const override { return storage_kind::kVmdk; }
    bool GetGeometry(cDiskGeometry& geometry) const override;

private:
    std::unique_ptr<cContainerIO> MakeEmpty() const override;
    bool OpenFormat() override;
    void CloseFormat() override;
    bool Writable() const override { return !compressed_; }
    cPiece Locate(std::uint64_t sector, std::uint32_t count, bool allocate) override;

    bool OpenHostedSparse();
    bool OpenCowd();
    // Reads a directory of directoryEntries_ entries at a sector; no when it does not lie
    // inside the carrier.
    bool ReadDirectory(std::uint64_t sector, std::vector<std::uint32_t>& directory);
    // The grain table at a carrier sector, through the cache; null when unreadable.
    std::vector<std::uint32_t>* Table(std::uint64_t sector);
    // Inflates the compressed grain whose marker is at a carrier sector; null on failure.
    const std::uint8_t* CompressedGrain(std::uint64_t markerSector, std::uint64_t grain);
    // Appends a grain to the carrier and enters it at slot of the table at tableSector;
    // the new grain's sector, or nothing.
    std::optional<std::uint64_t> Allocate(std::uint64_t directoryIndex, std::uint64_t tableSector,
                                          std::uint32_t slot);

    std::uint64_t grainSize_ = 0;
    std::uint32_t tableEntries_ = 0;
    std::uint64_t tableSectors_ = 0;
    std::uint64_t directoryEntries_ = 0;
    // Reads go through the first directory; writes update the tables of both.
    std::vector<std::uint32_t> first_;
    std::vector<std::uint32_t> second_;
    cUseCache<std::vector<std::uint32_t>, 16> tables_;
    bool compressed_ = false;
    std::vector<std::uint8_t> grain_;
    std::uint64_t grainHeld_ = cUseCache<int, 1>::kNoKey;
    cDiskGeometry geometry_;
};
