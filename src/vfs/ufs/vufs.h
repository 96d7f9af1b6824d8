#pragma once
// The UFS readers: cVUFS (little-endian), cVUFSBs (big-endian) and cVSnapUFS (Adaptec's
// form, little-endian without a magic), each for UFS1 and UFS2. Object ids are inode
// numbers, the root is inode 2 and the unit of allocation and of handle runs is the
// fragment. Only folders and regular files are objects here.

#include "vfs/block_handle.h"
#include "vfs/ufs/ufs_inode.h"
#include "vfs/ufs/ufs_super.h"
#include "vfs/vfs.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class cVUFS;
// Runs counted in fragments; holes read as zeros.
using cUFSHandle = cBlockHandle<cVUFS>;

class cVUFS : public cVFS {
public:
    cVUFS() : cVUFS(ufs::eVariant::kLittleEndian) {}

    // Type code, then superblock bytes 712-719, 1080-1087 and 144-151.
    std::vector<std::uint8_t> GetIdentity() const override;
    std::uint32_t GetFSType() const override;

    std::unique_ptr<cFSObject> GetObject(std::uint64_t id) override;
    bool Mount(cPartRecord& record) override;
    std::unique_ptr<cObjectHandle> OpenObject(const cFSObject& entry) override;
    std::uint64_t GetRootId() const override { return kRootInode; }
    // Every record of the folder in stored order, "." and ".." included.
    bool EnumFolder(const cFSObject& folder, const cEnumCallback& callback,
                    std::uint32_t flags = 0) override;

    std::uint32_t GetBlockSize() const override { return geometry_.fragmentSize; }
    // From the fragment's cylinder group's free-fragment map; a fragment whose group
    // header cannot be read counts as used.
    bool IsBlockUsed(std::uint64_t fragment) override;
    bool HasBlockMap() const override { return true; }
    std::uint64_t GetVolumeSectors() const override { return geometry_.VolumeBytes() / 512; }

    // Reads count fragments from fragment on; no unless all lie in the volume and read.
    bool ReadBlocks(std::uint8_t* out, std::uint64_t fragment, std::uint64_t count) const;
    // Inode n, or nothing when it lies outside every group or cannot be read.
    std::optional<ufs::cInode> ReadInode(std::uint64_t n);
    const ufs::cGeometry& Geometry() const { return geometry_; }

protected:
    explicit cVUFS(ufs::eVariant variant) : variant_(variant) {}

private:
    static constexpr std::uint64_t kRootInode = 2;
    static constexpr std::uint64_t kNone = ~std::uint64_t(0);

    std::unique_ptr<cFSObject> EntryFromInode(std::uint64_t n, const ufs::cInode& inode);
    std::unique_ptr<cUFSHandle> OpenInode(const ufs::cInode& inode);
    void NameThePartition(cPartRecord& record);
    // The free-fragment map of a group, loaded into group_; no when it cannot be.
    bool LoadGroup(std::uint32_t group);

    ufs::eVariant variant_;
    ufs::cGeometry geometry_;
    // Inodes are read a block at a time: a folder's entries mostly lie in a few inode
    // blocks, so a listing costs one read per block, not per entry.
    std::vector<std::uint8_t> inodeBlock_;
    std::uint64_t inodeBlockStart_ = kNone; // byte offset from the volume start
    std::vector<std::uint8_t> group_;
    std::uint64_t groupNumber_ = kNone;
    std::uint32_t groupMapOffset_ = 0;
};

class cVUFSBs final : public cVUFS {
public:
    cVUFSBs() : cVUFS(ufs::eVariant::kBigEndian) {}
};

class cVSnapUFS final : public cVUFS {
public:
    cVSnapUFS() : cVUFS(ufs::eVariant::kAdaptec) {}
};
