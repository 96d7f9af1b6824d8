#pragma once
// cReiserHandle: a ReiserFS file's bytes, from its indirect items (block pointers, 0 for a
// hole) and its direct items (bytes kept inside tree nodes, usually the file's tail). What
// no item covers reads as zeros.

#include "vfs/object_handle.h"
#include "vfs/reiser/reiser_tree.h"

#include <cstdint>
#include <vector>

class cVReiser;

class cReiserHandle final : public cObjectHandle {
public:
    explicit cReiserHandle(cVReiser* reader) : reader_(reader) {}

    // Collects the object's items; no when the tree cannot be walked.
    bool Map(reiser::cShortKey object, std::uint64_t size);

    bool IsOpen() const override { return reader_ != nullptr; }
    std::uint64_t Seek(std::uint64_t position) override;
    std::uint32_t Read(void* buffer, std::uint32_t length) override;
    std::uint64_t GetSize() const override { return size_; }
    bool IsDamaged() const override { return damaged_; }

private:
    // A stretch of the file: blocks from blocks_ (a hole where a pointer is 0) or bytes
    // kept in the tree.
    struct cPiece {
        std::uint64_t start = 0;
        std::uint64_t length = 0;
        bool inTree = false;
        std::size_t first = 0; // index into blocks_ or bytes_
    };

    // Copies up to length bytes at the position from the piece; 0 on a failed read.
    std::uint32_t FromPiece(const cPiece& piece, std::uint8_t* out, std::uint32_t length);

    cVReiser* reader_;
    std::uint64_t size_ = 0;
    std::uint64_t position_ = 0;
    bool damaged_ = false;
    std::vector<cPiece> pieces_;
    std::vector<std::uint32_t> blocks_;
    std::vector<std::uint8_t> bytes_;
    std::vector<std::uint8_t> block_;
    std::uint32_t cachedBlock_ = 0;
};
