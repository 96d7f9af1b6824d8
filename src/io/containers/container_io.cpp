#include "io/containers/container_io.h"

#include <algorithm>
#include <cstring>
#include <limits>

cContainerIO::~cContainerIO() = default;

cBaseIO& cContainerIO::Carrier() const {
    return *resource_->Reader();
}

bool cContainerIO::ReadCarrier(void* buffer, std::uint64_t offset, std::uint32_t length) const {
    return Carrier().ReadBytes(buffer, offset, length);
}

std::uint64_t cContainerIO::CarrierBytes() const {
    return Carrier().GetByteSize();
}

std::unique_ptr<cBaseIO> cContainerIO::Duplicate() const {
    if (!resource_) {
        return nullptr;
    }
    std::unique_ptr<cContainerIO> copy = MakeEmpty();
    if (!copy->Open(&*resource_, readOnly_)) {
        return nullptr;
    }
    return copy;
}

std::uint32_t cContainerIO::Reset() {
    return Close();
}

std::uint32_t cContainerIO::Close() {
    CloseFormat();
    resource_.reset();
    sectorCount_ = 0;
    position_ = 0;
    return cBaseIO::Close();
}

bool cContainerIO::SetReadOnly(bool readOnly) {
    if (readOnly == readOnly_) {
        return true;
    }
    if (!resource_ || (!readOnly && !Writable()) || !Carrier().SetReadOnly(readOnly)) {
        return false;
    }
    readOnly_ = readOnly;
    return true;
}

bool cContainerIO::Open(const cBaseIoResource* resource, bool readOnly) {
    Close();
    if (!resource || resource->GetKind() != GetResourceKind()) {
        return false;
    }
    resource_.emplace();
    if (!resource_->AssignFrom(*resource) ||
        (!readOnly && (!Writable() || Carrier().IsReadOnly()))) {
        Close();
        return false;
    }
    readOnly_ = readOnly;
    displayName_ = Carrier().DisplayName();
    path_ = Carrier().Path();
    if (!OpenFormat()) {
        Close();
        return false;
    }
    return true;
}

const cBaseIoResource* cContainerIO::GetResource() const {
    return resource_ ? &*resource_ : nullptr;
}

bool cContainerIO::GetName(std::u16string& name) const {
    if (!resource_) {
        return false;
    }
    name = Carrier().Path();
    return true;
}

std::int64_t cContainerIO::SeekSector(std::uint64_t sector) {
    position_ = std::min(sector, sectorCount_);
    return std::int64_t(position_);
}

std::uint32_t cContainerIO::ReadSectors(void* buffer, std::uint32_t count, cReadNotify* notify) {
    if (!resource_ || position_ >= sectorCount_) {
        return 0;
    }
    const std::uint32_t wanted =
        std::uint32_t(std::min<std::uint64_t>(count, sectorCount_ - position_));
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::uint32_t done = 0;
    while (done < wanted) {
        const cPiece piece = Locate(position_, wanted - done, false);
        if (piece.kind == cPiece::eKind::kFailed || piece.count == 0 ||
            piece.count > wanted - done) {
            break;
        }
        std::uint8_t* to = out + std::size_t(done) * kSectorSize;
        const std::size_t bytes = std::size_t(piece.count) * kSectorSize;
        std::uint32_t got = piece.count;
        switch (piece.kind) {
        case cPiece::eKind::kStored:
            got = Carrier().SeekSector(piece.carrierSector) < 0
                      ? 0
                      : Carrier().ReadSectors(to, piece.count);
            break;
        case cPiece::eKind::kZeros:
            std::memset(to, 0, bytes);
            break;
        case cPiece::eKind::kBuffer:
            std::memcpy(to, piece.bytes, bytes);
            break;
        case cPiece::eKind::kFailed:
            break;
        }
        if (notify && got > 0) {
            notify->OnPiece(done, got, piece.kind != cPiece::eKind::kZeros);
        }
        done += got;
        position_ += got;
        if (got != piece.count) {
            break;
        }
    }
    return done;
}

std::uint32_t cContainerIO::ReadUncached(std::uint64_t first, void* buffer) {
    if (resource_ && first < sectorCount_ && Carrier().UncachedUnit() == 1) {
        const cPiece piece = Locate(first, 1, false);
        if (piece.kind == cPiece::eKind::kStored) {
            const std::uint32_t got = Carrier().ReadUncached(piece.carrierSector, buffer);
            position_ = first + got;
            return got;
        }
    }
    return cBaseIO::ReadUncached(first, buffer);
}

std::uint32_t cContainerIO::WriteSectors(std::uint64_t first, const void* buffer,
                                         std::uint32_t count) {
    if (!resource_ || readOnly_ || first >= sectorCount_) {
        return 0;
    }
    const std::uint32_t wanted =
        std::uint32_t(std::min<std::uint64_t>(count, sectorCount_ - first));
    const auto* in = static_cast<const std::uint8_t*>(buffer);
    std::uint32_t done = 0;
    while (done < wanted) {
        const std::uint64_t sector = first + done;
        const cPiece piece = Locate(sector, wanted - done, true);
        if (piece.kind != cPiece::eKind::kStored || piece.count == 0 ||
            piece.count > wanted - done) {
            break;
        }
        const std::uint32_t put = Carrier().WriteSectors(
            piece.carrierSector, in + std::size_t(done) * kSectorSize, piece.count);
        if (put > 0 && !AfterWrite(sector, put)) {
            break;
        }
        done += put;
        if (put != piece.count) {
            break;
        }
    }
    return done;
}

cBaseIO* WritableCarrier(const cBaseIoResource* resource) {
    if (!resource || resource->GetKind() != resource_kind::kNested) {
        return nullptr;
    }
    cBaseIO* carrier = static_cast<const cNastedIOResource&>(*resource).Reader();
    return carrier && !carrier->IsReadOnly() ? carrier : nullptr;
}
