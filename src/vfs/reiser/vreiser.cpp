#include "vfs/reiser/vreiser.h"

#include "base/checked.h"
#include "vfs/reiser/reiser_handle.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace {

constexpr std::uint64_t kSuperblockSector = 128;
// No lookup visits more nodes than this, however the keys of a damaged tree repeat.
constexpr std::uint32_t kMaxNodeVisits = 65536;
constexpr std::string_view kPrivateFolder = ".reiserfs_priv";

reiser::cShortKey KeyOf(std::uint64_t id) {
    return {std::uint32_t(id >> 32), std::uint32_t(id)};
}

std::uint64_t IdOf(reiser::cShortKey key) {
    return (std::uint64_t(key.dirId) << 32) | key.objectId;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Mounting

bool cVReiser::Mount(cPartRecord& record) {
    BindPartition(&record);
    std::array<std::uint8_t, 512> sector{};
    const std::optional<std::uint64_t> at = checked::Add(PartitionStart(), kSuperblockSector);
    const auto sb = bytes::Slice<116>(sector);
    bool ok = at && ReadSectorsAt(*at, sector.data(), 1) &&
              std::memcmp(sector.data() + 52, "ReIsEr", 6) == 0;
    if (ok) {
        blockCount_ = bytes::Le32<0>(*sb);
        rootBlock_ = bytes::Le32<8>(*sb);
        blockSize_ = bytes::Le16<44>(*sb);
        treeHeight_ = bytes::Le16<68>(*sb);
        std::copy_n(sector.begin() + 84, uuid_.size(), uuid_.begin());
        ok = blockSize_ >= 512 && (blockSize_ & (blockSize_ - 1)) == 0 && rootBlock_ < blockCount_;
    }
    if (ok) {
        cache_.assign(kCacheBlocks, cSlot{});
        bitmapIndex_ = ~std::uint64_t(0);
        const std::optional<reiser::cStat> root = Stat(KeyOf(kRootId));
        ok = root && root->IsFolder();
    }
    if (!ok) {
        cache_.clear();
        blockCount_ = 0;
        BindPartition(nullptr);
        return false;
    }
    // The label field came with the 3.6 superblock; older ones leave it zero.
    const std::string_view label(reinterpret_cast<const char*>(sector.data() + 100), 16);
    const std::size_t length = std::min(label.find('\0'), label.size());
    if (length > 0 && !record.FindExtension(part_ext::kVolumeName)) {
        record.AttachExtension(
            std::make_unique<cPartNameData>(DecodeName(bytes::Span(sector).subspan(100, length))));
    }
    return true;
}

std::vector<std::uint8_t> cVReiser::GetIdentity() const {
    std::vector<std::uint8_t> identity(1 + uuid_.size() + 4);
    identity[0] = std::uint8_t(GetFSType());
    std::copy(uuid_.begin(), uuid_.end(), identity.begin() + 1);
    bytes::PutLe32(&identity[1 + uuid_.size()], std::uint32_t(blockCount_));
    return identity;
}

// ---------------------------------------------------------------------------------------
// Blocks and the tree

bool cVReiser::ReadBlocks(std::uint8_t* out, std::uint64_t block, std::uint64_t count) const {
    return ReadBlocksIn({0, blockSize_ / 512u, blockCount_}, out, block, count);
}

const std::vector<std::uint8_t>* cVReiser::Node(std::uint32_t block) {
    cSlot& slot = cache_[block % kCacheBlocks];
    if (slot.filled && slot.block == block) {
        return &slot.bytes;
    }
    slot.bytes.resize(blockSize_);
    slot.filled = ReadBlocks(slot.bytes.data(), block, 1);
    slot.block = block;
    return slot.filled ? &slot.bytes : nullptr;
}

bool cVReiser::Descend(std::uint32_t block, std::uint16_t level, reiser::cShortKey object,
                       const std::function<bool(const reiser::cItem&)>& visit,
                       std::uint32_t& budget) {
    if (budget == 0) {
        return false;
    }
    --budget;
    const std::vector<std::uint8_t>* bytes = Node(block);
    std::optional<reiser::cNode> node = bytes ? reiser::ParseNode(*bytes) : std::nullopt;
    // Each child lies exactly one level below its parent, so no walk loops.
    if (!node || node->level != level) {
        return false;
    }
    if (level == reiser::kLeafLevel) {
        for (const reiser::cItem& item : node->items) {
            if (item.key.object == object && !visit(item)) {
                return true;
            }
        }
        return true;
    }
    // Child i holds the keys from keys[i - 1] up to keys[i]: the object's items can lie in
    // every child whose range touches its short key.
    for (std::size_t i = 0; i < node->children.size(); ++i) {
        if ((i > 0 && node->keys[i - 1].object > object) ||
            (i < node->keys.size() && node->keys[i].object < object)) {
            continue;
        }
        if (!Descend(node->children[i], std::uint16_t(level - 1), object, visit, budget)) {
            return false;
        }
    }
    return true;
}

bool cVReiser::VisitItems(reiser::cShortKey object,
                          const std::function<bool(const reiser::cItem&)>& visit) {
    const std::vector<std::uint8_t>* root = Node(rootBlock_);
    const std::optional<reiser::cNode> node = root ? reiser::ParseNode(*root) : std::nullopt;
    if (!node) {
        return false;
    }
    std::uint32_t budget = kMaxNodeVisits;
    bool more = true;
    return Descend(
        rootBlock_, node->level, object,
        [&](const reiser::cItem& item) { return more = more && visit(item); }, budget);
}

std::optional<reiser::cStat> cVReiser::Stat(reiser::cShortKey object) {
    std::optional<reiser::cStat> stat;
    VisitItems(object, [&](const reiser::cItem& item) {
        if (item.key.type == reiser::eItem::kStat) {
            stat = reiser::ParseStat(item);
        }
        return false;
    });
    return stat;
}

bool cVReiser::IsBlockUsed(std::uint64_t block) {
    const std::uint64_t bitsPerBlock = std::uint64_t(blockSize_) * 8;
    if (block >= blockCount_) {
        return true;
    }
    const std::uint64_t index = block / bitsPerBlock;
    if (index != bitmapIndex_) {
        // The first bitmap follows the superblock; each later one starts its own range.
        const std::uint64_t where = index == 0 ? 65536 / blockSize_ + 1 : index * bitsPerBlock;
        bitmap_.resize(blockSize_);
        if (!ReadBlocks(bitmap_.data(), where, 1)) {
            bitmapIndex_ = ~std::uint64_t(0);
            return true;
        }
        bitmapIndex_ = index;
    }
    const std::uint64_t bit = block % bitsPerBlock;
    return (bitmap_[bit / 8] >> (bit % 8)) & 1;
}

// ---------------------------------------------------------------------------------------
// Objects

std::unique_ptr<cFSObject> cVReiser::EntryFrom(std::uint64_t id, const reiser::cStat& stat) {
    std::unique_ptr<cFSObject> entry;
    if (stat.IsFolder()) {
        entry = std::make_unique<cFSFolder>();
    } else if (stat.IsFile()) {
        entry = std::make_unique<cFSFile>();
    } else {
        return nullptr;
    }
    entry->id = id;
    entry->parentId = kRootId;
    entry->size = stat.size;
    entry->mtime = fstime::FromUnixTime(stat.mtime);
    entry->fileSystem = this;
    return entry;
}

std::unique_ptr<cFSObject> cVReiser::GetObject(std::uint64_t id) {
    const std::optional<reiser::cStat> stat = Stat(KeyOf(id));
    std::unique_ptr<cFSObject> entry = stat ? EntryFrom(id, *stat) : nullptr;
    if (!entry || id == kRootId) {
        return entry;
    }
    return NameFromParent(std::move(entry));
}

std::unique_ptr<cObjectHandle> cVReiser::OpenObject(const cFSObject& entry) {
    const std::optional<reiser::cStat> stat = Stat(KeyOf(entry.id));
    if (!stat || !stat->IsFile()) {
        return nullptr;
    }
    auto handle = std::make_unique<cReiserHandle>(this);
    if (!handle->Map(KeyOf(entry.id), stat->size)) {
        return nullptr;
    }
    return handle;
}

bool cVReiser::EnumFolder(const cFSObject& folder, const cEnumCallback& callback, std::uint32_t) {
    const std::optional<reiser::cStat> stat = Stat(KeyOf(folder.id));
    if (!stat || !stat->IsFolder()) {
        return false;
    }
    // The names are copied out first: reading the entries' stat data reuses the cache.
    std::vector<std::pair<reiser::cShortKey, std::u16string>> entries;
    const bool walked = VisitItems(KeyOf(folder.id), [&](const reiser::cItem& item) {
        if (item.key.type == reiser::eItem::kFolder) {
            for (const reiser::cEntry& entry : reiser::ParseEntries(item)) {
                // The kernel keeps extended attributes below a root folder it never shows.
                if (folder.id == kRootId &&
                    std::string_view(reinterpret_cast<const char*>(entry.name.data()),
                                     entry.name.size()) == kPrivateFolder) {
                    continue;
                }
                entries.emplace_back(entry.object, DecodeName(entry.name));
            }
        }
        return true;
    });
    for (auto& [key, name] : entries) {
        const std::optional<reiser::cStat> child = Stat(key);
        std::unique_ptr<cFSObject> entry = child ? EntryFrom(IdOf(key), *child) : nullptr;
        if (!entry) {
            continue;
        }
        entry->parentId = folder.id;
        entry->name = std::move(name);
        if (!callback(*entry)) {
            return false;
        }
    }
    return walked;
}
