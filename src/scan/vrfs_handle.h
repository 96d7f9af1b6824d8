#pragma once
// cVRFSHandlePlain: the stream of a raw file of several fragments. Its ordinary extents
// are runs of sectors of the partition read through the run list; the bytes past them
// come from the tail, one contiguous byte range that may start inside a sector.

#include "vfs/object_handle.h"

#include <cstdint>

class cVRFSHandlePlain final : public cRLDrivenObjectHandle {
public:
    cVRFSHandlePlain(cVFS* fileSystem, std::uint64_t size);

    std::uint64_t Seek(std::uint64_t position) override;
    // Bytes below the runs' end through the runs, the rest from the tail; a request that
    // spans both is split.
    std::uint32_t Read(void* buffer, std::uint32_t length) override;
    bool ReadBlock(std::uint8_t* buffer, std::uint64_t sector) override;
    bool ReadBlocks(std::uint8_t* buffer, std::uint64_t sector, std::uint64_t count) override;

    // Appends count sectors from sector (relative to the partition); no on overflow.
    bool AddExtent(std::uint64_t sector, std::uint64_t count);
    // The rest of the file from byte offset of the absolute sector.
    void SetTail(std::uint64_t absoluteSector, std::uint16_t byteOffset);

private:
    std::uint64_t position_ = 0;
    std::uint64_t tailSector_ = 0;
    std::uint16_t tailOffset_ = 0;
    bool hasTail_ = false;
};
