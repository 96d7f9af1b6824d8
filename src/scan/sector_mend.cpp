#include "scan/sector_mend.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

namespace {

// The page a cached read fails as a whole: 4 KiB, in 512-byte sectors.
constexpr std::uint64_t kCachePageSectors = 8;

std::size_t Bytes(std::uint64_t sectors) {
    return std::size_t(sectors) * kSectorSize;
}

} // namespace

cSectorMender::cSectorMender(std::function<bool()> stopRequested)
    : stopRequested_(std::move(stopRequested)) {}

bool cSectorMender::Prepare(cBaseIO& storage) {
    const std::uint32_t unit = std::max<std::uint32_t>(storage.UncachedUnit(), 1);
    std::unique_ptr<std::uint8_t[]> scratch(new (std::nothrow) std::uint8_t[Bytes(unit)]);
    if (!scratch) {
        return false;
    }
    storage_ = &storage;
    unit_ = unit;
    scratch_ = std::move(scratch);
    lastBadUnit_.reset();
    found_.Clear();
    return true;
}

void cSectorMender::Read(std::uint64_t first, std::uint8_t* buffer, std::uint32_t count,
                         std::uint64_t mendEnd) {
    std::uint32_t done = 0;
    while (done < count) {
        done += std::min(storage_->ReadSectors(buffer + Bytes(done), count - done), count - done);
        if (done == count) {
            return;
        }
        const std::uint64_t at = first + done;
        if (at >= mendEnd || stopRequested_()) {
            std::memset(buffer + Bytes(done), 0, Bytes(count - done));
            storage_->SeekSector(first + count);
            return;
        }
        // Mended up to the end of the failing page (at least one unit): the cached read
        // failed there as a whole, and the pages behind it may read normally again.
        const std::uint64_t window = std::max<std::uint64_t>(unit_, kCachePageSectors);
        const std::uint64_t pageEnd = (at / window + 1) * window;
        const std::uint64_t end = std::min({pageEnd, first + count, mendEnd});
        MendUnits(at, end, buffer + Bytes(done));
        done = std::uint32_t(end - first);
        storage_->SeekSector(end);
    }
}

void cSectorMender::MendUnits(std::uint64_t at, std::uint64_t end, std::uint8_t* out) {
    while (at < end) {
        const std::uint64_t unitStart = at - at % unit_;
        const std::uint64_t take = std::min(unitStart + unit_, end) - at;
        if (!stopRequested_() && ReadUnit(unitStart, at + take - unitStart)) {
            std::memcpy(out, scratch_.get() + Bytes(at - unitStart), Bytes(take));
        } else {
            std::memset(out, 0, Bytes(take));
            if (!stopRequested_()) {
                found_.Add(at, take);
            }
        }
        out += Bytes(take);
        at += take;
    }
}

// Whether the first `needed` sectors of the unit could be read.
bool cSectorMender::ReadUnit(std::uint64_t unitStart, std::uint64_t needed) {
    if (lastBadUnit_ == unitStart) {
        return false;
    }
    if (storage_->ReadUncached(unitStart, scratch_.get()) >= needed) {
        return true;
    }
    lastBadUnit_ = unitStart;
    return false;
}

cBadRanges cSectorMender::TakeFound() {
    return std::exchange(found_, cBadRanges());
}
