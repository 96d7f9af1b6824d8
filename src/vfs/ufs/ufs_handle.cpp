#include "vfs/ufs/ufs_handle.h"

#include "vfs/ufs/vufs.h"

cUFSHandle::cUFSHandle(cVUFS* reader) : cRLDrivenObjectHandle(reader), reader_(reader) {
    SetUnitSize(reader->GetBlockSize());
}

bool cUFSHandle::ReadBlock(std::uint8_t* buffer, std::uint64_t fragment) {
    return reader_->ReadFragments(buffer, fragment, 1);
}

bool cUFSHandle::ReadBlocks(std::uint8_t* buffer, std::uint64_t first, std::uint64_t count) {
    return reader_->ReadFragments(buffer, first, count);
}
