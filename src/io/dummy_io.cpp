#include "io/dummy_io.h"

#include "base/job.h"

#include <cstring>
#include <limits>

std::unique_ptr<cBaseIO> cDummyIO::Duplicate() const {
    auto copy = std::make_unique<cDummyIO>();
    copy->Open(nullptr, true);
    return copy;
}

bool cDummyIO::IsSameStorage(const cBaseIO* other) const {
    return other && other->GetStorageKind() == GetStorageKind();
}

bool cDummyIO::Open(const cBaseIoResource*, bool) {
    displayName_ = u"Unoperable";
    path_ = u"n/a";
    readOnly_ = true;
    return true;
}

std::int64_t cDummyIO::SeekSector(std::uint64_t sector) {
    return sector > std::uint64_t(std::numeric_limits<std::int64_t>::max()) ? -1
                                                                            : std::int64_t(sector);
}

std::uint32_t cDummyIO::ReadSectors(void* buffer, std::uint32_t count, cReadNotify* notify) {
    cJob::ThrowIfAborted();
    std::memset(buffer, 0, std::size_t(count) * kSectorSize);
    if (notify) {
        notify->OnPiece(0, count, false);
    }
    return count;
}

std::uint64_t cDummyIO::GetSectorCount() const {
    return std::numeric_limits<std::uint64_t>::max();
}
