#include "io/win_hd_io.h"

#include "base/job.h"
#include "base/utf.h"
#include "io/device_suffix.h"

#include <algorithm>
#include <cstring>

cWinHDIO::cWinHDIO(cDeviceProvider& devices) : devices_(devices) {}

cWinHDIO::~cWinHDIO() {
    Close();
}

std::unique_ptr<cWinHDIO> cWinHDIO::MakeEmpty() const {
    return std::make_unique<cWinHDIO>(devices_);
}

std::string cWinHDIO::DevicePath(std::uint32_t number) const {
    return devices_.DrivePath(number);
}

std::unique_ptr<cBaseIO> cWinHDIO::Duplicate() const {
    std::unique_ptr<cWinHDIO> copy = MakeEmpty();
    if (!copy->Open(&resource_, readOnly_)) {
        return nullptr;
    }
    // Drive numbers follow the devices present; when one came or went since this reader
    // was opened, the number may name another drive now, and a duplicate reading the
    // wrong drive would be worse than none.
    if (copy->Path() != path_) {
        return nullptr;
    }
    return copy;
}

std::uint32_t cWinHDIO::Reset() {
    device_.reset();
    sectorCount_ = 0;
    return cBaseIO::Reset();
}

std::uint32_t cWinHDIO::Close() {
    device_.reset();
    sectorCount_ = 0;
    pointer_ = position_ = alignedPosition_ = 0;
    return cBaseIO::Close();
}

bool cWinHDIO::SetReadOnly(bool readOnly) {
    if (readOnly == readOnly_) {
        return true;
    }
    if (path_.empty()) {
        return false;
    }
    // The reader stays open as it was when the other mode is refused.
    std::unique_ptr<cBlockDevice> device = devices_.Open(utf::ToUtf8(path_), !readOnly);
    if (!device) {
        return false;
    }
    device_ = std::move(device);
    readOnly_ = readOnly;
    return true;
}

bool cWinHDIO::Open(const cBaseIoResource* resource, bool readOnly) {
    Close();
    if (!resource || resource->GetKind() != GetResourceKind()) {
        return false;
    }
    resource_.AssignFrom(*resource);
    const std::string path = DevicePath(resource_.Number());
    std::unique_ptr<cBlockDevice> device = path.empty() ? nullptr : devices_.Open(path, !readOnly);
    if (!device) {
        return false;
    }
    const std::optional<cDeviceGeometry> geometry = device->Geometry();
    if (!geometry || geometry->bytesPerSector < kSectorSize ||
        geometry->bytesPerSector % kSectorSize != 0) {
        return false;
    }
    descriptor_ = HasDescriptor() ? device->Descriptor() : std::nullopt;
    removable_ = HasDescriptor() ? descriptor_ && descriptor_->removable : true;
    bytesPerSector_ = geometry->bytesPerSector;
    unitsPerSector_ = bytesPerSector_ / kSectorSize;
    sectorsPerTrack_ = geometry->sectorsPerTrack;
    heads_ = geometry->heads;
    sectorCount_ = geometry->cylinders * heads_ * sectorsPerTrack_ * unitsPerSector_;
    if (const std::optional<std::uint64_t> length = device->Length()) {
        sectorCount_ = *length / kSectorSize;
    }
    device_ = std::move(device);
    readOnly_ = readOnly;
    path_ = utf::FromUtf8(path);
    GetName(displayName_);
    return true;
}

std::int64_t cWinHDIO::SeekSector(std::uint64_t sector) {
    if (!device_) {
        return -1;
    }
    sector = std::min(sector, sectorCount_);
    if (unitsPerSector_ <= 1) {
        pointer_ = sector * kSectorSize;
        position_ = sector;
        return std::int64_t(position_);
    }
    alignedPosition_ = sector - sector % unitsPerSector_;
    pointer_ = alignedPosition_ * kSectorSize;
    position_ = sector;
    return std::int64_t(sector);
}

std::size_t cWinHDIO::ReadAtPointer(void* buffer, std::size_t size) {
    const std::size_t got = device_->ReadAt(buffer, size, pointer_);
    pointer_ += got;
    return got;
}

std::uint32_t cWinHDIO::ReadSectors(void* buffer, std::uint32_t count, cReadNotify* notify) {
    cJob::ThrowIfAborted();
    if (!device_ || count == 0 || position_ >= sectorCount_) {
        return 0;
    }
    if (notify) {
        notify->OnTransferStart();
    }
    std::uint32_t n = std::uint32_t(std::min<std::uint64_t>(count, sectorCount_ - position_));
    auto* out = static_cast<std::uint8_t*>(buffer);
    if (unitsPerSector_ > 1) {
        return ReadLargeSectors(out, n);
    }
    std::uint32_t done = 0;
    while (n > 0) {
        const std::size_t got = ReadAtPointer(out, std::size_t(n) * kSectorSize);
        const std::uint32_t units = std::uint32_t(got / kSectorSize);
        if (units == 0) {
            break;
        }
        out += std::size_t(units) * kSectorSize;
        done += units;
        n -= units;
        SeekSector(position_ + units);
    }
    return done;
}

// A drive with physical sectors of u units is read in whole physical sectors: a partial
// head sector through the sector buffer, the whole sectors of the middle in one request
// straight into the caller's buffer, and a partial tail sector through the buffer again.
std::uint32_t cWinHDIO::ReadLargeSectors(std::uint8_t* out, std::uint32_t n) {
    const std::uint32_t u = unitsPerSector_;
    sectorBuffer_.resize(bytesPerSector_);
    std::uint32_t done = 0;
    if (position_ != alignedPosition_) {
        if (ReadAtPointer(sectorBuffer_.data(), bytesPerSector_) != bytesPerSector_) {
            return 0;
        }
        const std::uint32_t skip = std::uint32_t(position_ - alignedPosition_);
        const std::uint32_t take = std::min(u - skip, n);
        std::memcpy(out, sectorBuffer_.data() + std::size_t(skip) * kSectorSize,
                    std::size_t(take) * kSectorSize);
        position_ += take;
        out += std::size_t(take) * kSectorSize;
        n -= take;
        done = take;
    }
    const std::uint32_t whole = n / u;
    if (whole > 0) {
        const std::size_t bytes = std::size_t(whole) * bytesPerSector_;
        if (ReadAtPointer(out, bytes) != bytes) {
            SeekSector(position_);
            return done;
        }
        position_ += std::uint64_t(whole) * u;
        out += bytes;
        n -= whole * u;
        done += whole * u;
    }
    if (n > 0) {
        if (ReadAtPointer(sectorBuffer_.data(), bytesPerSector_) != bytesPerSector_) {
            SeekSector(position_);
            return done;
        }
        std::memcpy(out, sectorBuffer_.data(), std::size_t(n) * kSectorSize);
        position_ += n;
        done += n;
    }
    SeekSector(position_);
    return done;
}

std::uint32_t cWinHDIO::UncachedUnit() const {
    return std::max<std::uint32_t>(unitsPerSector_, 1);
}

std::uint32_t cWinHDIO::ReadUncached(std::uint64_t first, void* buffer) {
    cJob::ThrowIfAborted();
    const std::uint32_t unit = UncachedUnit();
    if (!device_ || first >= sectorCount_ || first % unit != 0) {
        return 0;
    }
    const std::size_t got =
        device_->ReadUncachedAt(buffer, std::size_t(unit) * kSectorSize, first * kSectorSize);
    const auto units =
        std::uint32_t(std::min<std::uint64_t>(got / kSectorSize, sectorCount_ - first));
    SeekSector(first + units);
    return units;
}

std::uint32_t cWinHDIO::WriteSectors(std::uint64_t first, const void* buffer, std::uint32_t count) {
    if (!device_ || readOnly_ || first >= sectorCount_) {
        return 0;
    }
    const std::uint32_t n = std::uint32_t(std::min<std::uint64_t>(count, sectorCount_ - first));
    // Written at the unit asked for, never at the start of its physical sector: the
    // device pointer of the large-sector read path must not steer writes.
    SeekSector(first);
    const std::size_t put =
        device_->WriteAt(buffer, std::size_t(n) * kSectorSize, first * kSectorSize);
    return std::uint32_t(put / kSectorSize);
}

bool cWinHDIO::GetGeometry(cDiskGeometry& geometry) const {
    geometry = cDiskGeometry{bytesPerSector_, sectorsPerTrack_, heads_};
    return true;
}

bool cWinHDIO::GetName(std::u16string& name) const {
    if (!device_) {
        return false;
    }
    name = utf::FromAscii("Drive" + std::to_string(resource_.Number())) + DeviceSuffix(descriptor_);
    return true;
}

std::unique_ptr<cWinHDIO> cWinFloppyIO::MakeEmpty() const {
    return std::make_unique<cWinFloppyIO>(Devices());
}

std::string cWinFloppyIO::DevicePath(std::uint32_t letter) const {
    return Devices().FloppyPath(letter);
}

bool cWinFloppyIO::GetName(std::u16string& name) const {
    if (!IsOpen()) {
        return false;
    }
    name = u"Drive ";
    name += char16_t(Resource().Number());
    name += u':';
    return true;
}
