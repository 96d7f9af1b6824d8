#include "scan/vstorage.h"

#include "base/checked.h"

#include <limits>

namespace {

struct FolderLinks {
    cVSItemId firstFile, lastFile, firstFolder, lastFolder;
};

struct FileData {
    std::uint64_t size;
    std::uint64_t position;      // record position, start sector or extents' pool handle
    std::uint32_t mtimeOrLength; // kind 1: the time; kind 3: bytes of the extent list
    std::uint8_t fsType;
};

} // namespace

// Folders and files share one record of 48 bytes; the halves of the union never meet.
struct cQORNVStorage::Item {
    cVSItemId next;
    cVSItemId parent;
    std::uint64_t name; // pool handle
    std::uint16_t nameLength;
    std::uint8_t type;
    std::uint8_t fileKind;
    union {
        FolderLinks folder;
        FileData file;
    };
};

cQORNVStorage::cQORNVStorage() = default;
cQORNVStorage::~cQORNVStorage() = default;

cQORNVStorage::Item& cQORNVStorage::At(cVSItemId id) {
    return chunks_[(id - 1) / kItemsPerChunk][(id - 1) % kItemsPerChunk];
}
const cQORNVStorage::Item& cQORNVStorage::At(cVSItemId id) const {
    return chunks_[(id - 1) / kItemsPerChunk][(id - 1) % kItemsPerChunk];
}

cVSItemId cQORNVStorage::NewItem(std::string_view name) {
    if (count_ == std::numeric_limits<cVSItemId>::max() || name.size() > UINT16_MAX) {
        return kNoItem;
    }
    const auto handle =
        pool_.Add({reinterpret_cast<const std::uint8_t*>(name.data()), name.size()});
    if (!handle) {
        return kNoItem;
    }
    if (count_ % kItemsPerChunk == 0) {
        chunks_.push_back(std::make_unique<Item[]>(kItemsPerChunk));
    }
    const cVSItemId id = ++count_;
    Item& item = At(id);
    item.name = *handle;
    item.nameLength = std::uint16_t(name.size());
    return id;
}

cVSItemId cQORNVStorage::NewFolder(std::string_view name) {
    const cVSItemId id = NewItem(name);
    if (id != kNoItem) {
        At(id).type = vsitem::kFolder;
        At(id).folder = {};
    }
    return id;
}

cVSItemId cQORNVStorage::NewFile(std::string_view name, const cVSFileInfo& info) {
    std::uint64_t position = info.position;
    std::uint32_t mtimeOrLength = info.mtime;
    if (info.kind == vsitem::kMultifragFile) {
        const auto handle =
            info.extents.size() <= UINT32_MAX ? pool_.Add(info.extents) : std::nullopt;
        if (!handle) {
            return kNoItem;
        }
        position = *handle;
        mtimeOrLength = std::uint32_t(info.extents.size());
    }
    const cVSItemId id = NewItem(name);
    if (id != kNoItem) {
        Item& item = At(id);
        item.type = vsitem::kFile;
        item.fileKind = info.kind;
        item.file = {info.size, position, mtimeOrLength, info.fsType};
    }
    return id;
}

bool cQORNVStorage::Rename(cVSItemId item, std::string_view name) {
    const auto handle =
        name.size() <= UINT16_MAX
            ? pool_.Add({reinterpret_cast<const std::uint8_t*>(name.data()), name.size()})
            : std::nullopt;
    if (!IsItem(item) || !handle) {
        return false;
    }
    At(item).name = *handle;
    At(item).nameLength = std::uint16_t(name.size());
    return true;
}

bool cQORNVStorage::CreateRoot(std::string_view name) {
    if (root_ != kNoItem) {
        return false;
    }
    root_ = NewFolder(name);
    return root_ != kNoItem;
}

bool cQORNVStorage::Insert(cVSItemId item, cVSItemId folder) {
    if (folder == kNoItem) {
        if (root_ == kNoItem && !CreateRoot(kRootName)) {
            return false;
        }
        folder = root_;
    }
    if (!IsItem(item) || !IsItem(folder) || !IsFolder(folder) || item == root_ ||
        At(item).parent != kNoItem) {
        return false;
    }
    const bool isFolder = IsFolder(item);
    // A detached folder may already hold items; it must not go below one of them.
    for (cVSItemId above = folder; isFolder && above != kNoItem; above = At(above).parent) {
        if (above == item) {
            return false;
        }
    }
    Item& holder = At(folder);
    cVSItemId& first = isFolder ? holder.folder.firstFolder : holder.folder.firstFile;
    cVSItemId& last = isFolder ? holder.folder.lastFolder : holder.folder.lastFile;
    if (last == kNoItem) {
        first = item;
    } else {
        At(last).next = item;
    }
    last = item;
    At(item).parent = folder;
    return true;
}

cVSItemId cQORNVStorage::OrphanFolder() {
    if (orphans_ == kNoItem) {
        const cVSItemId folder = NewFolder(kOrphanName);
        if (folder != kNoItem && Insert(folder)) {
            orphans_ = folder;
        }
    }
    return orphans_;
}

bool cQORNVStorage::IsFolder(cVSItemId id) const {
    return At(id).type == vsitem::kFolder;
}
std::string_view cQORNVStorage::Name(cVSItemId id) const {
    const Item& item = At(id);
    const auto bytes = pool_.Get(item.name, item.nameLength);
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}
cVSItemId cQORNVStorage::Parent(cVSItemId id) const {
    return At(id).parent;
}
cVSItemId cQORNVStorage::Next(cVSItemId id) const {
    return At(id).next;
}
cVSItemId cQORNVStorage::FirstSubfolder(cVSItemId folder) const {
    return IsFolder(folder) ? At(folder).folder.firstFolder : kNoItem;
}
cVSItemId cQORNVStorage::FirstFile(cVSItemId folder) const {
    return IsFolder(folder) ? At(folder).folder.firstFile : kNoItem;
}
std::uint8_t cQORNVStorage::FileKind(cVSItemId file) const {
    return IsFolder(file) ? 0 : At(file).fileKind;
}
std::uint64_t cQORNVStorage::Size(cVSItemId file) const {
    return IsFolder(file) ? 0 : At(file).file.size;
}
std::uint64_t cQORNVStorage::Position(cVSItemId file) const {
    return FileKind(file) == vsitem::kMultifragFile || IsFolder(file) ? 0 : At(file).file.position;
}
std::uint32_t cQORNVStorage::MTime(cVSItemId file) const {
    return FileKind(file) == vsitem::kFsFile ? At(file).file.mtimeOrLength : 0;
}
std::uint8_t cQORNVStorage::FsType(cVSItemId file) const {
    return FileKind(file) == vsitem::kFsFile ? At(file).file.fsType : 0;
}
std::span<const std::uint8_t> cQORNVStorage::Extents(cVSItemId file) const {
    if (FileKind(file) != vsitem::kMultifragFile) {
        return {};
    }
    return pool_.Get(At(file).file.position, At(file).file.mtimeOrLength);
}

std::uint64_t cQORNVStorage::HeldBytes() const {
    return std::uint64_t(chunks_.size()) * kItemsPerChunk * sizeof(Item) + pool_.ReservedBytes();
}

cVSTotals CountFiles(const cQORNVStorage& tree) {
    cVSTotals totals;
    // Folders nest as deep as the disk said: a list of folders to visit, not recursion.
    std::vector<cVSItemId> folders;
    if (tree.Root() != kNoItem) {
        folders.push_back(tree.Root());
    }
    while (!folders.empty()) {
        const cVSItemId folder = folders.back();
        folders.pop_back();
        for (cVSItemId item = tree.FirstSubfolder(folder); item; item = tree.Next(item)) {
            folders.push_back(item);
        }
        for (cVSItemId item = tree.FirstFile(folder); item; item = tree.Next(item)) {
            ++totals.files;
            totals.bytes = checked::SaturatingAdd(totals.bytes, tree.Size(item));
        }
    }
    return totals;
}
