#pragma once
// What the HFS and HFS+ readers share: both keep their folders in a catalog B-tree keyed
// by parent folder id and name, and their files' extents beyond the first few in an
// extents overflow B-tree keyed by file id. Object ids are the parent folder's id times
// 2^32 plus the object's own catalog node id, so that finding an object searches only
// its parent's records; the root folder (id 2, parent 1) is 2 × 2^32 + 2.

#include "vfs/hfs/hfs_btree.h"
#include "vfs/hfs/hfs_catalog.h"
#include "vfs/vfs.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class cHFSxHandle;

class cHFSReader : public cVFS {
public:
    static constexpr std::uint64_t kRootId =
        (std::uint64_t(hfs::kRootFolderId) << 32) | hfs::kRootFolderId;
    // Larger allocation blocks are refused: every open file keeps one in memory.
    static constexpr std::uint32_t kMaxBlockBytes = 4u << 20;

    std::unique_ptr<cFSObject> GetObject(std::uint64_t id) override;
    // Files only: a stream over the data fork, its overflow extents included.
    std::unique_ptr<cObjectHandle> OpenObject(const cFSObject& entry) override;
    std::uint64_t GetRootId() const override { return kRootId; }
    bool EnumFolder(const cFSObject& folder, const cEnumCallback& callback,
                    std::uint32_t flags = 0) override;
    std::uint32_t GetBlockSize() const override { return blockBytes_; }
    // Type code, then the volume's creation date and block counts as its first record
    // stores them (see hfs::cVolumeHeader and hfs::cMasterDirectoryBlock).
    std::vector<std::uint8_t> GetIdentity() const override;

    // Reads count allocation blocks from block on; no unless all lie inside the volume and
    // were read.
    bool ReadBlocks(std::uint8_t* out, std::uint64_t block, std::uint64_t count) const;

protected:
    // One record of the extents overflow file.
    struct cOverflowRecord {
        std::uint8_t forkType = 0;    // 0 data, 0xFF resource
        std::uint32_t startBlock = 0; // the fork's block the record's first extent holds
        std::vector<hfs::cExtent> extents;
    };

    // The volume's allocation blocks: block 0 at the absolute sector firstSector.
    void SetGeometry(std::uint64_t firstSector, std::uint32_t blockBytes, std::uint64_t blocks);
    void SetIdentity(const std::array<std::uint8_t, 12>& identity) { identity_ = identity; }
    std::uint64_t FirstSector() const { return firstSector_; }
    // A stream over a fork of the file owner: its own extents, then those the overflow file
    // keeps, as many as the logical size needs. A fork whose extents fall short or leave the
    // volume opens damaged, readable up to where they end.
    std::unique_ptr<cHFSxHandle> OpenFork(const hfs::cFork& fork, std::uint32_t owner);
    // Opens the extents overflow tree and then the catalog tree over their forks; no when
    // either is unreadable or the catalog cannot be read whole.
    bool OpenTrees(const hfs::cFork& extents, const hfs::cFork& catalog, hfs::cKeyFormat extentsKey,
                   hfs::cKeyFormat catalogKey);

    virtual std::optional<hfs::cCatalogRecord> ParseRecord(bytes::Span data) const = 0;
    // The key's name as shown; nothing when it does not fit its key.
    virtual std::optional<std::u16string> RecordName(bytes::Span key) const = 0;
    virtual std::optional<cOverflowRecord> ParseOverflow(const hfs::cRecord& record) const = 0;
    // Points a hard link's data at the file it links to.
    virtual void ResolveLink(hfs::cCatalogRecord& record) {}

    hfs::cBTree catalog_;

private:
    struct cFound {
        hfs::cCatalogRecord record;
        std::u16string name;
        std::uint32_t grandparent = 0; // 0 when the parent's thread record is missing
    };
    // The folder or file with the object id, looked up under its parent.
    std::optional<cFound> Find(std::uint64_t id);
    std::unique_ptr<cFSObject> MakeEntry(const hfs::cCatalogRecord& record, std::u16string name,
                                         std::uint32_t parent);
    // Appends to extents the data fork extents of owner that the overflow file keeps, until
    // they cover blocks; stops at a gap.
    void AddOverflowExtents(std::uint32_t owner, std::uint64_t blocks,
                            std::vector<hfs::cExtent>& extents);

    hfs::cBTree extents_;
    std::uint64_t firstSector_ = 0;
    std::uint32_t blockBytes_ = 0;
    std::array<std::uint8_t, 12> identity_{};
};

// A fork's stream: runs of allocation blocks.
class cHFSxHandle final : public cRLDrivenObjectHandle {
public:
    explicit cHFSxHandle(cHFSReader* reader) : cRLDrivenObjectHandle(reader), reader_(reader) {}
    bool ReadBlock(std::uint8_t* buffer, std::uint64_t block) override {
        return reader_->ReadBlocks(buffer, block, 1);
    }
    bool ReadBlocks(std::uint8_t* buffer, std::uint64_t first, std::uint64_t count) override {
        return reader_->ReadBlocks(buffer, first, count);
    }

private:
    const cHFSReader* reader_;
};
