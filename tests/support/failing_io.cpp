#include "failing_io.h"

#include <algorithm>

cFailingIO::cFailingIO(std::unique_ptr<cBaseIO> inner, std::uint32_t cachedPage,
                       std::uint32_t uncachedUnit)
    : cFailingIO(std::move(inner), std::make_shared<Shared>(), cachedPage, uncachedUnit) {}

cFailingIO::cFailingIO(std::unique_ptr<cBaseIO> inner, std::shared_ptr<Shared> shared,
                       std::uint32_t cachedPage, std::uint32_t uncachedUnit)
    : inner_(std::move(inner)), shared_(std::move(shared)),
      cachedPage_(std::max<std::uint32_t>(cachedPage, 1)),
      uncachedUnit_(std::max<std::uint32_t>(uncachedUnit, 1)) {
    displayName_ = inner_->DisplayName();
    path_ = inner_->Path();
}

void cFailingIO::FailSectors(std::uint64_t first, std::uint64_t count) {
    const std::lock_guard lock(shared_->lock);
    for (std::uint64_t i = 0; i < count; ++i) {
        shared_->failing.insert(first + i);
    }
}

std::vector<cFailingIO::cRead> cFailingIO::Reads() const {
    const std::lock_guard lock(shared_->lock);
    return shared_->reads;
}

void cFailingIO::ClearReads() {
    const std::lock_guard lock(shared_->lock);
    shared_->reads.clear();
}

std::unique_ptr<cBaseIO> cFailingIO::Duplicate() const {
    std::unique_ptr<cBaseIO> inner = inner_->Duplicate();
    if (!inner) {
        return nullptr;
    }
    return std::unique_ptr<cBaseIO>(
        new cFailingIO(std::move(inner), shared_, cachedPage_, uncachedUnit_));
}

std::int64_t cFailingIO::SeekSector(std::uint64_t sector) {
    position_ = sector;
    return inner_->SeekSector(sector);
}

std::uint32_t cFailingIO::ReadSectors(void* buffer, std::uint32_t count, cReadNotify* notify) {
    Log(position_, count, false);
    std::uint32_t n = count;
    if (const auto bad = FirstFailing(position_, count)) {
        const std::uint64_t pageStart = *bad - *bad % cachedPage_;
        n = std::uint32_t(std::max(pageStart, position_) - position_);
    }
    const std::uint32_t got = n == 0 ? 0 : inner_->ReadSectors(buffer, n, notify);
    position_ += got;
    return got;
}

std::uint32_t cFailingIO::ReadUncached(std::uint64_t first, void* buffer) {
    Log(first, uncachedUnit_, true);
    if (first % uncachedUnit_ != 0 || FirstFailing(first, uncachedUnit_)) {
        SeekSector(first);
        return 0;
    }
    SeekSector(first);
    const std::uint32_t got = inner_->ReadSectors(buffer, uncachedUnit_);
    position_ += got;
    return got;
}

std::optional<std::uint64_t> cFailingIO::FirstFailing(std::uint64_t first,
                                                      std::uint64_t count) const {
    const std::lock_guard lock(shared_->lock);
    const auto bad = shared_->failing.lower_bound(first);
    if (bad == shared_->failing.end() || *bad - first >= count) {
        return std::nullopt;
    }
    return *bad;
}

void cFailingIO::Log(std::uint64_t first, std::uint32_t count, bool uncached) {
    const std::lock_guard lock(shared_->lock);
    shared_->reads.push_back(cRead{first, count, uncached});
}
