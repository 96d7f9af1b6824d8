#pragma once
// A run-list handle whose units are its reader's blocks, lying back to back on the storage
// so that a run is read in one request. Reader has ReadBlocks(out, block, count).

#include "vfs/object_handle.h"

#include <cstdint>

template <class Reader> class cBlockHandle : public cRLDrivenObjectHandle {
public:
    explicit cBlockHandle(Reader* reader) : cRLDrivenObjectHandle(reader), reader_(reader) {
        SetUnitSize(reader->GetBlockSize());
    }
    bool ReadBlock(std::uint8_t* buffer, std::uint64_t block) override {
        return reader_->ReadBlocks(buffer, block, 1);
    }
    bool ReadBlocks(std::uint8_t* buffer, std::uint64_t first, std::uint64_t count) override {
        return reader_->ReadBlocks(buffer, first, count);
    }

protected:
    Reader& Owner() const { return *reader_; }

private:
    Reader* reader_;
};
