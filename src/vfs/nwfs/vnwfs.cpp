#include "vfs/nwfs/vnwfs.h"

#include "base/checked.h"
#include "vfs/nwfs/nwfs_handle.h"
#include "vfs/nwfs/nwfs_tables.h"

#include <algorithm>

namespace {

// NetWare blocks are 4 to 64 KiB; smaller powers of two are accepted too.
constexpr std::uint32_t kMaxSectorsPerBlock = 128;
// The directory table is loaded whole: 64 MiB holds half a million entries.
constexpr std::uint64_t kMaxDirectoryBytes = std::uint64_t(64) << 20;

} // namespace

// ---------------------------------------------------------------------------------------
// Mounting

bool cVNWFS::Mount(cPartRecord& record) {
    const auto* data = record.FindExtensionAs<cNWPartData>(part_ext::kNetWareData);
    const std::uint32_t sectors = data ? data->SectorsPerBlock() : 0;
    if (sectors == 0 || sectors > kMaxSectorsPerBlock || (sectors & (sectors - 1)) != 0 ||
        record.Length() / sectors == 0) {
        return false;
    }
    BindPartition(&record);
    sectorsPerBlock_ = sectors;
    blockCount_ = record.Length() / sectors;
    bool ok = LoadTable(data->FirstFatBlock());
    if (ok) {
        const std::uint64_t limit = kMaxDirectoryBytes / GetBlockSize();
        const std::optional<std::vector<std::uint32_t>> chain =
            Chain(data->FirstDirectoryBlock(), limit);
        directory_.assign(chain ? chain->size() * GetBlockSize() : 0, 0);
        for (std::size_t n = 0; ok && chain && n < chain->size(); ++n) {
            ok = ReadBlocks(&directory_[n * GetBlockSize()], (*chain)[n], 1);
        }
        ok = ok && !directory_.empty();
    }
    if (!ok) {
        fat_.clear();
        directory_.clear();
        sectorsPerBlock_ = 0;
        blockCount_ = 0;
        BindPartition(nullptr);
        return false;
    }
    for (std::uint32_t n = 1; n < directory_.size() / nwfs::kDirEntry; ++n) {
        const std::optional<nwfs::cEntry> entry = nwfs::EntryAt(directory_, n);
        if (entry && entry->dosNameSpace && entry->parent != n) {
            children_.emplace_back(entry->parent, n);
        }
    }
    std::sort(children_.begin(), children_.end());
    return true;
}

bool cVNWFS::LoadTable(std::uint32_t first) {
    // The table's own entries must lie in the part already loaded; it needs no more than
    // an entry per block of the volume.
    const std::uint64_t limit = blockCount_ * nwfs::kFatEntry / GetBlockSize() + 1;
    std::uint32_t block = first;
    for (std::uint32_t position = 0; position < limit; ++position) {
        if (block >= blockCount_) {
            return false;
        }
        fat_.resize(fat_.size() + GetBlockSize());
        if (!ReadBlocks(&fat_[fat_.size() - GetBlockSize()], block, 1)) {
            return false;
        }
        const std::optional<nwfs::cFatLink> link = nwfs::LinkOf(fat_, block);
        if (!link || link->sequence != position) {
            return false;
        }
        if (link->next == 0 || link->next == 0xFFFFFFFF) {
            return true;
        }
        block = link->next;
    }
    return true;
}

std::optional<std::vector<std::uint32_t>> cVNWFS::Chain(std::uint32_t first,
                                                        std::uint64_t limit) const {
    std::vector<std::uint32_t> blocks;
    const bool ok = nwfs::FollowChain(fat_, blockCount_, first, [&](std::uint32_t block) {
        blocks.push_back(block);
        return blocks.size() < limit;
    });
    if (!ok) {
        return std::nullopt;
    }
    return blocks;
}

bool cVNWFS::ReadBlocks(std::uint8_t* out, std::uint64_t block, std::uint64_t count) const {
    return ReadBlocksIn({0, sectorsPerBlock_, blockCount_}, out, block, count);
}

bool cVNWFS::IsBlockUsed(std::uint64_t block) {
    const std::optional<nwfs::cFatLink> link = nwfs::LinkOf(fat_, block);
    return !link || link->sequence != 0 || link->next != 0;
}

// ---------------------------------------------------------------------------------------
// Objects

std::unique_ptr<cFSObject> cVNWFS::EntryFrom(std::uint64_t id) {
    const std::optional<nwfs::cEntry> entry =
        id != 0 ? nwfs::EntryAt(directory_, id) : std::nullopt;
    if (!entry || !entry->dosNameSpace) {
        return nullptr;
    }
    std::unique_ptr<cFSObject> object = MakeEntry(entry->folder, id, entry->size, cFSTime{});
    object->parentId = entry->parent;
    object->name = DecodeName(entry->name);
    return object;
}

std::unique_ptr<cFSObject> cVNWFS::GetObject(std::uint64_t id) {
    return id == 0 ? FolderStub(0) : EntryFrom(id);
}

bool cVNWFS::EnumFolder(const cFSObject& folder, const cEnumCallback& callback, std::uint32_t) {
    if (folder.id != 0) {
        const std::unique_ptr<cFSObject> self = EntryFrom(folder.id);
        if (!self || self->Kind() != fskind::kFolder) {
            return false;
        }
    }
    const auto first = std::lower_bound(children_.begin(), children_.end(),
                                        std::pair{std::uint32_t(folder.id), std::uint32_t(0)});
    for (auto it = first; it != children_.end() && it->first == folder.id; ++it) {
        const std::unique_ptr<cFSObject> entry = EntryFrom(it->second);
        if (entry && !callback(*entry)) {
            return false;
        }
    }
    return true;
}

std::unique_ptr<cObjectHandle> cVNWFS::OpenObject(const cFSObject& entry) {
    const std::optional<nwfs::cEntry> record =
        entry.id != 0 ? nwfs::EntryAt(directory_, entry.id) : std::nullopt;
    if (!record || record->folder) {
        return nullptr;
    }
    if (record->size == 0) {
        return std::make_unique<cEmptyObjectHandle>();
    }
    auto handle = std::make_unique<cNWFSHandle>(this);
    if (!handle->Map(record->firstBlock, record->size)) {
        return nullptr;
    }
    return handle;
}
