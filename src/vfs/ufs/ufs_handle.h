#pragma once
// cUFSHandle: the run-list handle of the UFS readers, its runs counted in fragments.
// Holes read as zeros.

#include "vfs/object_handle.h"

#include <cstdint>

class cVUFS;

class cUFSHandle final : public cRLDrivenObjectHandle {
public:
    explicit cUFSHandle(cVUFS* reader);
    bool ReadBlock(std::uint8_t* buffer, std::uint64_t fragment) override;
    bool ReadBlocks(std::uint8_t* buffer, std::uint64_t first, std::uint64_t count) override;

private:
    cVUFS* reader_;
};
