#include "scan/fat/fat1x_checker.h"

#include "base/bytes.h"
#include "base/progress.h"
#include "io/base_io.h"
#include "scan/bit_map.h"

#include <memory>

std::vector<std::uint16_t> cFAT1xChecker::Unpack(std::span<const std::uint8_t> copy, bool fat12,
                                                 std::uint64_t count) {
    std::vector<std::uint16_t> entries(count, 0);
    for (std::uint64_t n = 0; n < count; ++n) {
        const std::uint64_t at = fat12 ? n * 3 / 2 : n * 2;
        const std::optional<std::uint16_t> word = bytes::Le16At(copy, at);
        if (!word) {
            break; // a copy shorter than the count leaves the rest free
        }
        entries[n] = !fat12 ? *word : (n & 1) ? *word >> 4 : *word & 0xFFF;
    }
    return entries;
}

bool cFAT1xChecker::Load(const cBaseIO& storage, std::uint64_t partitionStart,
                         const fatscan::cFATGeometry& geometry, cProgressNotifyTarget* progress) {
    const bool fat12 = geometry.fatType == fatscan::FatType::kFat12;
    if (!fat12 && geometry.fatType != fatscan::FatType::kFat16) {
        return false;
    }
    // FAT16 tables hold at most 256 sectors; more is not a FAT12/16 table.
    const std::uint64_t sectors = geometry.fatSectors;
    if (sectors == 0 || sectors > 256) {
        return false;
    }
    std::vector<std::uint8_t> copies(2 * sectors * fatscan::kSectorBytes);
    auto reader = storage.Duplicate();
    const std::uint64_t start = partitionStart + geometry.firstFatSector;
    if (!reader || reader->SeekSector(start) < 0 ||
        reader->ReadSectors(copies.data(), std::uint32_t(2 * sectors)) != 2 * sectors) {
        return false;
    }
    if (progress && !progress->OnProgress(50)) {
        return false;
    }
    const std::span<const std::uint8_t> all(copies);
    const std::size_t half = sectors * fatscan::kSectorBytes;
    if (!LoadCopies(all.first(half), all.subspan(half), fat12, geometry.clusterCount)) {
        return false;
    }
    return !progress || progress->OnProgress(100);
}

bool cFAT1xChecker::LoadCopies(std::span<const std::uint8_t> first,
                               std::span<const std::uint8_t> second, bool fat12,
                               std::uint64_t clusterCount) {
    table_.clear();
    broken_[0] = broken_[1] = repairs_[0] = repairs_[1] = 0;
    primary_ = 1;
    if (clusterCount < 3 || clusterCount > (fat12 ? kMaxFat12Clusters : kMaxFat16Clusters)) {
        return false;
    }
    fat12_ = fat12;
    std::vector<std::uint16_t> one = Unpack(first, fat12, clusterCount);
    std::vector<std::uint16_t> two = Unpack(second, fat12, clusterCount);
    table_ = one; // IsLink and CountBroken need the count
    if (one == two) {
        if ((one[0] & GetMediaMarker()) != GetMediaMarker()) {
            ++repairs_[0];
            ++repairs_[1];
        }
    } else {
        broken_[0] = CountBroken(one);
        broken_[1] = CountBroken(two);
        primary_ = broken_[1] < broken_[0] ? 2 : 1;
        table_ = primary_ == 1 ? std::move(one) : std::move(two);
        Repair(primary_ == 1 ? two : one);
    }
    table_[0] = GetMediaMarker() | (table_[0] & 0xF);
    return true;
}

std::uint64_t cFAT1xChecker::CountBroken(const std::vector<std::uint16_t>& copy) const {
    cBitMap visited;
    if (!visited.Create(copy.size(), false)) {
        return 0;
    }
    std::uint64_t broken = 0;
    for (std::uint32_t cluster = 0; cluster < copy.size(); ++cluster) {
        if (copy[cluster] == 0 || visited.Get(cluster)) {
            continue;
        }
        visited.Set(cluster, true);
        // Every step marks a new cluster, so the walk ends within the count.
        for (std::uint32_t at = cluster; !IsEndEntry(copy[at]);) {
            const std::uint16_t next = copy[at];
            if (next == 0 || next >= copy.size() || visited.Get(next)) {
                ++broken;
                break;
            }
            visited.Set(next, true);
            at = next;
        }
    }
    return broken;
}

void cFAT1xChecker::Repair(const std::vector<std::uint16_t>& other) {
    cBitMap visited;
    if (!visited.Create(table_.size(), false)) {
        return;
    }
    for (std::uint32_t cluster = 2; cluster < table_.size(); ++cluster) {
        if (table_[cluster] != 0 && !visited.Get(cluster)) {
            MendChain(cluster, other, visited);
        }
    }
}

void cFAT1xChecker::MendChain(std::uint32_t start, const std::vector<std::uint16_t>& other,
                              cBitMap& visited) {
    visited.Set(start, true);
    for (std::uint32_t at = start; !IsEndEntry(table_[at]);) {
        std::uint16_t next = table_[at];
        if (!IsLink(next) || visited.Get(next)) {
            const std::uint16_t replacement = other[at];
            const bool usable =
                IsEndEntry(replacement) || (IsLink(replacement) && !visited.Get(replacement));
            if (!usable || replacement == next) {
                return;
            }
            table_[at] = next = replacement;
            ++repairs_[0];
            ++repairs_[1];
            if (IsEndEntry(next)) {
                return;
            }
        }
        visited.Set(next, true);
        at = next;
    }
}

std::uint32_t cFAT1xChecker::GetNext(std::uint32_t cluster) {
    if (cluster >= table_.size()) {
        return 0;
    }
    const std::uint16_t entry = table_[cluster];
    if (IsEndEntry(entry)) {
        return GetEndMarker();
    }
    return IsLink(entry) ? entry : 0;
}
