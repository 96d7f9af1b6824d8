#pragma once
// cVXFS: the XFS reader, versions 4 and 5. Object ids are inode numbers; the root is the
// superblock's root inode. Folders are read in every form (short form inside the inode,
// block, leaf, node and B+tree); files through their extent list or block-map B+tree.
// Only folders and regular files are objects here.

#include "vfs/vfs.h"
#include "vfs/xfs/xfs_free.h"
#include "vfs/xfs/xfs_inode.h"
#include "vfs/xfs/xfs_super.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class cXFSHandle;

class cVXFS final : public cVFS {
public:
    // Type code, the volume UUID (superblock offset 32) and the data block count (offset 8).
    std::vector<std::uint8_t> GetIdentity() const override;
    std::uint32_t GetFSType() const override { return fstype::kXfs; }

    std::unique_ptr<cFSObject> GetObject(std::uint64_t id) override;
    bool Mount(cPartRecord& record) override;
    // Geometry from cExtXFSParams, for a volume whose superblock is damaged.
    bool MountWithParams(cPartRecord& record, const cExternalVFSParams* params) override;
    std::unique_ptr<cObjectHandle> OpenObject(const cFSObject& entry) override;
    std::uint64_t GetRootId() const override { return geometry_.rootInode; }
    // "." and ".." first, then the entries in stored order.
    bool EnumFolder(const cFSObject& folder, const cEnumCallback& callback,
                    std::uint32_t flags = 0) override;

    std::uint32_t GetBlockSize() const override { return geometry_.blockSize; }
    // A block inside a free extent of the free-space trees is free, any other used; when
    // the trees cannot be read every block answers no.
    bool IsBlockUsed(std::uint64_t block) override;
    bool HasBlockMap() const override { return true; }
    std::uint64_t GetVolumeSectors() const override {
        return geometry_.dataBlocks * (geometry_.blockSize / 512);
    }

    // Reads count volume blocks from block on; no unless all lie in the volume and read.
    bool ReadBlocks(std::uint8_t* out, std::uint64_t block, std::uint64_t count) const;
    // Inode n, or nothing when it lies outside every group, cannot be read or is no inode.
    std::optional<xfs::cInode> ReadInode(std::uint64_t n);
    const xfs::cGeometry& Geometry() const { return geometry_; }

private:
    bool Attach(cPartRecord& record, const xfs::cGeometry& geometry);
    std::unique_ptr<cFSObject> EntryFromInode(std::uint64_t n, const xfs::cInodeCore& inode);
    // The bytes of inode n, valid until the next call; nothing as for ReadInode.
    std::optional<bytes::Span> InodeBytes(std::uint64_t n);
    std::unique_ptr<cXFSHandle> OpenInode(const xfs::cInode& inode);
    // Each directory data block of a folder kept in blocks, in folder order.
    bool WalkBlocks(const xfs::cInode& folder, const std::function<bool(bytes::Span)>& visit);

    static constexpr std::uint64_t kNone = ~std::uint64_t(0);
    // Inodes are read a window at a time: a folder's entries mostly lie in a few inode
    // chunks, so a listing costs one read per window, not per entry. A few windows stay,
    // since a walk of the tree moves between the allocation groups its folders spread over.
    static constexpr std::uint32_t kInodeWindowBytes = 64 * 1024;
    static constexpr std::size_t kInodeWindows = 16;
    struct cInodeWindow {
        std::uint64_t start = kNone; // byte offset from the volume start
        std::uint64_t lastUse = 0;
        std::vector<std::uint8_t> bytes;
    };
    // Reads the window at start; false (the window left empty) when it cannot be read.
    bool LoadInodeWindow(cInodeWindow& window, std::uint64_t start);

    xfs::cGeometry geometry_;
    std::array<cInodeWindow, kInodeWindows> inodeWindows_;
    std::uint64_t windowClock_ = 0;
    // The sectors of one inode whose window could not be read whole.
    std::vector<std::uint8_t> ownInode_;
    std::optional<std::vector<xfs::cFreeExtent>> free_;
    bool freeLoaded_ = false;
};
