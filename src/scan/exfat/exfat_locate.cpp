#include "scan/exfat/exfat_locate.h"

#include "base/bytes.h"
#include "base/checked.h"
#include "vfs/exfat/exfat_dir.h"
#include "vfs/exfat/exfat_upcase.h"

#include <algorithm>
#include <array>

namespace exfatscan {
namespace {

constexpr std::uint32_t kEndOfChain = 0xFFFFFFFF;
// Cluster numbers stop below the FAT's bad-cluster and end marks.
constexpr std::uint64_t kMaxClusters = 0xFFFFFFF5;
// A bitmap describes at most that many clusters.
constexpr std::uint64_t kMaxBitmapBytes = (kMaxClusters + 7) / 8;
// Clusters of 512 bytes to 32 MiB.
constexpr unsigned kMaxClusterShift = 16;
// Bits of the bitmap's first sector.
constexpr std::uint64_t kBitsChecked = kSectorBytes * 8;

bool AllZero(std::span<const std::uint8_t> bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

std::uint64_t DivideUp(std::uint64_t value, std::uint64_t unit) {
    return value / unit + (value % unit != 0);
}

// Clusters [first, first + count) as the geometry being tried places them.
struct cClusterRange {
    std::uint64_t first;
    std::uint64_t count;

    bool Overlaps(const cClusterRange& other) const {
        return first < other.first + other.count && other.first < first + count;
    }
};

// The FAT entry of a cluster, from the FAT that starts at fatStart.
std::optional<std::uint32_t> FatEntry(const probe::SectorSource& read, std::uint64_t fatStart,
                                      std::uint64_t cluster) {
    std::array<std::uint8_t, kSectorBytes> sector{};
    if (!read(fatStart + cluster / 128, 1, sector.data())) {
        return std::nullopt;
    }
    return bytes::unchecked::Le32(sector.data() + (cluster % 128) * 4);
}

// A FAT at fatStart gives each table and the root a chain: a next cluster inside the
// volume or the end mark.
bool FatAgrees(const probe::SectorSource& read, std::uint64_t fatStart,
               std::span<const cClusterRange> ranges, std::uint64_t clusterLimit) {
    for (const cClusterRange& range : ranges) {
        const std::optional<std::uint32_t> next = FatEntry(read, fatStart, range.first);
        if (!next || (*next != kEndOfChain && (*next < 2 || *next >= clusterLimit))) {
            return false;
        }
    }
    return true;
}

bool UpcaseMatches(const cRootSighting& root, std::uint64_t start,
                   const probe::SectorSource& read) {
    const std::uint64_t sectors = DivideUp(root.upcaseLength, kSectorBytes);
    std::vector<std::uint8_t> table(sectors * kSectorBytes);
    return read(start, std::uint32_t(sectors), table.data()) &&
           exfatupcase::TableChecksum(std::span(table).first(root.upcaseLength)) ==
               root.upcaseChecksum;
}

// The volume when clusters are clusterSectors long, the up-case table starting at
// upcaseStart.
std::optional<cFoundVolume> TrySize(const cRootSighting& root, std::uint64_t upcaseStart,
                                    unsigned shift, std::span<const std::uint64_t> fatStarts,
                                    const probe::SectorSource& read,
                                    std::uint64_t partitionSectors) {
    const std::uint64_t clusterSectors = std::uint64_t(1) << shift;
    const std::uint64_t clusterBytes = clusterSectors * kSectorBytes;
    const std::uint64_t before = std::uint64_t(root.upcaseCluster - 2) << shift;
    // The heap lies after both boot regions and at least one FAT sector.
    if (before > upcaseStart || upcaseStart - before <= 2 * exfatboot::kRegionSectors) {
        return std::nullopt;
    }
    const std::uint64_t heap = upcaseStart - before;
    if (heap > UINT32_MAX || root.sector < heap || (root.sector - heap) % clusterSectors != 0) {
        return std::nullopt;
    }
    const std::uint64_t rootCluster = 2 + ((root.sector - heap) >> shift);
    const std::uint64_t available = (partitionSectors - std::min(partitionSectors, heap)) >> shift;
    const std::uint64_t clusters = std::min({root.bitmapLength * 8, available, kMaxClusters});
    // The bitmap's length leaves at most seven bits unused.
    if (clusters + 8 <= root.bitmapLength * 8) {
        return std::nullopt;
    }
    const std::array<cClusterRange, 3> ranges = {
        cClusterRange{root.bitmapCluster, DivideUp(root.bitmapLength, clusterBytes)},
        cClusterRange{root.upcaseCluster, DivideUp(root.upcaseLength, clusterBytes)},
        cClusterRange{rootCluster, 1}};
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        if (ranges[i].first + ranges[i].count > 2 + clusters ||
            ranges[i].Overlaps(ranges[(i + 1) % ranges.size()])) {
            return std::nullopt;
        }
    }
    std::array<std::uint8_t, kSectorBytes> bitmap{};
    if (!read(heap + ((root.bitmapCluster - 2) << shift), 1, bitmap.data())) {
        return std::nullopt;
    }
    for (const cClusterRange& range : ranges) {
        for (std::uint64_t bit = range.first - 2;
             bit < range.first - 2 + range.count && bit < kBitsChecked; ++bit) {
            if ((bitmap[bit / 8] >> (bit % 8) & 1) == 0) {
                return std::nullopt;
            }
        }
    }
    const std::uint64_t fatSectors = DivideUp((clusters + 2) * 4, kSectorBytes);
    if (fatSectors > heap - 2 * exfatboot::kRegionSectors) {
        return std::nullopt;
    }
    cFoundVolume found;
    exfatboot::cBootRecord& boot = found.boot;
    boot.fatOffset = 2 * exfatboot::kRegionSectors;
    for (const std::uint64_t fat : fatStarts) {
        if (fat >= 2 * exfatboot::kRegionSectors && fat + fatSectors <= heap &&
            FatAgrees(read, fat, ranges, 2 + clusters)) {
            boot.fatOffset = std::uint32_t(fat);
            found.fatFound = true;
            break;
        }
    }
    boot.fatLength = std::uint32_t(fatSectors);
    boot.heapOffset = std::uint32_t(heap);
    boot.clusterCount = std::uint32_t(clusters);
    boot.rootCluster = std::uint32_t(rootCluster);
    boot.volumeLength = heap + (clusters << shift);
    boot.sectorShift = 9;
    boot.clusterShift = std::uint8_t(shift);
    boot.fatCount = 1;
    if (!exfatboot::IsAddressable(boot)) {
        return std::nullopt;
    }
    return found;
}

} // namespace

std::optional<cRootSighting> RootEntriesIn(cSector sector) {
    std::optional<cRootSighting> bitmap;
    std::optional<cRootSighting> upcase;
    for (std::size_t at = 0; at < kSectorBytes; at += exfatdir::kEntrySize) {
        const auto entry = sector.subspan(at).first<exfatdir::kEntrySize>();
        if (entry[0] == exfatdir::kEndOfDirectory) {
            break;
        }
        if (entry[0] == exfatdir::kBitmap && !bitmap && entry[1] == 0 &&
            AllZero(entry.subspan(2, 18))) {
            const std::uint64_t length = bytes::Le64<24>(entry);
            if (length != 0 && length <= kMaxBitmapBytes && bytes::Le32<20>(entry) >= 2) {
                bitmap = cRootSighting{};
                bitmap->bitmapCluster = bytes::Le32<20>(entry);
                bitmap->bitmapLength = length;
            }
        } else if (entry[0] == exfatdir::kUpcase && !upcase && AllZero(entry.subspan(1, 3)) &&
                   AllZero(entry.subspan(8, 12))) {
            const std::uint64_t length = bytes::Le64<24>(entry);
            if (length != 0 && length % 2 == 0 && length <= exfatupcase::kMaxTableBytes &&
                bytes::Le32<20>(entry) >= 2) {
                upcase = cRootSighting{};
                upcase->upcaseCluster = bytes::Le32<20>(entry);
                upcase->upcaseLength = length;
                upcase->upcaseChecksum = bytes::Le32<4>(entry);
            }
        }
    }
    if (!bitmap || !upcase || bitmap->bitmapCluster == upcase->upcaseCluster) {
        return std::nullopt;
    }
    upcase->bitmapCluster = bitmap->bitmapCluster;
    upcase->bitmapLength = bitmap->bitmapLength;
    return upcase;
}

bool OpensUpcaseTable(cSector sector) {
    // Quick refusal of most sectors: a table opens with the identity of units 0 and 1, or
    // with a run of at most 0x61 units that map to themselves.
    const std::uint32_t head = bytes::Le32<0>(sector);
    if (head != 0x00010000 && ((head & 0xFFFF) != 0xFFFF || (head >> 16) > 0x61)) {
        return false;
    }
    const std::vector<char16_t> upcase = exfatupcase::Expand(sector);
    for (char16_t unit = 0; unit < 0x80; ++unit) {
        const bool lower = unit >= u'a' && unit <= u'z';
        if (upcase[unit] != (lower ? char16_t(unit - 0x20) : unit)) {
            return false;
        }
    }
    return true;
}

bool OpensFat(cSector sector) {
    return bytes::Le32<0>(sector) == 0xFFFFFFF8 && bytes::Le32<4>(sector) == kEndOfChain;
}

bool cSightings::Feed(std::uint64_t sector, cSector data) {
    if (OpensFat(data)) {
        if (fatStarts_.size() < kMaxEach) {
            fatStarts_.push_back(sector);
        }
        return false;
    }
    if (OpensUpcaseTable(data)) {
        if (upcaseStarts_.size() < kMaxEach) {
            upcaseStarts_.push_back(sector);
            return true;
        }
        return false;
    }
    std::optional<cRootSighting> root = RootEntriesIn(data);
    if (!root || roots_.size() >= kMaxEach) {
        return false;
    }
    root->sector = sector;
    roots_.push_back(*root);
    return true;
}

std::optional<cFoundVolume> Resolve(const cRootSighting& root, std::uint64_t upcaseStart,
                                    std::span<const std::uint64_t> fatStarts,
                                    const probe::SectorSource& read,
                                    std::uint64_t partitionSectors) {
    if (root.bitmapCluster < 2 || root.upcaseCluster < 2 || root.bitmapLength == 0 ||
        root.bitmapLength > kMaxBitmapBytes || root.upcaseLength == 0 ||
        root.upcaseLength > exfatupcase::kMaxTableBytes ||
        !UpcaseMatches(root, upcaseStart, read)) {
        return std::nullopt;
    }
    // A FAT that agrees settles it; among equals the largest size, as a smaller one can
    // only seem to fit where the bitmap is full.
    std::optional<cFoundVolume> best;
    for (unsigned shift = 0; shift <= kMaxClusterShift; ++shift) {
        std::optional<cFoundVolume> found =
            TrySize(root, upcaseStart, shift, fatStarts, read, partitionSectors);
        if (found && (!best || found->fatFound >= best->fatFound)) {
            best = found;
        }
    }
    return best;
}

} // namespace exfatscan
