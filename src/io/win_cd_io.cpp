#include "io/win_cd_io.h"

#include "base/job.h"
#include "base/utf.h"
#include "io/device_suffix.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

cWinCDIO::cWinCDIO(cDeviceProvider& devices) : devices_(devices) {}

cWinCDIO::~cWinCDIO() {
    Close();
}

std::unique_ptr<cBaseIO> cWinCDIO::Duplicate() const {
    auto copy = std::make_unique<cWinCDIO>(devices_);
    if (!copy->Open(&resource_, readOnly_)) {
        return nullptr;
    }
    return copy;
}

std::uint32_t cWinCDIO::Reset() {
    device_.reset();
    sectorCount_ = 0;
    cachedBlock_ = kNoBlock;
    return cBaseIO::Reset();
}

std::uint32_t cWinCDIO::Close() {
    device_.reset();
    sectorCount_ = 0;
    position_ = 0;
    cachedBlock_ = kNoBlock;
    return cBaseIO::Close();
}

bool cWinCDIO::Open(const cBaseIoResource* resource, bool readOnly) {
    Close();
    if (!resource || resource->GetKind() != GetResourceKind() || !readOnly) {
        return false;
    }
    resource_.AssignFrom(*resource);
    const std::string path = devices_.CdPath(resource_.Number());
    if (path.empty() || !devices_.IsCdDrive(path)) {
        return false;
    }
    // READ CD is a read command: a read-only handle may send it.
    std::unique_ptr<cBlockDevice> device = devices_.Open(path, false);
    if (!device) {
        return false;
    }
    const std::optional<cDeviceGeometry> geometry = device->Geometry();
    if (!geometry) {
        return false;
    }
    unitsPerBlock_ = geometry->bytesPerSector / kSectorSize;
    if (unitsPerBlock_ == 0) {
        return false;
    }
    bytesPerBlock_ = unitsPerBlock_ * kSectorSize;
    sectorsPerTrack_ = geometry->sectorsPerTrack;
    heads_ = geometry->heads;
    sectorCount_ = std::uint64_t(unitsPerBlock_) * heads_ * sectorsPerTrack_ * geometry->cylinders;
    if (const std::optional<std::uint64_t> length = device->Length()) {
        sectorCount_ = *length / kSectorSize;
    }
    block_.assign(bytesPerBlock_, 0);
    rawBlock_.assign(std::max<std::size_t>(cBlockDevice::kRawCdTransfer, bytesPerBlock_), 0);
    descriptor_ = device->Descriptor();
    device_ = std::move(device);
    path_ = utf::FromUtf8(path);
    displayName_ = path_;
    return true;
}

std::int64_t cWinCDIO::SeekSector(std::uint64_t sector) {
    position_ = std::min(sector, sectorCount_);
    return std::int64_t(sector);
}

// A failed read may have overwritten part of the buffer, so the cache forgets its block.
bool cWinCDIO::LoadBlock(std::uint64_t block) {
    if (block == cachedBlock_) {
        return true;
    }
    cachedBlock_ = kNoBlock;
    if (device_->ReadAt(block_.data(), bytesPerBlock_, block * bytesPerBlock_) != bytesPerBlock_) {
        return false;
    }
    cachedBlock_ = block;
    return true;
}

bool cWinCDIO::LoadBlockRaw(std::uint64_t block) {
    if (block == cachedBlock_) {
        return true;
    }
    cachedBlock_ = kNoBlock;
    if (block > 0xFFFFFFFFu) {
        return false; // READ CD addresses blocks with 32 bits
    }
    const std::optional<std::size_t> got =
        device_->ReadCdBlock(std::uint32_t(block), rawBlock_.data());
    if (!got || *got < bytesPerBlock_) {
        return false;
    }
    std::memcpy(block_.data(), rawBlock_.data(), bytesPerBlock_);
    cachedBlock_ = block;
    return true;
}

bool cWinCDIO::ReadUnit(std::uint64_t unit, std::uint8_t* out, bool raw) {
    const std::uint64_t block = unit / unitsPerBlock_;
    if (!(raw ? LoadBlockRaw(block) : LoadBlock(block))) {
        return false;
    }
    std::memcpy(out, block_.data() + (unit % unitsPerBlock_) * kSectorSize, kSectorSize);
    return true;
}

std::uint32_t cWinCDIO::ReadSectors(void* buffer, std::uint32_t count, cReadNotify* notify) {
    cJob::ThrowIfAborted();
    if (!device_ || count == 0 || position_ >= sectorCount_) {
        return 0;
    }
    if (notify) {
        notify->OnTransferStart();
    }
    const std::uint32_t n = std::uint32_t(std::min<std::uint64_t>(count, sectorCount_ - position_));
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::uint32_t done = 0;
    while (done < n && ReadUnit(position_ + done, out + std::size_t(done) * kSectorSize, false)) {
        ++done;
    }
    // Each raw request may take its full time-out on a bad disc; the walk ends at the first
    // block the drive cannot give either way.
    while (done < n && ReadUnit(position_ + done, out + std::size_t(done) * kSectorSize, true)) {
        cJob::ThrowIfAborted();
        ++done;
    }
    position_ += done;
    return done;
}

bool cWinCDIO::GetGeometry(cDiskGeometry& geometry) const {
    geometry = cDiskGeometry{bytesPerBlock_, sectorsPerTrack_, heads_};
    return true;
}

bool cWinCDIO::GetName(std::u16string& name) const {
    if (!device_) {
        return false;
    }
    char size[64];
    std::snprintf(size, sizeof size, " (%.02fGB)", double(sectorCount_ / 20972) / 100.0);
    name = utf::FromAscii("Drive sr" + std::to_string(resource_.Number()) + ": (CD/DVD) ") +
           DeviceSuffix(descriptor_) + utf::FromAscii(size);
    return true;
}
