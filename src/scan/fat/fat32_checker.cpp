#include "scan/fat/fat32_checker.h"

#include "base/bytes.h"
#include "base/progress.h"
#include "io/base_io.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {
constexpr std::uint32_t kCompareSectors = 256;
} // namespace

cFAT32Checker::cFAT32Checker() = default;
cFAT32Checker::~cFAT32Checker() = default;

std::uint32_t cFAT32Checker::Usable(std::uint32_t entry) const {
    if ((entry & kEndMarker) == kEndMarker) {
        return kEndMarker;
    }
    return entry >= 2 && entry < clusterCount_ ? entry : 0;
}

std::uint64_t cFAT32Checker::CountUsed(const std::uint8_t* sector) const {
    std::uint64_t used = 0;
    for (std::uint32_t n = 0; n < kEntriesPerSector; ++n) {
        used += Usable(bytes::Le32(bytes::Fixed<4>(sector + n * 4, 4)) & 0x0FFFFFFF) != 0;
    }
    return used;
}

bool cFAT32Checker::Load(const cBaseIO& storage, std::uint64_t partitionStart,
                         const fatscan::cFATGeometry& geometry, cProgressNotifyTarget* progress) {
    storage_.reset();
    cache_ = {};
    copiesDiffer_ = false;
    primary_ = 1;
    if (!geometry.IsFat32() || geometry.clusterCount < 3) {
        return false;
    }
    clusterCount_ = geometry.clusterCount;
    const std::uint64_t tableSectors =
        (clusterCount_ * 4 + fatscan::kSectorBytes - 1) / fatscan::kSectorBytes;
    firstStart_ = partitionStart + geometry.firstFatSector;
    // The second copy starts where the first one's room ends, which may be more than the
    // clusters need.
    secondStart_ = firstStart_ + std::max(tableSectors, geometry.fatSectors);
    auto reader = storage.Duplicate();
    if (!reader) {
        return false;
    }
    std::vector<std::uint8_t> one(kCompareSectors * fatscan::kSectorBytes);
    std::vector<std::uint8_t> two(one.size());
    std::uint64_t usedOne = 0;
    std::uint64_t usedTwo = 0;
    for (std::uint64_t done = 0; done < tableSectors;) {
        const auto want =
            std::uint32_t(std::min<std::uint64_t>(kCompareSectors, tableSectors - done));
        const std::uint32_t readOne =
            reader->SeekSector(firstStart_ + done) >= 0 ? reader->ReadSectors(one.data(), want) : 0;
        const std::uint32_t readTwo = reader->SeekSector(secondStart_ + done) >= 0
                                          ? reader->ReadSectors(two.data(), want)
                                          : 0;
        const std::uint32_t both = std::min(readOne, readTwo);
        for (std::uint32_t s = 0; s < both; ++s) {
            const std::uint8_t* a = one.data() + std::size_t(s) * fatscan::kSectorBytes;
            const std::uint8_t* b = two.data() + std::size_t(s) * fatscan::kSectorBytes;
            usedOne += CountUsed(a);
            usedTwo += CountUsed(b);
            copiesDiffer_ = copiesDiffer_ || std::memcmp(a, b, fatscan::kSectorBytes) != 0;
        }
        // An unreadable sector ends the comparison in favour of the copy that still reads.
        if (both < want) {
            copiesDiffer_ = true;
            primary_ = readOne <= readTwo && readOne < want ? 2 : 1;
            storage_ = std::move(reader);
            return !progress || progress->OnProgress(100);
        }
        done += want;
        if (progress && !progress->OnProgress(100.0 * double(done) / double(tableSectors))) {
            return false;
        }
    }
    primary_ = !copiesDiffer_ || usedOne >= usedTwo ? 1 : 2;
    storage_ = std::move(reader);
    return true;
}

std::uint32_t cFAT32Checker::Entry(unsigned copy, std::uint32_t cluster) {
    cCachedSector& cached = cache_[copy];
    const std::uint64_t index = cluster / kEntriesPerSector;
    if (cached.index != index) {
        cached.index = index;
        const std::uint64_t at = (copy == 0 ? firstStart_ : secondStart_) + index;
        cached.readable =
            storage_->SeekSector(at) >= 0 && storage_->ReadSectors(cached.bytes.data(), 1) == 1;
    }
    if (!cached.readable) {
        return 0;
    }
    return bytes::Le32(
               bytes::Fixed<4>(cached.bytes.data() + (cluster % kEntriesPerSector) * 4, 4)) &
           0x0FFFFFFF;
}

std::uint32_t cFAT32Checker::GetNext(std::uint32_t cluster) {
    if (!storage_ || cluster >= clusterCount_) {
        return 0;
    }
    const unsigned primary = primary_ - 1;
    if (const std::uint32_t next = Usable(Entry(primary, cluster)); next != 0 || !copiesDiffer_) {
        return next;
    }
    return Usable(Entry(1 - primary, cluster));
}
