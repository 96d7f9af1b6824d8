#pragma once
// cVReiser: the ReiserFS reader (type 13), formats 3.5 and 3.6. Object ids are the folder
// id × 2^32 + the object id of an object's key; the root is 1 × 2^32 + 2. Objects are found
// by key in the balanced tree, whose nodes go through a cache of 1024 blocks. The journal
// is not replayed.

#include "vfs/reiser/reiser_tree.h"
#include "vfs/vfs.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class cVReiser final : public cVFS {
public:
    // Type code, the volume identifier (superblock offset 84) and the block count.
    std::vector<std::uint8_t> GetIdentity() const override;
    std::uint32_t GetFSType() const override { return fstype::kReiser; }

    std::unique_ptr<cFSObject> GetObject(std::uint64_t id) override;
    bool Mount(cPartRecord& record) override;
    std::unique_ptr<cObjectHandle> OpenObject(const cFSObject& entry) override;
    std::uint64_t GetRootId() const override { return kRootId; }
    // "." and ".." as stored, then the folder's entries in hash order.
    bool EnumFolder(const cFSObject& folder, const cEnumCallback& callback,
                    std::uint32_t flags = 0) override;

    std::uint32_t GetBlockSize() const override { return blockSize_; }
    // The block's bit in the bitmap; yes when the bitmap cannot be read.
    bool IsBlockUsed(std::uint64_t block) override;
    bool HasBlockMap() const override { return true; }

    // Reads count blocks from block on; no unless all lie inside the volume and were read.
    bool ReadBlocks(std::uint8_t* out, std::uint64_t block, std::uint64_t count) const;
    // Calls visit with every item of the object in key order, as long as it answers yes;
    // no when a node on the way cannot be read or the tree is not well formed.
    bool VisitItems(reiser::cShortKey object,
                    const std::function<bool(const reiser::cItem&)>& visit);

    static constexpr std::uint64_t kRootId = (std::uint64_t(1) << 32) | 2;
    static constexpr std::size_t kCacheBlocks = 1024;

private:
    // A tree node through the cache: its bytes stay valid until the next read.
    const std::vector<std::uint8_t>* Node(std::uint32_t block);
    bool Descend(std::uint32_t block, std::uint16_t level, reiser::cShortKey object,
                 const std::function<bool(const reiser::cItem&)>& visit, std::uint32_t& budget);
    std::optional<reiser::cStat> Stat(reiser::cShortKey object);
    std::unique_ptr<cFSObject> EntryFrom(std::uint64_t id, const reiser::cStat& stat);

    struct cSlot {
        std::uint32_t block = 0;
        bool filled = false;
        std::vector<std::uint8_t> bytes;
    };

    std::uint32_t blockSize_ = 0;
    std::uint32_t rootBlock_ = 0;
    std::uint16_t treeHeight_ = 0;
    std::array<std::uint8_t, 16> uuid_{};
    std::vector<cSlot> cache_;
    std::vector<std::uint8_t> bitmap_;
    std::uint64_t bitmapIndex_ = ~std::uint64_t(0);
};
