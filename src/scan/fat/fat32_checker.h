#pragma once
// The FAT32 table of a volume being reconstructed. A FAT32 table may be hundreds of
// megabytes, so it is read on demand, one sector of each copy at a time; loading only
// compares the copies and picks the one that holds more chains. Where the chosen copy has
// nothing for a cluster and the copies differ, the other copy answers.

#include "scan/fat/fat_allocation.h"
#include "scan/fat/fat_geometry.h"

#include <array>
#include <cstdint>
#include <memory>

class cBaseIO;
class cProgressNotifyTarget;

class cFAT32Checker final : public cFATAllocation {
public:
    static constexpr std::uint32_t kEndMarker = 0x0FFFFFF8;

    cFAT32Checker();
    ~cFAT32Checker() override;

    // Compares the two copies at the geometry's place. No for another width, an empty
    // table, a storage that cannot be duplicated, or when the progress target asks to stop.
    bool Load(const cBaseIO& storage, std::uint64_t partitionStart,
              const fatscan::cFATGeometry& geometry, cProgressNotifyTarget* progress);

    bool IsLoaded() const override { return storage_ != nullptr; }
    std::uint32_t GetNext(std::uint32_t cluster) override;
    std::uint64_t GetClusterCount() const override { return clusterCount_; }
    std::uint32_t GetEndMarker() const override { return kEndMarker; }

    unsigned Primary() const { return primary_; }
    bool CopiesDiffer() const { return copiesDiffer_; }

private:
    struct cCachedSector {
        std::uint64_t index = ~std::uint64_t(0);
        bool readable = false;
        std::array<std::uint8_t, fatscan::kSectorBytes> bytes{};
    };
    static constexpr std::uint32_t kEntriesPerSector = fatscan::kSectorBytes / 4;

    // The entry of a copy (0 or 1), 28 bits; 0 when its sector cannot be read.
    std::uint32_t Entry(unsigned copy, std::uint32_t cluster);
    // A link to a cluster of the table, or the end marker; 0 for anything else.
    std::uint32_t Usable(std::uint32_t entry) const;
    // Counts the entries of a sector that are end markers or links.
    std::uint64_t CountUsed(const std::uint8_t* sector) const;

    std::unique_ptr<cBaseIO> storage_;
    std::uint64_t firstStart_ = 0;
    std::uint64_t secondStart_ = 0;
    std::uint64_t clusterCount_ = 0;
    bool copiesDiffer_ = false;
    unsigned primary_ = 1;
    std::array<cCachedSector, 2> cache_;
};
