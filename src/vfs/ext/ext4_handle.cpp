// Extent trees (ext4): the root node sits in the inode's block area, its children in
// blocks of their own. Extents of a node follow each other in file order; the gaps
// between them are holes.

#include "vfs/ext/ext_extent.h"
#include "vfs/ext/ext_handle.h"
#include "vfs/ext/vext.h"

#include <algorithm>
#include <set>
#include <vector>

namespace {

class cExtentMapper {
public:
    cExtentMapper(cExtHandle& handle, std::uint64_t blocks)
        : handle_(handle), reader_(handle.Reader()), blocks_(blocks) {}

    // Maps the node; parentDepth is the depth its parent stated (above any real depth for
    // the root).
    bool Node(bytes::Span node, std::uint32_t parentDepth) {
        const std::optional<ext::cExtentHeader> header = ext::ParseExtentHeader(node);
        if (!header || header->depth >= parentDepth || header->depth > ext::kMaxExtentDepth) {
            return false;
        }
        for (std::size_t i = 0; i < header->entries && mapped_ < blocks_; ++i) {
            if (header->depth == 0 ? !Extent(ext::ExtentAt(node, i))
                                   : !Child(ext::IndexAt(node, i), header->depth)) {
                return false;
            }
        }
        return true;
    }

    // The holes after the last extent up to the size.
    bool Finish() { return mapped_ >= blocks_ || Hole(blocks_); }

private:
    bool Hole(std::uint64_t until) {
        const std::uint64_t count = until - mapped_;
        mapped_ = until;
        return handle_.Append(cRun::kSparse, count);
    }

    bool Extent(const ext::cExtent& extent) {
        // An extent that goes back over mapped blocks belongs to a damaged or looping
        // tree.
        if (extent.logical < mapped_) {
            return false;
        }
        if (extent.logical > mapped_ && !Hole(std::min<std::uint64_t>(extent.logical, blocks_))) {
            return false;
        }
        const std::uint64_t count = std::min<std::uint64_t>(extent.length, blocks_ - mapped_);
        mapped_ += count;
        return handle_.Append(extent.unwritten ? cRun::kSparse : extent.physical, count);
    }

    bool Child(const ext::cExtentIndex& index, std::uint32_t depth) {
        // Children beyond the size map nothing the file shows (blocks kept for later
        // writes); a node met twice means the tree loops.
        if (index.logical >= blocks_) {
            return true;
        }
        if (!visited_.insert(index.child).second) {
            return false;
        }
        std::vector<std::uint8_t> block(reader_.GetBlockSize());
        return reader_.ReadBlocks(block.data(), index.child, 1) && Node(block, depth);
    }

    cExtHandle& handle_;
    cVExt23& reader_;
    std::uint64_t blocks_;
    std::uint64_t mapped_ = 0;
    std::set<std::uint64_t> visited_;
};

} // namespace

bool cExt4Handle::Map(const ext::cInode& inode, std::uint64_t size) {
    SetSize(size);
    cExtentMapper mapper(*this, BlocksFor(size));
    return mapper.Node(inode.blockArea, ext::kMaxExtentDepth + 1) && mapper.Finish();
}
