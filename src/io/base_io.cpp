#include "io/base_io.h"

#include <algorithm>
#include <cstring>

std::u16string_view StorageKindText(std::uint32_t kind) {
    switch (kind) {
    case storage_kind::kNoDevice:
        return u"No device";
    case storage_kind::kWindowsDisk:
        return u"Windows disk";
    case storage_kind::kCdDvd:
        return u"CD/DVD";
    case storage_kind::kLocalDrive:
        return u"Local Drive";
    case storage_kind::kWinCeStorage:
        return u"WinCE storage";
    case storage_kind::kWinCeSystemStorage:
        return u"WinCE system storage";
    case storage_kind::kDiskImage:
        return u"Disk image";
    case storage_kind::kVirtualRaid:
        return u"Virtual RAID";
    case storage_kind::kBlockDevice:
        return u"Block device";
    case storage_kind::kVmdk:
        return u"VMware VMDK";
    case storage_kind::kVhd:
        return u"VirtualPC VHD";
    case storage_kind::kParallels:
        return u"Parallels HDD";
    case storage_kind::kDmg:
        return u"MacOS DMG";
    case storage_kind::kUci:
        return u"Zelvane UCI";
    case storage_kind::kKvbSparse:
        return u"KVB Sparse volume";
    case storage_kind::kVfsVirtualImage:
        return u"VFS Virtual image";
    case storage_kind::kStoragePartition:
        return u"Storage partition";
    default:
        return u"Unknown";
    }
}

// ---- cBaseIO ------------------------------------------------------------------------

cBaseIO::~cBaseIO() = default;

bool cBaseIO::IsSameStorage(const cBaseIO* other) const {
    if (!other || other->GetStorageKind() != GetStorageKind()) {
        return false;
    }
    const cBaseIoResource* mine = GetResource();
    return mine && mine->IsSame(other->GetResource());
}

std::uint32_t cBaseIO::Reset() {
    readOnly_ = true;
    return 0;
}

std::uint32_t cBaseIO::Close() {
    readOnly_ = true;
    return 0;
}

bool cBaseIO::SetReadOnly(bool readOnly) {
    return readOnly == readOnly_;
}

bool cBaseIO::Open(const cBaseIoResource*, bool) {
    return false;
}

std::uint64_t cBaseIO::Create(const cBaseIoResource*, std::uint64_t, bool) {
    return 0;
}

std::int64_t cBaseIO::SeekSector(std::uint64_t) {
    return -1;
}

std::uint32_t cBaseIO::ReadSectors(void*, std::uint32_t, cReadNotify*) {
    return 0;
}

std::uint32_t cBaseIO::UncachedUnit() const {
    return 1;
}

std::uint32_t cBaseIO::ReadUncached(std::uint64_t first, void* buffer) {
    if (SeekSector(first) < 0) {
        return 0;
    }
    return ReadSectors(buffer, UncachedUnit());
}

std::uint32_t cBaseIO::WriteSelected(std::uint64_t first, const void* buffer, std::uint32_t count,
                                     const cSectorBits* bits) {
    if (!bits) {
        return WriteSectors(first, buffer, count);
    }
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    std::uint32_t i = 0;
    while (i < count) {
        if (!bits->Get(i)) {
            ++i;
            continue;
        }
        std::uint32_t j = i;
        while (j < count && bits->Get(j)) {
            ++j;
        }
        const std::uint32_t run = j - i;
        if (WriteSectors(first + i, bytes + std::size_t(i) * kSectorSize, run) != run) {
            return i;
        }
        i = j;
    }
    return count;
}

std::uint32_t cBaseIO::WriteSectors(std::uint64_t, const void*, std::uint32_t) {
    return 0;
}

std::uint8_t* cBaseIO::Scratch() {
    if (scratch_.size() < kSectorSize) {
        scratch_.resize(kSectorSize);
    }
    return scratch_.data();
}

bool cBaseIO::ReadBytes(void* buffer, std::uint64_t offset, std::uint32_t length) {
    if (length == 0) {
        return true;
    }
    if (!buffer) {
        return false;
    }
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::uint64_t sector = offset / kSectorSize;
    const std::uint32_t head = std::uint32_t(offset % kSectorSize);
    if (head != 0) {
        const std::uint32_t part = std::min(kSectorSize - head, length);
        std::uint8_t* scratch = Scratch();
        if (SeekSector(sector) < 0 || ReadSectors(scratch, 1) != 1) {
            return false;
        }
        std::memcpy(out, scratch + head, part);
        out += part;
        length -= part;
        ++sector;
    }
    const std::uint32_t whole = length / kSectorSize;
    if (whole > 0) {
        if (SeekSector(sector) < 0 || ReadSectors(out, whole) != whole) {
            return false;
        }
        out += std::size_t(whole) * kSectorSize;
        sector += whole;
    }
    const std::uint32_t tail = length % kSectorSize;
    if (tail > 0) {
        std::uint8_t* scratch = Scratch();
        if (SeekSector(sector) < 0 || ReadSectors(scratch, 1) != 1) {
            return false;
        }
        std::memcpy(out, scratch, tail);
    }
    return true;
}

bool cBaseIO::WriteBytes(const void* buffer, std::uint64_t offset, std::uint32_t length) {
    if (length == 0) {
        return true;
    }
    if (!buffer) {
        return false;
    }
    const auto* in = static_cast<const std::uint8_t*>(buffer);
    // A partial sector keeps the bytes around the caller's range: read, patch, write back.
    auto patchSector = [this](std::uint64_t sector, std::uint32_t at, const std::uint8_t* bytes,
                              std::uint32_t size) {
        std::uint8_t* scratch = Scratch();
        if (SeekSector(sector) < 0 || ReadSectors(scratch, 1) != 1) {
            return false;
        }
        std::memcpy(scratch + at, bytes, size);
        return WriteSectors(sector, scratch, 1) == 1;
    };
    std::uint64_t sector = offset / kSectorSize;
    const std::uint32_t head = std::uint32_t(offset % kSectorSize);
    if (head != 0) {
        const std::uint32_t part = std::min(kSectorSize - head, length);
        if (!patchSector(sector, head, in, part)) {
            return false;
        }
        in += part;
        length -= part;
        ++sector;
    }
    const std::uint32_t whole = length / kSectorSize;
    if (whole > 0) {
        if (WriteSectors(sector, in, whole) != whole) {
            return false;
        }
        in += std::size_t(whole) * kSectorSize;
        sector += whole;
    }
    const std::uint32_t tail = length % kSectorSize;
    return tail == 0 || patchSector(sector, 0, in, tail);
}

bool cBaseIO::SetSectorCount(std::uint64_t) {
    return false;
}

std::uint64_t cBaseIO::GetSectorCount() const {
    return 0;
}

std::uint64_t cBaseIO::GetByteSize() const {
    return GetSectorCount() * kSectorSize;
}

std::uint32_t cBaseIO::GetStorageKind() const {
    return 0;
}

std::uint32_t cBaseIO::GetResourceKind() const {
    return 0;
}

bool cBaseIO::GetGeometry(cDiskGeometry& geometry) const {
    geometry = cDiskGeometry{};
    return true;
}

bool cBaseIO::GetName(std::u16string& name) const {
    name = u"Basic IO";
    return true;
}

const cBaseIoResource* cBaseIO::GetResource() const {
    return nullptr;
}
