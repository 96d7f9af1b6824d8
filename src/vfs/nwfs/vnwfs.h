#pragma once
// cVNWFS: the reader of traditional NetWare volumes (type 12). A volume has no boot record
// of its own: the NetWare partition data that the partition map attached to the record
// says how large its blocks are and where its block-allocation and directory tables start.
// Both tables are loaded whole at mount. Object ids are directory entry numbers; the root
// is entry 0.

#include "vfs/vfs.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class cVNWFS final : public cVFS {
public:
    // Type code and the partition's start sector.
    std::vector<std::uint8_t> GetIdentity() const override { return StartIdentity(); }
    std::uint32_t GetFSType() const override { return fstype::kNwfs; }
    bool IsCaseSensitive() const override { return false; }

    std::unique_ptr<cFSObject> GetObject(std::uint64_t id) override;
    bool Mount(cPartRecord& record) override;
    std::unique_ptr<cObjectHandle> OpenObject(const cFSObject& entry) override;
    std::uint64_t GetRootId() const override { return 0; }
    // The folder's entries in table order.
    bool EnumFolder(const cFSObject& folder, const cEnumCallback& callback,
                    std::uint32_t flags = 0) override;
    std::uint32_t GetBlockSize() const override { return sectorsPerBlock_ * 512; }
    // Free when the block's table entry is all zeros; blocks the table does not reach count
    // as used.
    bool IsBlockUsed(std::uint64_t block) override;
    bool HasBlockMap() const override { return true; }

    // Reads count blocks from block on; no unless all lie inside the volume and were read.
    bool ReadBlocks(std::uint8_t* out, std::uint64_t block, std::uint64_t count) const;
    // Up to limit blocks of the chain from first, in order; null when it breaks first.
    std::optional<std::vector<std::uint32_t>> Chain(std::uint32_t first, std::uint64_t limit) const;

private:
    // The block-allocation table follows itself: loads it block by block along its chain.
    bool LoadTable(std::uint32_t first);
    std::unique_ptr<cFSObject> EntryFrom(std::uint64_t id);

    std::uint32_t sectorsPerBlock_ = 0;
    std::vector<std::uint8_t> fat_;
    std::vector<std::uint8_t> directory_;
    // (parent, entry) of every object, sorted: a folder's entries are one range.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> children_;
};
