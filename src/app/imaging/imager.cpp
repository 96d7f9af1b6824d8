#include "app/imaging/imager.h"

#include "io/base_io.h"
#include "platform/clock.h"

#include <algorithm>

namespace imaging {
namespace {

constexpr std::uint64_t kSectorBytes = 512;
// A failed read through the system's cache fails the whole page around the bad sector.
constexpr std::uint64_t kPageSectors = 8;
// Consecutive failures pass over at most this much at once (64 MiB).
constexpr std::uint64_t kMaxSkipSectors = 131072;

} // namespace

cImager::cImager(cBaseIO& source, cImageTarget& target, cImageMap& map, cOptions options)
    : source_(source), target_(target), map_(map), options_(options) {
    options_.blockSectors = std::max<std::uint32_t>(options_.blockSectors, 1);
    options_.returnSectors = std::max<std::uint32_t>(options_.returnSectors, 1);
    buffer_.resize(std::max(options_.blockSectors, options_.returnSectors) * kSectorBytes);
}

std::uint32_t cImager::ReadInto(std::uint64_t first, std::uint32_t count) {
    if (source_.SeekSector(first) != std::int64_t(first)) {
        return 0;
    }
    const std::uint32_t got = std::min(source_.ReadSectors(buffer_.data(), count), count);
    if (got > 0) {
        if (!target_.Write(first, buffer_.data(), got)) {
            failed_ = true;
            return 0;
        }
        map_.Set(first, got, eState::kGood);
    }
    return got;
}

std::uint64_t cImager::MarkFailing(std::uint64_t sector, std::uint64_t end) {
    const std::uint64_t pageEnd = std::min(end, (sector / kPageSectors + 1) * kPageSectors);
    map_.Set(sector, pageEnd - sector, eState::kFailing);
    return pageEnd;
}

bool cImager::Forward() {
    std::uint64_t skip = 0;
    std::uint64_t sector = 0;
    while (const std::optional<cMapRange> range = map_.Next(eState::kUntried, sector)) {
        sector = std::max(sector, range->first);
        while (sector < range->End()) {
            const auto count = std::uint32_t(
                std::min<std::uint64_t>(options_.blockSectors, range->End() - sector));
            const std::uint32_t got = ReadInto(sector, count);
            if (failed_) {
                return false;
            }
            if (got == count) {
                sector += count;
                skip = 0;
            } else {
                // The rest of the block, and further while failures follow each other,
                // waits for the return pass.
                const std::uint64_t after = MarkFailing(sector + got, range->End());
                const std::uint64_t to =
                    std::min(range->End(), std::max(after, sector + count) + skip);
                map_.Set(after, to - after, eState::kSkipped);
                sector = to;
                skip = std::min(skip == 0 ? options_.blockSectors : skip * 2, kMaxSkipSectors);
            }
            if (!Checkpoint(false)) {
                return false;
            }
        }
    }
    return true;
}

bool cImager::Return() {
    std::uint64_t sector = 0;
    while (const std::optional<cMapRange> range = map_.Next(eState::kSkipped, sector)) {
        sector = std::max(sector, range->first);
        while (sector < range->End()) {
            const auto count = std::uint32_t(
                std::min<std::uint64_t>(options_.returnSectors, range->End() - sector));
            const std::uint32_t got = ReadInto(sector, count);
            if (failed_) {
                return false;
            }
            sector = got == count ? sector + count : MarkFailing(sector + got, range->End());
            if (!Checkpoint(false)) {
                return false;
            }
        }
    }
    return true;
}

bool cImager::SectorBySector(eState from) {
    const std::uint64_t unit = std::max<std::uint32_t>(source_.UncachedUnit(), 1);
    std::vector<std::uint8_t> buffer(unit * kSectorBytes);
    std::uint64_t sector = 0;
    while (const std::optional<cMapRange> range = map_.Next(from, sector)) {
        sector = std::max(sector, range->first);
        while (sector < range->End()) {
            const std::uint64_t unitStart = sector / unit * unit;
            const std::uint64_t got =
                std::min<std::uint64_t>(source_.ReadUncached(unitStart, buffer.data()), unit);
            // Only the sectors of the range are decided here; the unit's others keep theirs.
            const std::uint64_t end = std::min(range->End(), unitStart + unit);
            const std::uint64_t goodEnd = std::clamp(unitStart + got, sector, end);
            if (goodEnd > sector) {
                if (!target_.Write(sector, buffer.data() + (sector - unitStart) * kSectorBytes,
                                   std::uint32_t(goodEnd - sector))) {
                    return false;
                }
                map_.Set(sector, goodEnd - sector, eState::kGood);
            }
            map_.Set(goodEnd, end - goodEnd, eState::kBad);
            sector = end;
            if (!Checkpoint(false)) {
                return false;
            }
        }
    }
    return true;
}

bool cImager::Checkpoint(bool force) {
    const std::uint64_t now = platform::MonotonicMilliseconds();
    if (!force && now - lastSaveMs_ < options_.saveEveryMs) {
        return true;
    }
    lastSaveMs_ = now;
    if (!target_.Sync() || !(*save_)(map_)) {
        failed_ = true;
        return false;
    }
    cProgress progress;
    progress.pass = pass_;
    progress.rescuedBytes = map_.Count(eState::kGood) * kSectorBytes;
    progress.badBytes = map_.Count(eState::kBad) * kSectorBytes;
    progress.leftBytes = (map_.Count(eState::kUntried) + map_.Count(eState::kSkipped) +
                          map_.Count(eState::kFailing)) *
                         kSectorBytes;
    const std::uint64_t elapsed = now - startMs_;
    const std::uint64_t done = progress.rescuedBytes - rescuedAtStart_ * kSectorBytes;
    progress.bytesPerSecond = elapsed > 0 ? done * 1000 / elapsed : 0;
    progress.secondsLeft =
        progress.bytesPerSecond > 0 ? progress.leftBytes / progress.bytesPerSecond : 0;
    return (*progress_)(progress);
}

bool cImager::Run(const SaveMap& save, const Progress& progress) {
    save_ = &save;
    progress_ = &progress;
    failed_ = false;
    startMs_ = lastSaveMs_ = platform::MonotonicMilliseconds();
    rescuedAtStart_ = map_.Count(eState::kGood);
    pass_ = 1;
    if (!Forward() || !Checkpoint(true)) {
        return false;
    }
    pass_ = 2;
    if (!Return() || !Checkpoint(true)) {
        return false;
    }
    pass_ = 3;
    if (!SectorBySector(eState::kFailing) || !Checkpoint(true)) {
        return false;
    }
    pass_ = 4;
    for (std::uint32_t retry = 0; retry < options_.retries && map_.Count(eState::kBad) > 0;
         ++retry) {
        if (!SectorBySector(eState::kBad) || !Checkpoint(true)) {
            return false;
        }
    }
    return !failed_;
}

} // namespace imaging
