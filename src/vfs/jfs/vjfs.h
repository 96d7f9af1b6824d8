#pragma once
// cVJFS: the JFS reader (type 20). An aggregate holds filesets, each described by an
// aggregate inode from 16 on whose data is the fileset's inode map. The reader's root lists
// one folder per fileset, "FileSet%02d" by its number (fileset 0 is aggregate inode 16),
// and that folder is the fileset's own root folder.
//
// Object ids are the fileset's aggregate inode × 2^32 + the inode number inside the
// fileset; the reader's root is 1 × 2^32 + 1, the aggregate's own inode. The journal is
// not replayed.

#include "vfs/jfs/jfs_layout.h"
#include "vfs/vfs.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class cJFSHandle;

class cVJFS final : public cVFS {
public:
    cVJFS();
    ~cVJFS() override;

    // Type code and the partition's start sector.
    std::vector<std::uint8_t> GetIdentity() const override { return StartIdentity(); }
    std::uint32_t GetFSType() const override { return fstype::kJfs; }

    std::unique_ptr<cFSObject> GetObject(std::uint64_t id) override;
    bool Mount(cPartRecord& record) override;
    std::unique_ptr<cObjectHandle> OpenObject(const cFSObject& entry) override;
    std::uint64_t GetRootId() const override { return kRootId; }
    // The root: one folder per fileset. A folder of a fileset: "." and "..", then its
    // entries in name order.
    bool EnumFolder(const cFSObject& folder, const cEnumCallback& callback,
                    std::uint32_t flags = 0) override;
    std::uint32_t GetBlockSize() const override { return super_.blockSize; }

    // Reads count blocks from block on; no unless all lie inside the aggregate and were read.
    bool ReadBlocks(std::uint8_t* out, std::uint64_t block, std::uint64_t count) const;
    // The fileset numbers found, in order.
    std::vector<std::uint32_t> Filesets() const;

    static constexpr std::uint64_t kRootId = (std::uint64_t(1) << 32) | jfs::kAggregateInode;

private:
    struct cFileset {
        std::uint32_t aggregateInode = 0;
        // Reads the fileset's inode map file.
        std::unique_ptr<cJFSHandle> map;
    };

    static std::uint64_t IdOf(std::uint32_t aggregateInode, std::uint32_t inode) {
        return (std::uint64_t(aggregateInode) << 32) | inode;
    }
    const cFileset* FilesetOf(std::uint64_t id) const;
    std::optional<jfs::cInode> ReadInode(std::uint64_t id);
    std::optional<jfs::cInode> ReadInodeAt(std::uint64_t block, std::uint32_t index) const;
    bool ReadPage(std::uint64_t block, std::uint64_t blocks, std::vector<std::uint8_t>& page) const;
    jfs::PageReader Pages() const;
    std::optional<std::vector<jfs::cExtent>> ExtentsOf(const jfs::cInode& inode) const;
    std::unique_ptr<cJFSHandle> MapFile(const jfs::cInode& inode);
    // The listing entry of a folder or file; null for other kinds.
    std::unique_ptr<cFSObject> EntryFrom(std::uint64_t id, const jfs::cInode& inode);
    std::unique_ptr<cFSObject> FilesetFolder(const cFileset& fileset);
    void NamePartition(cPartRecord& record) const;

    jfs::cSuper super_;
    std::vector<cFileset> filesets_;
    // The inode allocation group page read last, named by its fileset and number.
    std::uint64_t groupKey_ = ~std::uint64_t(0);
    std::vector<std::uint8_t> group_;
};
