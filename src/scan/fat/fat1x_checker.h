#pragma once
// The FAT12/16 table of a volume being reconstructed: both copies held whole, the one
// with fewer broken chains chosen, and its broken links mended from the other copy where
// that one still holds a link.

#include "scan/fat/fat_allocation.h"
#include "scan/fat/fat_geometry.h"

#include <cstdint>
#include <span>
#include <vector>

class cBaseIO;
class cBitMap;
class cProgressNotifyTarget;

class cFAT1xChecker final : public cFATAllocation {
public:
    // Largest cluster counts the two widths can address.
    static constexpr std::uint64_t kMaxFat12Clusters = 4096;
    static constexpr std::uint64_t kMaxFat16Clusters = 65535;

    // Reads both copies at the geometry's place. No for a FAT32 geometry, a count the
    // width cannot address, unreadable copies, or when the progress target asks to stop.
    bool Load(const cBaseIO& storage, std::uint64_t partitionStart,
              const fatscan::cFATGeometry& geometry, cProgressNotifyTarget* progress);
    // The same over copies already in memory (packed entries of the given width).
    bool LoadCopies(std::span<const std::uint8_t> first, std::span<const std::uint8_t> second,
                    bool fat12, std::uint64_t clusterCount);

    bool IsLoaded() const override { return !table_.empty(); }
    std::uint32_t GetNext(std::uint32_t cluster) override;
    std::uint64_t GetClusterCount() const override { return table_.size(); }
    std::uint32_t GetEndMarker() const override { return fat12_ ? 0xFF8 : 0xFFF8; }
    std::uint16_t GetMediaMarker() const { return fat12_ ? 0xFF0 : 0xFFF0; }

    // 1 or 2: the copy whose entries the table holds.
    unsigned Primary() const { return primary_; }
    // Broken chains counted in each copy (only when the copies differ).
    std::uint64_t BrokenChains(unsigned copy) const { return broken_[copy == 2]; }
    // Entries taken from the other copy; both counters grow together.
    std::uint64_t Repairs(unsigned copy) const { return repairs_[copy == 2]; }

private:
    static std::vector<std::uint16_t> Unpack(std::span<const std::uint8_t> copy, bool fat12,
                                             std::uint64_t count);
    bool IsLink(std::uint16_t entry) const { return entry >= 2 && entry < table_.size(); }
    bool IsEndEntry(std::uint16_t entry) const {
        return (entry & GetEndMarker()) == GetEndMarker();
    }
    std::uint64_t CountBroken(const std::vector<std::uint16_t>& copy) const;
    // Follows every chain of the chosen copy, mending links from the other one.
    void Repair(const std::vector<std::uint16_t>& other);
    void MendChain(std::uint32_t start, const std::vector<std::uint16_t>& other, cBitMap& visited);

    bool fat12_ = false;
    std::vector<std::uint16_t> table_;
    unsigned primary_ = 1;
    std::uint64_t broken_[2] = {};
    std::uint64_t repairs_[2] = {};
};
