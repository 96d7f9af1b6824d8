#include "mem_io.h"

#include <algorithm>
#include <cstring>

cMemIO::cMemIO(std::vector<std::uint8_t> bytes, std::uint32_t bytesPerSector)
    : cMemIO(std::make_shared<Shared>(Shared{std::move(bytes), {}, bytesPerSector})) {}

cMemIO::cMemIO(const std::uint8_t* data, std::size_t size)
    : cMemIO(std::vector<std::uint8_t>(data, data + size)) {}

cMemIO::cMemIO(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {
    displayName_ = u"Memory";
    path_ = u"memory";
}

void cMemIO::FailSectors(std::uint64_t first, std::uint64_t count) {
    for (std::uint64_t i = 0; i < count; ++i) {
        shared_->failing.insert(first + i);
    }
}

std::unique_ptr<cBaseIO> cMemIO::Duplicate() const {
    auto copy = std::unique_ptr<cMemIO>(new cMemIO(shared_));
    copy->readOnly_ = readOnly_;
    return copy;
}

bool cMemIO::IsSameStorage(const cBaseIO* other) const {
    const auto* mem = dynamic_cast<const cMemIO*>(other);
    return mem && mem->shared_ == shared_;
}

std::uint32_t cMemIO::Close() {
    position_ = 0;
    return cBaseIO::Close();
}

bool cMemIO::SetReadOnly(bool readOnly) {
    readOnly_ = readOnly;
    return true;
}

std::int64_t cMemIO::SeekSector(std::uint64_t sector) {
    position_ = sector;
    return std::int64_t(sector);
}

std::uint32_t cMemIO::ReadSectors(void* buffer, std::uint32_t count, cReadNotify* notify) {
    reads_.emplace_back(position_, count);
    if (notify) {
        notify->OnTransferStart();
    }
    const std::uint64_t total = GetSectorCount();
    if (position_ >= total) {
        return 0;
    }
    std::uint32_t n = std::uint32_t(std::min<std::uint64_t>(count, total - position_));
    const auto bad = shared_->failing.lower_bound(position_);
    if (bad != shared_->failing.end() && *bad - position_ < n) {
        n = std::uint32_t(*bad - position_);
    }
    std::memcpy(buffer, shared_->bytes.data() + position_ * kSectorSize,
                std::size_t(n) * kSectorSize);
    position_ += n;
    return n;
}

std::uint32_t cMemIO::WriteSectors(std::uint64_t first, const void* buffer, std::uint32_t count) {
    writes_.emplace_back(first, count);
    const std::uint64_t total = GetSectorCount();
    if (readOnly_ || first >= total) {
        return 0;
    }
    const std::uint32_t n = std::uint32_t(std::min<std::uint64_t>(count, total - first));
    std::memcpy(shared_->bytes.data() + first * kSectorSize, buffer, std::size_t(n) * kSectorSize);
    return n;
}

std::uint64_t cMemIO::GetSectorCount() const {
    return shared_->bytes.size() / kSectorSize;
}

bool cMemIO::GetGeometry(cDiskGeometry& geometry) const {
    geometry = cDiskGeometry{};
    geometry.bytesPerSector = shared_->bytesPerSector;
    return true;
}

bool cMemIO::GetName(std::u16string& name) const {
    name = displayName_;
    return true;
}
