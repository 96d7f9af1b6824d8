#include "vfs/hfs/hfs_reader.h"

#include "base/checked.h"
#include "io/base_io.h"

#include <algorithm>
#include <limits>

void cHFSReader::SetGeometry(std::uint64_t firstSector, std::uint32_t blockBytes,
                             std::uint64_t blocks) {
    firstSector_ = firstSector;
    blockBytes_ = blockBytes;
    blockCount_ = blocks;
}

std::vector<std::uint8_t> cHFSReader::GetIdentity() const {
    std::vector<std::uint8_t> identity{std::uint8_t(GetFSType())};
    identity.insert(identity.end(), identity_.begin(), identity_.end());
    return identity;
}

bool cHFSReader::ReadBlocks(std::uint8_t* out, std::uint64_t block, std::uint64_t count) const {
    const std::uint64_t blockSectors = blockBytes_ / 512;
    const std::optional<std::uint64_t> end = checked::Add(block, count);
    if (!end || *end > blockCount_ ||
        count > std::numeric_limits<std::uint32_t>::max() / blockSectors) {
        return false;
    }
    // Blocks lie inside the volume, whose sectors were checked to fit 64 bits at mount.
    const std::optional<std::uint64_t> sector = checked::Add(firstSector_, block * blockSectors);
    return sector && ReadSectorsAt(*sector, out, std::uint32_t(count * blockSectors));
}

std::unique_ptr<cHFSxHandle> cHFSReader::OpenFork(const hfs::cFork& fork, std::uint32_t owner) {
    const std::uint64_t needed =
        fork.logicalSize / blockBytes_ + (fork.logicalSize % blockBytes_ != 0);
    std::vector<hfs::cExtent> extents = fork.extents;
    if (hfs::BlocksIn(extents) < needed) {
        AddOverflowExtents(owner, needed, extents);
    }
    auto handle = std::make_unique<cHFSxHandle>(this);
    handle->SetUnitSize(blockBytes_);
    std::uint64_t blocks = 0;
    for (const hfs::cExtent& extent : extents) {
        if (blocks >= needed || std::uint64_t(extent.start) + extent.count > blockCount_) {
            break;
        }
        handle->AppendRun(extent.start, extent.count);
        blocks += extent.count;
    }
    const std::uint64_t readable = checked::SaturatingMul(blocks, std::uint64_t(blockBytes_));
    handle->SetSize(std::min(fork.logicalSize, readable));
    handle->SetDamaged(readable < fork.logicalSize);
    return handle;
}

void cHFSReader::AddOverflowExtents(std::uint32_t owner, std::uint64_t blocks,
                                    std::vector<hfs::cExtent>& extents) {
    std::uint64_t have = hfs::BlocksIn(extents);
    extents_.SearchById(owner, [&](const hfs::cRecord& found) {
        const std::optional<cOverflowRecord> record = ParseOverflow(found);
        if (!record || record->forkType != 0) {
            return true;
        }
        // Records follow each other in the fork; one that does not start where the
        // extents so far end leaves a gap that nothing could fill.
        if (record->startBlock != have) {
            return false;
        }
        extents.insert(extents.end(), record->extents.begin(), record->extents.end());
        have += hfs::BlocksIn(record->extents);
        return have < blocks && !record->extents.empty();
    });
}

bool cHFSReader::OpenTrees(const hfs::cFork& extents, const hfs::cFork& catalog,
                           hfs::cKeyFormat extentsKey, hfs::cKeyFormat catalogKey) {
    // The extents file never overflows into itself.
    std::unique_ptr<cHFSxHandle> extentsStream = OpenFork(extents, hfs::kExtentsFileId);
    if (!extentsStream || extentsStream->IsDamaged() ||
        !extents_.Open(std::move(extentsStream), extentsKey)) {
        return false;
    }
    std::unique_ptr<cHFSxHandle> catalogStream = OpenFork(catalog, hfs::kCatalogFileId);
    return catalogStream && !catalogStream->IsDamaged() &&
           catalog_.Open(std::move(catalogStream), catalogKey);
}

std::unique_ptr<cFSObject> cHFSReader::MakeEntry(const hfs::cCatalogRecord& record,
                                                 std::u16string name, std::uint32_t parent) {
    std::unique_ptr<cFSObject> entry;
    if (record.type == hfs::kFolderRecord) {
        entry = std::make_unique<cFSFolder>();
    } else {
        entry = std::make_unique<cFSFile>();
        entry->size = record.data.logicalSize;
    }
    entry->id = (std::uint64_t(parent) << 32) | record.id;
    entry->name = std::move(name);
    entry->mtime = fstime::FromUnixTime(hfs::UnixTime(record.modified));
    entry->fileSystem = this;
    return entry;
}

bool cHFSReader::EnumFolder(const cFSObject& folder, const cEnumCallback& callback,
                            std::uint32_t flags) {
    const std::uint32_t folderId = std::uint32_t(folder.id);
    bool stopped = false;
    const bool walked = catalog_.SearchById(folderId, [&](const hfs::cRecord& found) {
        std::optional<hfs::cCatalogRecord> record = ParseRecord(found.data);
        if (!record || (record->type != hfs::kFolderRecord && record->type != hfs::kFileRecord) ||
            record->special) {
            return true;
        }
        std::optional<std::u16string> name = RecordName(found.key);
        if (!name) {
            return true;
        }
        ResolveLink(*record);
        std::unique_ptr<cFSObject> entry = MakeEntry(*record, std::move(*name), folderId);
        entry->parentId = folder.id;
        stopped = !callback(*entry);
        return !stopped;
    });
    return walked && !stopped;
}

std::optional<cHFSReader::cFound> cHFSReader::Find(std::uint64_t id) {
    const std::uint32_t parent = std::uint32_t(id >> 32);
    const std::uint32_t own = std::uint32_t(id);
    std::optional<cFound> found;
    std::uint32_t grandparent = 0;
    catalog_.SearchById(parent, [&](const hfs::cRecord& candidate) {
        const std::optional<hfs::cCatalogRecord> record = ParseRecord(candidate.data);
        if (!record) {
            return true;
        }
        // The parent's own thread record has an empty name and so comes first.
        if (record->type == hfs::kFolderThread) {
            grandparent = record->id;
            return true;
        }
        if ((record->type != hfs::kFolderRecord && record->type != hfs::kFileRecord) ||
            record->special || record->id != own) {
            return true;
        }
        std::optional<std::u16string> name = RecordName(candidate.key);
        if (name) {
            found = cFound{*record, std::move(*name), grandparent};
        }
        return false;
    });
    if (found) {
        ResolveLink(found->record);
    }
    return found;
}

std::unique_ptr<cFSObject> cHFSReader::GetObject(std::uint64_t id) {
    if (id == kRootId) {
        std::unique_ptr<cFSObject> root = FolderStub(kRootId);
        root->parentId = kRootId;
        return root;
    }
    std::optional<cFound> found = Find(id);
    if (!found) {
        return nullptr;
    }
    const std::uint32_t parent = std::uint32_t(id >> 32);
    std::unique_ptr<cFSObject> entry = MakeEntry(found->record, std::move(found->name), parent);
    const std::uint32_t grandparent =
        found->grandparent == hfs::kRootParentId ? hfs::kRootFolderId : found->grandparent;
    entry->parentId = (std::uint64_t(grandparent) << 32) | parent;
    return entry;
}

std::unique_ptr<cObjectHandle> cHFSReader::OpenObject(const cFSObject& entry) {
    if (entry.Kind() != fskind::kFile) {
        return nullptr;
    }
    const std::optional<cFound> found = Find(entry.id);
    if (!found || found->record.type != hfs::kFileRecord) {
        return nullptr;
    }
    if (found->record.data.logicalSize == 0) {
        return std::make_unique<cEmptyObjectHandle>();
    }
    return OpenFork(found->record.data, found->record.dataOwner);
}
