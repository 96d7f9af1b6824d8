#include "io/unreadable_io.h"

#include <algorithm>

cUnreadableIO::cUnreadableIO(std::unique_ptr<cBaseIO> inner, std::vector<cSectorRun> runs)
    : cUnreadableIO(std::move(inner),
                    std::make_shared<const std::vector<cSectorRun>>(std::move(runs))) {}

cUnreadableIO::cUnreadableIO(std::unique_ptr<cBaseIO> inner,
                             std::shared_ptr<const std::vector<cSectorRun>> runs)
    : inner_(std::move(inner)), runs_(std::move(runs)) {
    readOnly_ = inner_->IsReadOnly();
    displayName_ = inner_->DisplayName();
    path_ = inner_->Path();
}

std::unique_ptr<cBaseIO> cUnreadableIO::Duplicate() const {
    std::unique_ptr<cBaseIO> inner = inner_->Duplicate();
    if (!inner) {
        return nullptr;
    }
    return std::unique_ptr<cBaseIO>(new cUnreadableIO(std::move(inner), runs_));
}

bool cUnreadableIO::IsSameStorage(const cBaseIO* other) const {
    const auto* wrapped = dynamic_cast<const cUnreadableIO*>(other);
    return inner_->IsSameStorage(wrapped ? wrapped->inner_.get() : other);
}

bool cUnreadableIO::GetGeometry(cDiskGeometry& geometry) const {
    return inner_->GetGeometry(geometry);
}

std::uint64_t cUnreadableIO::ReadableFrom(std::uint64_t first, std::uint64_t count) const {
    // The first run that ends after first.
    const auto run = std::upper_bound(
        runs_->begin(), runs_->end(), first,
        [](std::uint64_t sector, const cSectorRun& r) { return sector < r.first + r.count; });
    if (run == runs_->end() || run->first - std::min(run->first, first) >= count) {
        return count;
    }
    return run->first > first ? run->first - first : 0;
}

std::int64_t cUnreadableIO::SeekSector(std::uint64_t sector) {
    const std::int64_t at = inner_->SeekSector(sector);
    position_ = at < 0 ? sector : std::uint64_t(at);
    return at;
}

std::uint32_t cUnreadableIO::ReadSectors(void* buffer, std::uint32_t count, cReadNotify* notify) {
    const auto readable = std::uint32_t(ReadableFrom(position_, count));
    const std::uint32_t got = readable == 0 ? 0 : inner_->ReadSectors(buffer, readable, notify);
    position_ += got;
    return got;
}

std::uint32_t cUnreadableIO::ReadUncached(std::uint64_t first, void* buffer) {
    const std::uint32_t unit = std::max<std::uint32_t>(inner_->UncachedUnit(), 1);
    if (ReadableFrom(first, unit) < unit) {
        SeekSector(first);
        return 0;
    }
    const std::uint32_t got = inner_->ReadUncached(first, buffer);
    position_ = first + got;
    return got;
}
