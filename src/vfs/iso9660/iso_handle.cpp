#include "vfs/iso9660/iso_handle.h"

#include "vfs/iso9660/viso9660.h"

cIsoHandle::cIsoHandle(cVISO9660* reader) : cRLDrivenObjectHandle(reader), reader_(reader) {
    SetUnitSize(reader->GetBlockSize());
}

bool cIsoHandle::ReadBlock(std::uint8_t* buffer, std::uint64_t block) {
    return reader_->ReadBlocks(buffer, block, 1);
}

bool cIsoHandle::ReadBlocks(std::uint8_t* buffer, std::uint64_t first, std::uint64_t count) {
    return reader_->ReadBlocks(buffer, first, count);
}

void cIsoHandle::Map(const std::vector<iso::cExtent>& extents) {
    const std::uint64_t blockSize = reader_->GetBlockSize();
    std::uint64_t size = 0;
    for (std::size_t n = 0; n < extents.size(); ++n) {
        const iso::cExtent& extent = extents[n];
        const std::uint64_t blocks = extent.size / blockSize + (extent.size % blockSize != 0);
        if (blocks > reader_->GetBlockCount() || extent.start > reader_->GetBlockCount() - blocks) {
            SetDamaged(true);
        }
        AppendRun(extent.start, blocks);
        size += extent.size; // at most 2^32 extents of less than 2^32 bytes
        if (extent.size % blockSize != 0 && n + 1 < extents.size()) {
            SetDamaged(true);
            break;
        }
    }
    SetSize(size);
}
