#include "scan/reconstructed_fs.h"

#include "base/bytes.h"
#include "base/checked.h"
#include "base/utf.h"
#include "scan/packed_extents.h"
#include "scan/vrfs_handle.h"
#include "vfs/alt_fs.h"

std::vector<std::uint8_t> cVReconstructedFS::GetIdentity() const {
    std::vector<std::uint8_t> identity(9);
    identity[0] = std::uint8_t(fstype::kReconstructed);
    bytes::PutLe64(&identity[1], PartitionStart());
    return identity;
}

bool cVReconstructedFS::Mount(cPartRecord& record) {
    storage_ = record.FindExtensionAs<cQORNVStorage>(part_ext::kVirtualStorage);
    BindPartition(storage_ ? &record : nullptr);
    return storage_ != nullptr;
}

std::uint64_t cVReconstructedFS::GetRootId() const {
    return storage_ ? storage_->Root() : 0;
}

std::unique_ptr<cFSObject> cVReconstructedFS::Entry(cVSItemId item, std::uint64_t parentId) const {
    std::unique_ptr<cFSObject> entry;
    if (storage_->IsFolder(item)) {
        entry = std::make_unique<cFSFolder>();
    } else {
        entry = std::make_unique<cFSFile>();
        entry->size = storage_->Size(item);
        if (const std::uint32_t mtime = storage_->MTime(item)) {
            entry->mtime = fstime::FromUnixTime(mtime);
        }
    }
    entry->id = item;
    entry->parentId = parentId;
    entry->name = utf::FromUtf8(storage_->Name(item));
    if (entry->name.empty()) {
        entry->name = kInvalidName;
    }
    entry->fileSystem = const_cast<cVReconstructedFS*>(this);
    return entry;
}

std::unique_ptr<cFSObject> cVReconstructedFS::GetObject(std::uint64_t id) {
    if (!storage_ || !storage_->IsItem(id)) {
        return nullptr;
    }
    const cVSItemId parent = storage_->Parent(cVSItemId(id));
    return Entry(cVSItemId(id), parent != kNoItem ? parent : GetRootId());
}

bool cVReconstructedFS::EnumFolder(const cFSObject& folder, const cEnumCallback& callback,
                                   std::uint32_t flags) {
    if (!storage_ || !storage_->IsItem(folder.id) || !storage_->IsFolder(cVSItemId(folder.id))) {
        return false;
    }
    const auto id = cVSItemId(folder.id);
    const cVSItemId parent = storage_->Parent(id);
    for (const auto& [dots, item] : {std::pair{u".", id}, std::pair{u"..", parent ? parent : id}}) {
        std::unique_ptr<cFSObject> entry = Entry(item, id);
        entry->name = dots;
        if (!callback(*entry)) {
            return false;
        }
    }
    for (cVSItemId first : {storage_->FirstSubfolder(id), storage_->FirstFile(id)}) {
        for (cVSItemId item = first; item != kNoItem; item = storage_->Next(item)) {
            if (!callback(*Entry(item, id))) {
                return false;
            }
        }
    }
    return true;
}

std::unique_ptr<cObjectHandle> cVReconstructedFS::OpenObject(const cFSObject& entry) {
    if (!storage_ || !storage_->IsItem(entry.id) || storage_->IsFolder(cVSItemId(entry.id))) {
        return nullptr;
    }
    const auto file = cVSItemId(entry.id);
    switch (storage_->FileKind(file)) {
    case vsitem::kRawFile: {
        auto start = checked::Add(PartitionStart(), storage_->Position(file));
        start = start ? checked::Mul<std::uint64_t>(*start, kSectorSize) : std::nullopt;
        if (!start) {
            return nullptr;
        }
        return std::make_unique<cLinearObjectHandle>(this, *start, storage_->Size(file));
    }
    case vsitem::kMultifragFile:
        return OpenFragments(file);
    case vsitem::kFsFile:
        return OpenThroughReader(file);
    default:
        return nullptr;
    }
}

// Ordinary extents become runs until the tail; one ordinary extent alone covers the whole
// size, rounded up to whole sectors.
std::unique_ptr<cObjectHandle> cVReconstructedFS::OpenFragments(cVSItemId file) {
    const std::uint64_t size = storage_->Size(file);
    const auto extents = packedext::Decode(storage_->Extents(file), size);
    if (!extents || extents->empty()) {
        return nullptr;
    }
    auto handle = std::make_unique<cVRFSHandlePlain>(this, size);
    if (extents->size() == 1 && !extents->front().IsTail()) {
        const std::uint64_t sectors = size / kSectorSize + (size % kSectorSize != 0);
        return handle->AddExtent(extents->front().start, sectors) || sectors == 0
                   ? std::move(handle)
                   : nullptr;
    }
    for (const cQORNFileAllocation& extent : *extents) {
        if (extent.IsTail()) {
            const auto sector = checked::Add(PartitionStart(), extent.start);
            if (!sector) {
                return nullptr;
            }
            handle->SetTail(*sector, extent.byteOffset);
        } else if (!handle->AddExtent(extent.start, extent.sectors)) {
            return nullptr;
        }
    }
    return handle;
}

// The partition's own reader of the item's type, or a further one of that type.
std::unique_ptr<cObjectHandle> cVReconstructedFS::OpenThroughReader(cVSItemId file) {
    const std::uint8_t type = storage_->FsType(file);
    cPartRecord& record = metadataRecord_ ? *metadataRecord_ : *Partition();
    cVFS* reader = type != fstype::kReconstructed ? altfs::Find(record, type) : nullptr;
    return reader && reader != this ? reader->OpenObjectAtRecord(storage_->Position(file))
                                    : nullptr;
}
