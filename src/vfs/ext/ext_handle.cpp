#include "vfs/ext/ext_handle.h"

#include "vfs/ext/vext.h"

cExtHandle::cExtHandle(cVExt23* reader) : cRLDrivenObjectHandle(reader), reader_(reader) {
    SetUnitSize(reader->GetBlockSize());
}

bool cExtHandle::ReadBlock(std::uint8_t* buffer, std::uint64_t block) {
    return reader_->ReadBlocks(buffer, block, 1);
}

bool cExtHandle::ReadBlocks(std::uint8_t* buffer, std::uint64_t first, std::uint64_t count) {
    return reader_->ReadBlocks(buffer, first, count);
}

std::uint64_t cExtHandle::BlocksFor(std::uint64_t size) const {
    const std::uint64_t blockSize = reader_->GetBlockSize();
    return size / blockSize + (size % blockSize != 0);
}

bool cExtHandle::Append(std::uint64_t physical, std::uint64_t count) {
    if (physical != cRun::kSparse &&
        (physical >= reader_->GetBlockCount() || count > reader_->GetBlockCount() - physical)) {
        SetDamaged(true);
    }
    return AppendRun(physical, count);
}
