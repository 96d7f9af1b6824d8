#include "vfs/jfs/vjfs.h"

#include "base/checked.h"
#include "base/utf.h"
#include "vfs/jfs/jfs_handle.h"

#include <cstdio>

namespace {

// An inode allocation group describes 4096 inodes in 128 extents of 32; its page in the
// inode map follows the map's control page, and lists the extents' places from byte 3072.
constexpr std::uint32_t kInodesPerGroup = 4096;
constexpr std::size_t kGroupExtents = 3072;
// Aggregate inodes 16 to 31 lie in the table's first extent with the aggregate's own.
constexpr std::uint32_t kFilesetSlots = jfs::kInodesPerExtent - jfs::kFirstFilesetInode;

// Linux stores a name through the character set the volume was mounted with; mounted
// without one for UTF-8, each byte of a UTF-8 name became a character of its own. Such a
// name is shown as the system that wrote it showed it.
std::u16string ShownName(const std::u16string& stored) {
    std::string bytes;
    bool high = false;
    for (const char16_t unit : stored) {
        if (unit > 0xFF) {
            return stored;
        }
        high |= unit >= 0x80;
        bytes.push_back(char(unit));
    }
    if (!high) {
        return stored;
    }
    std::u16string decoded = utf::FromUtf8(bytes);
    return utf::ToUtf8(decoded) == bytes ? decoded : stored;
}

} // namespace

cVJFS::cVJFS() = default;
cVJFS::~cVJFS() = default;

// ---------------------------------------------------------------------------------------
// Mounting

bool cVJFS::Mount(cPartRecord& record) {
    BindPartition(&record);
    std::vector<std::uint8_t> sector(512);
    const std::optional<std::uint64_t> at = checked::Add(PartitionStart(), jfs::kSuperblockSector);
    const std::optional<jfs::cSuper> super =
        at && ReadSectorsAt(*at, sector.data(), 1) ? jfs::ParseSuper(sector) : std::nullopt;
    std::vector<std::uint8_t> table(std::size_t(kFilesetSlots) * jfs::kInodeSize);
    const std::optional<std::uint64_t> first =
        checked::Add(PartitionStart(), jfs::kAggregateInodeSector + jfs::kFirstFilesetInode);
    if (super) {
        super_ = *super;
        blockCount_ = super_.blockCount;
    }
    if (super && first && ReadSectorsAt(*first, table.data(), kFilesetSlots)) {
        for (std::uint32_t n = 0; n < kFilesetSlots; ++n) {
            const jfs::cInode inode =
                *jfs::ParseInode(bytes::Span(table).subspan(n * jfs::kInodeSize));
            const std::uint32_t number = jfs::kFirstFilesetInode + n;
            std::unique_ptr<cJFSHandle> map =
                inode.number == number && inode.links != 0 && inode.IsFile() ? MapFile(inode)
                                                                             : nullptr;
            if (map) {
                filesets_.push_back({number, std::move(map)});
            }
        }
    }
    // A fileset counts when its root folder can be read.
    std::erase_if(filesets_, [this](const cFileset& fileset) {
        const std::optional<jfs::cInode> root =
            ReadInode(IdOf(fileset.aggregateInode, jfs::kRootInode));
        return !root || !root->IsFolder();
    });
    if (filesets_.empty()) {
        super_ = {};
        blockCount_ = 0;
        groupKey_ = ~std::uint64_t(0);
        BindPartition(nullptr);
        return false;
    }
    NamePartition(record);
    return true;
}

void cVJFS::NamePartition(cPartRecord& record) const {
    if (!super_.label.empty() && !record.FindExtension(part_ext::kVolumeName)) {
        record.AttachExtension(std::make_unique<cPartNameData>(DecodeName(bytes::Span(
            reinterpret_cast<const std::uint8_t*>(super_.label.data()), super_.label.size()))));
    }
}

std::vector<std::uint32_t> cVJFS::Filesets() const {
    std::vector<std::uint32_t> numbers;
    for (const cFileset& fileset : filesets_) {
        numbers.push_back(fileset.aggregateInode - jfs::kFirstFilesetInode);
    }
    return numbers;
}

// ---------------------------------------------------------------------------------------
// Blocks, trees and inodes

bool cVJFS::ReadBlocks(std::uint8_t* out, std::uint64_t block, std::uint64_t count) const {
    return ReadBlocksIn({0, super_.blockSize / 512u, super_.blockCount}, out, block, count);
}

bool cVJFS::ReadPage(std::uint64_t block, std::uint64_t blocks,
                     std::vector<std::uint8_t>& page) const {
    const std::uint64_t count = std::min<std::uint64_t>(blocks, jfs::kPageSize / super_.blockSize);
    page.resize(count * super_.blockSize);
    return ReadBlocks(page.data(), block, count);
}

jfs::PageReader cVJFS::Pages() const {
    return [this](std::uint64_t block, std::uint64_t blocks, std::vector<std::uint8_t>& page) {
        return ReadPage(block, blocks, page);
    };
}

std::optional<std::vector<jfs::cExtent>> cVJFS::ExtentsOf(const jfs::cInode& inode) const {
    return jfs::CollectExtents(inode.root, jfs::kPageSize / super_.blockSize, Pages());
}

std::unique_ptr<cJFSHandle> cVJFS::MapFile(const jfs::cInode& inode) {
    const std::optional<std::vector<jfs::cExtent>> extents = ExtentsOf(inode);
    if (!extents) {
        return nullptr;
    }
    auto handle = std::make_unique<cJFSHandle>(this);
    handle->Map(*extents, inode.size);
    return handle;
}

const cVJFS::cFileset* cVJFS::FilesetOf(std::uint64_t id) const {
    for (const cFileset& fileset : filesets_) {
        if (fileset.aggregateInode == id >> 32) {
            return &fileset;
        }
    }
    return nullptr;
}

std::optional<jfs::cInode> cVJFS::ReadInodeAt(std::uint64_t block, std::uint32_t index) const {
    const std::optional<std::uint64_t> byte = checked::Mul(block, std::uint64_t(super_.blockSize));
    const std::optional<std::uint64_t> sector =
        byte && block < super_.blockCount
            ? checked::Add(PartitionStart(), *byte / 512 + index * (jfs::kInodeSize / 512))
            : std::nullopt;
    std::vector<std::uint8_t> bytes(jfs::kInodeSize);
    if (!sector || !ReadSectorsAt(*sector, bytes.data(), jfs::kInodeSize / 512)) {
        return std::nullopt;
    }
    return jfs::ParseInode(bytes);
}

std::optional<jfs::cInode> cVJFS::ReadInode(std::uint64_t id) {
    const cFileset* fileset = FilesetOf(id);
    if (!fileset) {
        return std::nullopt;
    }
    const auto number = std::uint32_t(id);
    const std::uint64_t group = number / kInodesPerGroup;
    if (groupKey_ != IdOf(fileset->aggregateInode, std::uint32_t(group))) {
        // The map's first page is its control page; group n follows as page n + 1.
        groupKey_ = ~std::uint64_t(0);
        group_.resize(jfs::kPageSize);
        const std::uint64_t position = (group + 1) * jfs::kPageSize;
        if (fileset->map->Seek(position) != position ||
            fileset->map->Read(group_.data(), jfs::kPageSize) != jfs::kPageSize) {
            return std::nullopt;
        }
        groupKey_ = IdOf(fileset->aggregateInode, std::uint32_t(group));
    }
    const std::size_t extent = (number % kInodesPerGroup) / jfs::kInodesPerExtent;
    const auto place = *bytes::Slice<8>(group_, kGroupExtents + extent * 8);
    const std::uint64_t block =
        (std::uint64_t(bytes::Le32<0>(place) >> 24) << 32) | bytes::Le32<4>(place);
    // An extent not allocated has no inodes.
    const std::optional<jfs::cInode> inode =
        block != 0 ? ReadInodeAt(block, number % jfs::kInodesPerExtent) : std::nullopt;
    if (!inode || inode->number != number || inode->links == 0) {
        return std::nullopt;
    }
    return inode;
}

// ---------------------------------------------------------------------------------------
// Objects

std::unique_ptr<cFSObject> cVJFS::EntryFrom(std::uint64_t id, const jfs::cInode& inode) {
    if (!inode.IsFolder() && !inode.IsFile()) {
        return nullptr;
    }
    return MakeEntry(inode.IsFolder(), id, inode.size, fstime::FromUnixTime(inode.mtime));
}

std::unique_ptr<cFSObject> cVJFS::FilesetFolder(const cFileset& fileset) {
    const std::uint64_t id = IdOf(fileset.aggregateInode, jfs::kRootInode);
    const std::optional<jfs::cInode> root = ReadInode(id);
    std::unique_ptr<cFSObject> entry = root ? EntryFrom(id, *root) : nullptr;
    if (!entry || entry->Kind() != fskind::kFolder) {
        return nullptr;
    }
    char name[16];
    std::snprintf(name, sizeof name, "FileSet%02u",
                  unsigned(fileset.aggregateInode - jfs::kFirstFilesetInode));
    entry->name = utf::FromAscii(name);
    entry->parentId = kRootId;
    return entry;
}

std::unique_ptr<cFSObject> cVJFS::GetObject(std::uint64_t id) {
    if (id == kRootId) {
        return FolderStub(id);
    }
    const cFileset* fileset = FilesetOf(id);
    if (fileset && std::uint32_t(id) == jfs::kRootInode) {
        return FilesetFolder(*fileset);
    }
    const std::optional<jfs::cInode> inode = ReadInode(id);
    return inode ? NameFromParent(EntryFrom(id, *inode)) : nullptr;
}

std::unique_ptr<cObjectHandle> cVJFS::OpenObject(const cFSObject& entry) {
    const std::optional<jfs::cInode> inode =
        entry.id == kRootId ? std::nullopt : ReadInode(entry.id);
    if (!inode || !inode->IsFile()) {
        return nullptr;
    }
    if (inode->size == 0) {
        return std::make_unique<cEmptyObjectHandle>();
    }
    return MapFile(*inode);
}

bool cVJFS::EnumFolder(const cFSObject& folder, const cEnumCallback& callback, std::uint32_t) {
    if (folder.id == kRootId) {
        for (const cFileset& fileset : filesets_) {
            std::unique_ptr<cFSObject> entry = FilesetFolder(fileset);
            if (entry && !callback(*entry)) {
                return false;
            }
        }
        return true;
    }
    const std::optional<jfs::cInode> inode = ReadInode(folder.id);
    if (!inode || !inode->IsFolder()) {
        return false;
    }
    const std::uint64_t filesetKey = folder.id >> 32;
    // A fileset's root folder records itself as its parent; above it is the reader's root.
    const std::uint64_t parent = std::uint32_t(folder.id) == jfs::kRootInode
                                     ? kRootId
                                     : IdOf(std::uint32_t(filesetKey), jfs::ParentOf(inode->root));
    for (const auto& [name, id] : {std::pair{u".", folder.id}, std::pair{u"..", parent}}) {
        std::unique_ptr<cFSObject> dot = FolderStub(id);
        dot->name = name;
        dot->parentId = folder.id;
        if (!callback(*dot)) {
            return false;
        }
    }
    return jfs::WalkDirectory(
        inode->root, super_.dirIndex, Pages(), [&](const jfs::cDirEntry& record) {
            const std::uint64_t id = IdOf(std::uint32_t(filesetKey), record.inode);
            const std::optional<jfs::cInode> child = ReadInode(id);
            std::unique_ptr<cFSObject> entry = child ? EntryFrom(id, *child) : nullptr;
            if (!entry) {
                return true;
            }
            entry->parentId = folder.id;
            entry->name = ShownName(record.name);
            return callback(*entry);
        });
}
