#pragma once
// A reader with nothing to list or open, for tests of what the reader interface and its
// callers do on their own (handles, volume bounds).

#include "vfs/vfs.h"

#include <cstdint>
#include <memory>

class cStubVFS : public cVFS {
public:
    cStubVFS(std::uint32_t fsType, std::uint32_t blockSize)
        : fsType_(fsType), blockSize_(blockSize) {}

    std::uint32_t GetFSType() const override { return fsType_; }
    std::unique_ptr<cFSObject> GetObject(std::uint64_t) override { return nullptr; }
    bool Mount(cPartRecord&) override { return false; }
    std::unique_ptr<cObjectHandle> OpenObject(const cFSObject&) override { return nullptr; }
    std::uint64_t GetRootId() const override { return 0; }
    bool EnumFolder(const cFSObject&, const cEnumCallback&, std::uint32_t) override {
        return false;
    }
    std::uint32_t GetBlockSize() const override { return blockSize_; }

private:
    std::uint32_t fsType_;
    std::uint32_t blockSize_;
};
