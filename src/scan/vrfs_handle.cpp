#include "scan/vrfs_handle.h"

#include "base/checked.h"
#include "io/base_io.h"
#include "vfs/vfs.h"

#include <algorithm>

cVRFSHandlePlain::cVRFSHandlePlain(cVFS* fileSystem, std::uint64_t size)
    : cRLDrivenObjectHandle(fileSystem) {
    SetUnitSize(kSectorSize);
    SetSize(size);
}

bool cVRFSHandlePlain::AddExtent(std::uint64_t sector, std::uint64_t count) {
    return AppendRun(sector, count);
}

void cVRFSHandlePlain::SetTail(std::uint64_t absoluteSector, std::uint16_t byteOffset) {
    tailSector_ = absoluteSector;
    tailOffset_ = byteOffset;
    hasTail_ = true;
}

std::uint64_t cVRFSHandlePlain::Seek(std::uint64_t position) {
    position_ = cRLDrivenObjectHandle::Seek(position);
    return position_;
}

bool cVRFSHandlePlain::ReadBlock(std::uint8_t* buffer, std::uint64_t sector) {
    return ReadBlocks(buffer, sector, 1);
}

bool cVRFSHandlePlain::ReadBlocks(std::uint8_t* buffer, std::uint64_t sector, std::uint64_t count) {
    cVFS* fs = FileSystem();
    cBaseIO* storage = fs ? fs->Storage() : nullptr;
    const auto absolute = checked::Add(fs ? fs->PartitionStart() : 0, sector);
    return storage && absolute && count <= UINT32_MAX &&
           storage->SeekSector(*absolute) == std::int64_t(*absolute) &&
           storage->ReadSectors(buffer, std::uint32_t(count)) == count;
}

std::uint32_t cVRFSHandlePlain::Read(void* buffer, std::uint32_t length) {
    const std::uint64_t runBytes =
        checked::SaturatingMul<std::uint64_t>(Runs().LogicalLength(), kSectorSize);
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::uint32_t copied = 0;
    if (position_ < runBytes) {
        cRLDrivenObjectHandle::Seek(position_);
        const auto wanted = std::uint32_t(std::min<std::uint64_t>(length, runBytes - position_));
        copied = cRLDrivenObjectHandle::Read(out, wanted);
        position_ += copied;
        if (copied < wanted) {
            return copied;
        }
    }
    const std::uint64_t size = GetSize();
    cBaseIO* storage = FileSystem() ? FileSystem()->Storage() : nullptr;
    if (copied == length || position_ >= size || !hasTail_ || !storage) {
        return copied;
    }
    const auto rest = std::uint32_t(std::min<std::uint64_t>(length - copied, size - position_));
    // The tail's first byte is the one right after the runs.
    auto at = checked::Mul<std::uint64_t>(tailSector_, kSectorSize);
    at = at ? checked::Add<std::uint64_t>(*at, tailOffset_) : std::nullopt;
    at = at ? checked::Add<std::uint64_t>(*at, position_ - runBytes) : std::nullopt;
    if (!at || !storage->ReadBytes(out + copied, *at, rest)) {
        return copied;
    }
    position_ += rest;
    cRLDrivenObjectHandle::Seek(position_);
    return copied + rest;
}
