#pragma once
// cVExt23: the Ext2/3/4 reader. Object ids are inode numbers; the root folder is inode 2.
// Inodes that map their blocks through pointers open as cExt2Handle, those with an
// extent tree as cExt4Handle. The journal is not consulted. Symbolic links, devices,
// sockets and pipes are not listed: only folders and regular files are objects here.

#include "base/checked.h"
#include "vfs/ext/ext_inode.h"
#include "vfs/ext/ext_super.h"
#include "vfs/vfs.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class cExtHandle;

class cVExt23 final : public cVFS {
public:
    // Type code, blocks count (u32, superblock offset 4), inodes count (offset 0) and the
    // 16-byte volume identifier (offset 104).
    std::vector<std::uint8_t> GetIdentity() const override;
    std::uint32_t GetFSType() const override { return fstype::kExt; }

    std::unique_ptr<cFSObject> GetObject(std::uint64_t id) override;
    bool Mount(cPartRecord& record) override;
    std::unique_ptr<cObjectHandle> OpenObject(const cFSObject& entry) override;
    // The inode at a byte offset from the partition start, wherever a scan found it.
    std::unique_ptr<cObjectHandle> OpenObjectAtRecord(std::uint64_t position) override;
    std::uint64_t GetRootId() const override { return ext::kRootInode; }
    // The records of every block of the folder in order, "." and ".." as stored.
    bool EnumFolder(const cFSObject& folder, const cEnumCallback& callback,
                    std::uint32_t flags = 0) override;

    std::uint32_t GetBlockSize() const override { return sb_.blockSize; }
    // The block's bit in its group's block bitmap; yes for blocks outside every group
    // and when the bitmap cannot be read.
    bool IsBlockUsed(std::uint64_t block) override;
    bool HasBlockMap() const override { return true; }
    std::uint64_t GetVolumeSectors() const override {
        return checked::SaturatingMul(sb_.blocksCount, std::uint64_t(sb_.BlockSectors()));
    }

    // Reads count blocks from block on into out; no unless all lie inside the volume and
    // were read.
    bool ReadBlocks(std::uint8_t* out, std::uint64_t block, std::uint64_t count) const;
    // Byte offset of inode n from the partition start; nothing for an inode outside every
    // group's table.
    std::optional<std::uint64_t> InodePosition(std::uint64_t n) const;
    // Inode n (from 1), or nothing when it lies outside every group's table or cannot be
    // read.
    std::optional<ext::cInode> ReadInode(std::uint64_t n);

    const ext::cSuperblock& Superblock() const { return sb_; }
    const std::vector<ext::cGroupDescriptor>& Groups() const { return groups_; }

private:
    // The listing entry of inode n: a folder or a file, nothing for other kinds.
    std::unique_ptr<cFSObject> EntryFromInode(std::uint64_t n, const ext::cInode& inode);
    std::unique_ptr<cExtHandle> OpenInode(const ext::cInode& inode);
    void NamePartition(cPartRecord& record);

    static constexpr std::uint64_t kNone = ~std::uint64_t(0);
    // Inodes are read a window of the table at a time: a folder's entries mostly have
    // neighbouring inode numbers, so a listing costs one read per window, not per entry.
    static constexpr std::uint32_t kInodeWindowBytes = 64 * 1024;

    ext::cSuperblock sb_;
    std::vector<ext::cGroupDescriptor> groups_;
    std::vector<std::uint8_t> inodeWindow_;
    std::uint64_t inodeWindowStart_ = kNone; // absolute byte offset of its first byte
    std::vector<std::uint8_t> bitmap_;
    std::uint64_t bitmapGroup_ = kNone;
};
