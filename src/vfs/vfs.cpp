#include "vfs/vfs.h"

#include "base/bytes.h"
#include "base/checked.h"
#include "base/utf.h"
#include "io/base_io.h"
#include "vfs/name_match.h"

#include <string>

std::vector<std::uint8_t> cVFS::GetIdentity() const {
    std::vector<std::uint8_t> identity(9);
    identity[0] = std::uint8_t(GetFSType());
    bytes::PutLe64(&identity[1], GetBlockCount());
    return identity;
}

std::vector<std::uint8_t> cVFS::StartIdentity() const {
    std::vector<std::uint8_t> identity(9);
    identity[0] = std::uint8_t(GetFSType());
    bytes::PutLe64(&identity[1], PartitionStart());
    return identity;
}

void cVFS::BindPartition(cPartRecord* record) {
    partition_ = record;
    partitionStart_ = record ? record->Start() : 0;
}

bool cVFS::ReadSectorsAt(std::uint64_t sector, void* buffer, std::uint32_t count) const {
    cBaseIO* storage = Storage();
    return storage && storage->SeekSector(sector) == std::int64_t(sector) &&
           storage->ReadSectors(buffer, count) == count;
}

bool cVFS::ReadBlocksIn(const cBlockSpan& span, void* out, std::uint64_t block,
                        std::uint64_t count) const {
    if (count == 0 || span.blockSectors == 0 || block >= span.blocks ||
        count > span.blocks - block || count > UINT32_MAX / span.blockSectors) {
        return false;
    }
    const std::optional<std::uint64_t> offset = checked::Mul(block, span.blockSectors);
    const std::optional<std::uint64_t> relative =
        offset ? checked::Add(span.firstSector, *offset) : std::nullopt;
    const std::optional<std::uint64_t> at =
        relative ? checked::Add(PartitionStart(), *relative) : std::nullopt;
    return at && ReadSectorsAt(*at, out, std::uint32_t(count * span.blockSectors));
}

std::unique_ptr<cFSObject> cVFS::MakeEntry(bool folder, std::uint64_t id, std::uint64_t size,
                                           const cFSTime& mtime) {
    std::unique_ptr<cFSObject> entry;
    if (folder) {
        entry = std::make_unique<cFSFolder>();
    } else {
        entry = std::make_unique<cFSFile>();
    }
    RefillEntry(*entry, id, folder ? 0 : size, mtime);
    return entry;
}

void cVFS::RefillEntry(cFSObject& entry, std::uint64_t id, std::uint64_t size,
                       const cFSTime& mtime) {
    entry.id = id;
    entry.size = size;
    entry.mtime = mtime;
    entry.fileSystem = this;
    entry.damaged = false;
}

std::unique_ptr<cFSObject> cVFS::FolderStub(std::uint64_t id) {
    auto folder = std::make_unique<cFSFolder>();
    folder->id = id;
    folder->fileSystem = this;
    return folder;
}

std::unique_ptr<cFSObject> cVFS::NameFromParent(std::unique_ptr<cFSObject> entry) {
    if (!entry) {
        return nullptr;
    }
    if (entry->Kind() == fskind::kFile) {
        entry->name = utf::FromAscii("file" + std::to_string(entry->id));
        return entry;
    }
    const std::unique_ptr<cFSObject> dotDot = FindEntryByName(entry->id, u"..");
    if (!dotDot) {
        return nullptr;
    }
    std::optional<std::u16string> name = FindNameById(dotDot->id, entry->id);
    if (!name) {
        return nullptr;
    }
    entry->parentId = dotDot->id;
    entry->name = std::move(*name);
    return entry;
}

std::optional<std::u16string> cVFS::BuildPath(const cFSObject& entry, std::uint32_t capacity) {
    // Filled from the end, as names are found child first. Every name after the first
    // costs at least its '/', so a parent loop on a damaged volume ends when space does.
    if (capacity == 0) {
        return std::nullopt;
    }
    std::u16string buffer(capacity, u'\0');
    std::size_t at = capacity - 1; // the terminator's place
    std::unique_ptr<cFSObject> current = entry.Clone();
    bool first = true;
    while (current->id != GetRootId()) {
        const std::u16string& name = current->name;
        const std::size_t need = name.size() + (first ? 0 : 1);
        if (need > at) {
            return std::nullopt;
        }
        if (!first) {
            buffer[--at] = u'/';
        }
        at -= name.size();
        buffer.replace(at, name.size(), name);
        first = false;
        std::unique_ptr<cFSObject> parent = GetObject(current->parentId);
        if (!parent || parent->Kind() != fskind::kFolder) {
            return std::nullopt;
        }
        current = std::move(parent);
    }
    if (at == 0) {
        return std::nullopt;
    }
    buffer[--at] = u'/';
    return buffer.substr(at, capacity - 1 - at);
}

std::unique_ptr<cFSObject> cVFS::FindByPath(std::u16string_view path, std::uint64_t startFolderId) {
    std::uint64_t folderId = startFolderId;
    std::size_t at = 0;
    if (!path.empty() && path[0] == u'/') {
        folderId = GetRootId();
        while (at < path.size() && path[at] == u'/') {
            ++at;
        }
    }
    if (at == path.size()) {
        return GetObject(GetRootId());
    }
    std::unique_ptr<cFSObject> found;
    while (at < path.size()) {
        std::size_t end = path.find(u'/', at);
        if (end == std::u16string_view::npos) {
            end = path.size();
        }
        const std::u16string_view component = path.substr(at, end - at);
        while (end < path.size() && path[end] == u'/') {
            ++end;
        }
        at = end;
        if (component.size() >= kMaxPath) {
            return nullptr;
        }
        if (found && found->Kind() != fskind::kFolder) {
            return nullptr;
        }
        if (found) {
            folderId = found->id;
        }
        std::unique_ptr<cFSObject> match;
        const bool caseSensitive = IsCaseSensitive();
        EnumFolder(*FolderStub(folderId), [&](cFSObject& candidate) {
            if (!vfsname::NamesEqual(candidate.name, component, caseSensitive)) {
                return true;
            }
            match = candidate.Clone();
            return false;
        });
        if (!match) {
            return nullptr;
        }
        found = std::move(match);
    }
    return found;
}

std::unique_ptr<cFSObject> cVFS::FindEntryByName(std::uint64_t folderId, std::u16string_view name) {
    std::unique_ptr<cFSObject> match;
    const bool caseSensitive = IsCaseSensitive();
    EnumFolder(*FolderStub(folderId), [&](cFSObject& candidate) {
        const std::uint32_t kind = candidate.Kind();
        if ((kind != fskind::kFolder && kind != fskind::kFile) ||
            !vfsname::NamesEqual(candidate.name, name, caseSensitive)) {
            return true;
        }
        match = candidate.Clone();
        return false;
    });
    return match;
}

std::optional<std::u16string> cVFS::FindNameById(std::uint64_t folderId, std::uint64_t id) {
    std::optional<std::u16string> name;
    EnumFolder(*FolderStub(folderId), [&](cFSObject& candidate) {
        const std::uint32_t kind = candidate.Kind();
        if ((kind != fskind::kFolder && kind != fskind::kFile) || candidate.id != id) {
            return true;
        }
        name = candidate.name;
        return false;
    });
    return name;
}
