#include "vfs/ufs/ufs_blocks.h"

#include "base/checked.h"
#include "vfs/run_list.h"

#include <algorithm>

namespace ufs {

namespace {

class cBlockWalk {
public:
    cBlockWalk(const cGeometry& geometry, const BlockSource& read, const RunSink& sink,
               std::uint64_t fragments)
        : g_(geometry), read_(read), sink_(sink), remaining_(fragments),
          // A file whose pointers repeat one block cannot cost more reads than a file
          // filling the volume.
          budget_(geometry.fragments / geometry.fragmentsPerBlock + 1) {}

    bool Done() const { return remaining_ == 0; }

    bool Block(std::uint64_t pointer) {
        const std::uint64_t count = std::min<std::uint64_t>(g_.fragmentsPerBlock, remaining_);
        if (pointer == 0) {
            sink_(cRun::kSparse, count);
        } else {
            if (!Spend(pointer, count)) {
                return false;
            }
            sink_(pointer, count);
        }
        remaining_ -= count;
        return true;
    }

    // The indirect block at pointer; level 0 holds data block pointers.
    bool Indirect(std::uint64_t pointer, std::uint32_t level) {
        if (pointer == 0) {
            // A missing indirect block is a hole over everything it would have reached.
            std::uint64_t blocks = g_.PointersPerBlock();
            for (std::uint32_t n = 0; n < level; ++n) {
                blocks = checked::SaturatingMul<std::uint64_t>(blocks, g_.PointersPerBlock());
            }
            const std::uint64_t count = std::min(
                remaining_, checked::SaturatingMul<std::uint64_t>(blocks, g_.fragmentsPerBlock));
            sink_(cRun::kSparse, count);
            remaining_ -= count;
            return true;
        }
        std::vector<std::uint8_t> block(g_.blockSize);
        if (!Spend(pointer, g_.fragmentsPerBlock) || !read_(pointer, block)) {
            return false;
        }
        for (std::uint32_t n = 0; n < g_.PointersPerBlock() && !Done(); ++n) {
            const std::size_t at = std::size_t(n) * g_.PointerBytes();
            const std::uint64_t next = g_.ufs2 ? g_.order.U64(*bytes::Slice<8>(block, at))
                                               : g_.order.U32(*bytes::Slice<4>(block, at));
            if (!(level == 0 ? Block(next) : Indirect(next, level - 1))) {
                return false;
            }
        }
        return true;
    }

private:
    // One more block read or mapped, whose count fragments must lie inside the volume.
    bool Spend(std::uint64_t pointer, std::uint64_t count) {
        if (budget_ == 0 || pointer >= g_.fragments || count > g_.fragments - pointer) {
            return false;
        }
        --budget_;
        return true;
    }

    const cGeometry& g_;
    const BlockSource& read_;
    const RunSink& sink_;
    std::uint64_t remaining_;
    std::uint64_t budget_;
};

} // namespace

bool MapBlocks(const cInode& inode, const cGeometry& geometry, const BlockSource& read,
               const RunSink& sink) {
    const std::uint64_t fragments =
        inode.size / geometry.fragmentSize + (inode.size % geometry.fragmentSize != 0);
    cBlockWalk walk(geometry, read, sink, fragments);
    for (const std::uint64_t pointer : inode.direct) {
        if (walk.Done()) {
            return true;
        }
        if (!walk.Block(pointer)) {
            return false;
        }
    }
    for (std::uint32_t level = 0; level < kIndirectLevels; ++level) {
        if (walk.Done()) {
            return true;
        }
        if (!walk.Indirect(inode.indirect[level], level)) {
            return false;
        }
    }
    return walk.Done();
}

} // namespace ufs
