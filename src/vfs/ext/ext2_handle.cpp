// Block pointers (ext2 and ext3): twelve direct pointers, then one single, one double and
// one triple indirect block, each indirect block holding block size / 4 pointers.

#include "base/bytes.h"
#include "vfs/ext/ext_handle.h"
#include "vfs/ext/vext.h"

#include <algorithm>
#include <set>
#include <vector>

namespace {

constexpr int kDirectPointers = 12;

class cBlockMapper {
public:
    cBlockMapper(cExtHandle& handle, std::uint64_t blocks)
        : handle_(handle), reader_(handle.Reader()), blocks_(blocks),
          perBlock_(handle.Reader().GetBlockSize() / 4) {}

    // Maps the blocks below one pointer of the given level (0: a data block; 1 to 3:
    // that many indirect blocks above the data), up to the blocks the size needs.
    bool Pointer(std::uint32_t pointer, int level) {
        std::uint64_t span = 1;
        for (int i = 0; i < level; ++i) {
            span *= perBlock_; // at most 16384^3
        }
        if (pointer == 0) {
            const std::uint64_t hole = std::min(span, blocks_ - mapped_);
            mapped_ += hole;
            return handle_.Append(cRun::kSparse, hole);
        }
        if (level == 0) {
            ++mapped_;
            return handle_.Append(pointer, 1);
        }
        // A pointer block shared by two places is a damaged map, and following it again
        // could multiply the work of a hostile one.
        if (!visited_.insert(pointer).second) {
            return false;
        }
        std::vector<std::uint8_t> block(reader_.GetBlockSize());
        if (!reader_.ReadBlocks(block.data(), pointer, 1)) {
            return false;
        }
        for (std::uint64_t i = 0; i < perBlock_ && mapped_ < blocks_; ++i) {
            if (!Pointer(*bytes::Le32At(block, i * 4), level - 1)) {
                return false;
            }
        }
        return true;
    }

    bool Done() const { return mapped_ >= blocks_; }

private:
    cExtHandle& handle_;
    cVExt23& reader_;
    std::uint64_t blocks_;
    std::uint64_t perBlock_;
    std::uint64_t mapped_ = 0;
    std::set<std::uint64_t> visited_;
};

} // namespace

bool cExt2Handle::Map(const ext::cInode& inode, std::uint64_t size) {
    SetSize(size);
    cBlockMapper mapper(*this, BlocksFor(size));
    for (int i = 0; i < kDirectPointers + 3 && !mapper.Done(); ++i) {
        const std::uint32_t pointer = *bytes::Le32At(inode.blockArea, std::size_t(i) * 4);
        if (!mapper.Pointer(pointer, std::max(0, i - kDirectPointers + 1))) {
            return false;
        }
    }
    // A size beyond what the triple indirect block reaches cannot be mapped.
    return mapper.Done();
}
