#include "io/flat_io.h"

#include "base/job.h"
#include "base/utf.h"
#include "platform/block_device.h"

#include <algorithm>
#include <cstdint>
#include <optional>

namespace {

// Byte offset of a sector, or nothing when it lies beyond any file offset.
std::optional<std::uint64_t> SectorOffset(std::uint64_t sector) {
    constexpr std::uint64_t kMaxSector = std::uint64_t(INT64_MAX) / kSectorSize;
    if (sector > kMaxSector) {
        return std::nullopt;
    }
    return sector * kSectorSize;
}

} // namespace

std::u16string FileDisplayName(const std::u16string& path) {
    std::size_t end = path.size();
    auto isSeparator = [](char16_t c) { return c == u'\\' || c == u'/'; };
    while (end > 0 && isSeparator(path[end - 1])) {
        --end;
    }
    const std::u16string trimmed = path.substr(0, end);
    std::size_t cut = trimmed.rfind(u'\\');
    if (cut == std::u16string::npos) {
        cut = trimmed.rfind(u'/');
    }
    return cut == std::u16string::npos ? trimmed : trimmed.substr(cut + 1);
}

cFlatIO::~cFlatIO() {
    Close();
}

std::unique_ptr<cBaseIO> cFlatIO::Duplicate() const {
    auto copy = std::make_unique<cFlatIO>();
    if (!copy->Open(&resource_, readOnly_)) {
        return nullptr;
    }
    return copy;
}

std::uint32_t cFlatIO::Reset() {
    file_.Close();
    sectorCount_ = 0;
    return cBaseIO::Reset();
}

std::uint32_t cFlatIO::Close() {
    file_.Close();
    sectorCount_ = 0;
    offset_ = 0;
    return cBaseIO::Close();
}

bool cFlatIO::OpenFile(bool readOnly) {
    platform::StorageFile file;
    if (!file.Open(utf::ToUtf8(path_), !readOnly)) {
        return false;
    }
    const std::optional<std::uint64_t> size = file.Size();
    if (!size) {
        return false;
    }
    // A device node (a partition read as an image) transfers uncached reads only in whole
    // sectors of its own.
    const std::optional<std::uint32_t> sectorSize =
        file.IsBlockDevice() ? platform::LogicalSectorSize(file) : std::nullopt;
    uncachedUnit_ = sectorSize && *sectorSize >= kSectorSize && *sectorSize % kSectorSize == 0
                        ? *sectorSize / kSectorSize
                        : 1;
    file_ = std::move(file);
    readOnly_ = readOnly;
    sectorCount_ = *size / kSectorSize;
    return true;
}

bool cFlatIO::Open(const cBaseIoResource* resource, bool readOnly) {
    Close();
    if (!resource || resource->GetKind() != GetResourceKind()) {
        return false;
    }
    const auto& file = static_cast<const cNamedFileResource&>(*resource);
    path_ = file.Path();
    displayName_ = FileDisplayName(path_);
    if (!OpenFile(readOnly)) {
        Close();
        return false;
    }
    resource_.AssignFrom(file);
    return true;
}

bool cFlatIO::SetReadOnly(bool readOnly) {
    if (readOnly == readOnly_) {
        return true;
    }
    // The new handle is opened before the old one goes, so a refused switch (no write
    // permission, say) leaves the reader open as it was.
    return !path_.empty() && OpenFile(readOnly);
}

std::uint64_t cFlatIO::Create(const cBaseIoResource* resource, std::uint64_t sectorCount,
                              bool keepOpen) {
    if (!resource || resource->GetKind() != GetResourceKind()) {
        return 0;
    }
    const auto& file = static_cast<const cNamedFileResource&>(*resource);
    Close();
    const std::optional<std::uint64_t> bytes = SectorOffset(sectorCount);
    platform::StorageFile created;
    if (!bytes || !created.Create(utf::ToUtf8(file.Path())) || !created.Truncate(*bytes)) {
        return 0;
    }
    if (keepOpen) {
        file_ = std::move(created);
        sectorCount_ = sectorCount;
        readOnly_ = false;
        path_ = file.Path();
        displayName_ = file.Path();
        resource_.AssignFrom(file);
    }
    return sectorCount;
}

std::int64_t cFlatIO::SeekSector(std::uint64_t sector) {
    const std::optional<std::uint64_t> offset = SectorOffset(sector);
    if (!offset || !file_.IsOpen()) {
        return -1;
    }
    offset_ = *offset;
    return std::int64_t(sector);
}

std::uint32_t cFlatIO::ReadSectors(void* buffer, std::uint32_t count, cReadNotify* notify) {
    cJob::ThrowIfAborted();
    if (notify) {
        notify->OnTransferStart();
    }
    const std::size_t got = file_.ReadAt(buffer, std::size_t(count) * kSectorSize, offset_);
    offset_ += got;
    return std::uint32_t(got / kSectorSize);
}

std::uint32_t cFlatIO::ReadUncached(std::uint64_t first, void* buffer) {
    cJob::ThrowIfAborted();
    if (SeekSector(first) < 0 || first % uncachedUnit_ != 0) {
        return 0;
    }
    const std::size_t got =
        file_.ReadUncachedAt(buffer, std::size_t(uncachedUnit_) * kSectorSize, offset_);
    offset_ += got;
    return std::uint32_t(got / kSectorSize);
}

std::uint32_t cFlatIO::WriteSectors(std::uint64_t first, const void* buffer, std::uint32_t count) {
    if (readOnly_ || first >= sectorCount_) {
        return 0;
    }
    const std::uint32_t n = std::uint32_t(std::min<std::uint64_t>(count, sectorCount_ - first));
    if (SeekSector(first) < 0) {
        return 0;
    }
    const std::size_t put = file_.WriteAt(buffer, std::size_t(n) * kSectorSize, offset_);
    offset_ += put;
    return std::uint32_t(put / kSectorSize);
}

bool cFlatIO::ReadBytes(void* buffer, std::uint64_t offset, std::uint32_t length) {
    if (length == 0) {
        return true;
    }
    if (!buffer) {
        return false;
    }
    cJob::ThrowIfAborted();
    const std::size_t got = file_.ReadAt(buffer, length, offset);
    offset_ = offset + got;
    return got == length;
}

bool cFlatIO::WriteBytes(const void* buffer, std::uint64_t offset, std::uint32_t length) {
    const std::uint64_t end = sectorCount_ * kSectorSize;
    if (readOnly_ || offset >= end || !buffer) {
        return false;
    }
    const std::uint32_t cut = std::uint32_t(std::min<std::uint64_t>(length, end - offset));
    const std::size_t put = file_.WriteAt(buffer, cut, offset);
    offset_ = offset + put;
    return put == length;
}

bool cFlatIO::SetSectorCount(std::uint64_t count) {
    const std::optional<std::uint64_t> bytes = SectorOffset(count);
    if (readOnly_ || !bytes || !file_.Truncate(*bytes)) {
        return false;
    }
    sectorCount_ = count;
    return true;
}

std::uint64_t cFlatIO::GetByteSize() const {
    return file_.Size().value_or(0);
}

bool cFlatIO::GetName(std::u16string& name) const {
    name = path_;
    return true;
}
