#include "vfs/ufs/vufs.h"

#include "base/checked.h"
#include "vfs/ufs/ufs_blocks.h"
#include "vfs/ufs/ufs_dir.h"

#include <algorithm>

namespace {
constexpr std::uint32_t kGroupMagic = 0x090255;
}

// ---------------------------------------------------------------------------------------
// Mounting

std::uint32_t cVUFS::GetFSType() const {
    switch (variant_) {
    case ufs::eVariant::kBigEndian:
        return fstype::kUfsBigEndian;
    case ufs::eVariant::kAdaptec:
        return fstype::kSnapUfs;
    case ufs::eVariant::kLittleEndian:
        break;
    }
    return fstype::kUfs;
}

bool cVUFS::Mount(cPartRecord& record) {
    BindPartition(&record);
    for (const std::uint64_t place : ufs::Places(variant_)) {
        std::array<std::uint8_t, ufs::kSuperblockBytes> sb{};
        const std::optional<std::uint64_t> sector = checked::Add(PartitionStart(), place);
        const std::optional<ufs::cGeometry> geometry =
            sector && ReadSectorsAt(*sector, sb.data(), ufs::kSuperblockBytes / 512)
                ? ufs::ParseSuperblock(sb, variant_, place)
                : std::nullopt;
        if (!geometry) {
            continue;
        }
        geometry_ = *geometry;
        blockCount_ = geometry_.fragments;
        inodeBlockStart_ = kNone;
        groupNumber_ = kNone;
        const std::optional<ufs::cInode> root = ReadInode(kRootInode);
        if (root && root->IsFolder()) {
            NameThePartition(record);
            return true;
        }
    }
    BindPartition(nullptr);
    return false;
}

void cVUFS::NameThePartition(cPartRecord& record) {
    if (record.FindExtension(part_ext::kVolumeName)) {
        return;
    }
    const auto text = [](bytes::Span field) {
        return field.first(std::size_t(std::find(field.begin(), field.end(), 0) - field.begin()));
    };
    bytes::Span name = text(geometry_.volumeName);
    if (name.empty()) {
        name = text(geometry_.mountPoint);
    }
    if (!name.empty()) {
        record.AttachExtension(std::make_unique<cPartNameData>(DecodeName(name)));
    }
}

std::vector<std::uint8_t> cVUFS::GetIdentity() const {
    std::vector<std::uint8_t> identity(1, std::uint8_t(GetFSType()));
    identity.insert(identity.end(), geometry_.identity.begin(), geometry_.identity.end());
    return identity;
}

// ---------------------------------------------------------------------------------------
// Fragments, inodes and groups

bool cVUFS::ReadBlocks(std::uint8_t* out, std::uint64_t fragment, std::uint64_t count) const {
    return ReadBlocksIn({0, geometry_.fragmentSize / 512, geometry_.fragments}, out, fragment,
                        count);
}

std::optional<ufs::cInode> cVUFS::ReadInode(std::uint64_t n) {
    const std::optional<std::uint64_t> position = geometry_.InodePosition(n);
    if (!position) {
        return std::nullopt;
    }
    // Inode blocks start block-aligned at the group's inode area.
    const std::uint64_t inGroup = n % geometry_.inodesPerGroup;
    const std::uint64_t perBlock = geometry_.blockSize / geometry_.InodeBytes();
    const std::uint64_t blockStart = *position - (inGroup % perBlock) * geometry_.InodeBytes();
    if (blockStart != inodeBlockStart_) {
        inodeBlockStart_ = kNone;
        const std::uint64_t bytes =
            std::min<std::uint64_t>(geometry_.blockSize, geometry_.VolumeBytes() - blockStart);
        inodeBlock_.resize(bytes / geometry_.fragmentSize * geometry_.fragmentSize);
        if (inodeBlock_.empty() ||
            !ReadBlocks(inodeBlock_.data(), blockStart / geometry_.fragmentSize,
                        inodeBlock_.size() / geometry_.fragmentSize)) {
            return std::nullopt;
        }
        inodeBlockStart_ = blockStart;
    }
    const std::uint64_t offset = *position - blockStart;
    if (!bytes::Fits(inodeBlock_.size(), offset, geometry_.InodeBytes())) {
        return std::nullopt;
    }
    return ufs::ParseInode(bytes::Span(inodeBlock_).subspan(offset, geometry_.InodeBytes()),
                           geometry_);
}

bool cVUFS::LoadGroup(std::uint32_t group) {
    if (groupNumber_ == group) {
        return true;
    }
    groupNumber_ = kNone;
    const std::optional<std::uint64_t> start = geometry_.GroupStart(group);
    const std::uint64_t fragments =
        (geometry_.headerBytes + geometry_.fragmentSize - 1) / geometry_.fragmentSize;
    group_.resize(fragments * geometry_.fragmentSize);
    if (!start || !ReadBlocks(group_.data(), *start + geometry_.headerFragment, fragments)) {
        return false;
    }
    const auto header = bytes::Slice<100>(group_);
    if (!header || geometry_.order.U32<4>(*header) != kGroupMagic ||
        geometry_.order.U32<12>(*header) != group) {
        return false;
    }
    // The map holds one bit per fragment of the group and must end inside the header.
    groupMapOffset_ = geometry_.order.U32<96>(*header);
    const std::uint64_t mapBytes = (std::uint64_t(geometry_.fragmentsPerGroup) + 7) / 8;
    if (!bytes::Fits(geometry_.headerBytes, groupMapOffset_, mapBytes)) {
        return false;
    }
    groupNumber_ = group;
    return true;
}

bool cVUFS::IsBlockUsed(std::uint64_t fragment) {
    const std::uint64_t group = fragment / geometry_.fragmentsPerGroup;
    if (fragment >= geometry_.fragments || !LoadGroup(std::uint32_t(group))) {
        return true;
    }
    const std::uint64_t bit = fragment % geometry_.fragmentsPerGroup;
    return (group_[groupMapOffset_ + bit / 8] & (1u << (bit % 8))) == 0;
}

// ---------------------------------------------------------------------------------------
// Objects

std::unique_ptr<cFSObject> cVUFS::EntryFromInode(std::uint64_t n, const ufs::cInode& inode) {
    if (!inode.IsFolder() && !inode.IsFile()) {
        return nullptr;
    }
    std::unique_ptr<cFSObject> entry = MakeEntry(inode.IsFolder(), n, inode.size, inode.mtime);
    entry->parentId = GetRootId();
    return entry;
}

std::unique_ptr<cFSObject> cVUFS::GetObject(std::uint64_t id) {
    const std::optional<ufs::cInode> inode = ReadInode(id);
    std::unique_ptr<cFSObject> entry = inode ? EntryFromInode(id, *inode) : nullptr;
    if (!entry || id == GetRootId()) {
        return entry;
    }
    return NameFromParent(std::move(entry));
}

std::unique_ptr<cUFSHandle> cVUFS::OpenInode(const ufs::cInode& inode) {
    auto handle = std::make_unique<cUFSHandle>(this);
    const bool whole = ufs::MapBlocks(
        inode, geometry_,
        [this](std::uint64_t fragment, std::vector<std::uint8_t>& out) {
            return ReadBlocks(out.data(), fragment, geometry_.fragmentsPerBlock);
        },
        [&handle](std::uint64_t fragment, std::uint64_t count) {
            handle->AppendRun(fragment, count);
        });
    handle->SetDamaged(!whole);
    handle->SetSize(inode.size);
    return handle;
}

std::unique_ptr<cObjectHandle> cVUFS::OpenObject(const cFSObject& entry) {
    const std::optional<ufs::cInode> inode = ReadInode(entry.id);
    if (!inode || (!inode->IsFile() && !inode->IsFolder())) {
        return nullptr;
    }
    return OpenInode(*inode);
}

bool cVUFS::EnumFolder(const cFSObject& folder, const cEnumCallback& callback, std::uint32_t) {
    const std::optional<ufs::cInode> inode = ReadInode(folder.id);
    if (!inode || !inode->IsFolder() || inode->size > UINT32_MAX ||
        inode->size > geometry_.VolumeBytes()) {
        return false;
    }
    const std::unique_ptr<cUFSHandle> handle = OpenInode(*inode);
    // A folder has no holes: its size must be backed by fragments before it is allocated.
    const cRunList& runs = handle->Runs();
    for (std::size_t n = 0; n < runs.Count(); ++n) {
        if (runs[n].IsSparse()) {
            return false;
        }
    }
    std::vector<std::uint8_t> data(inode->size);
    if (handle->IsDamaged() ||
        handle->Read(data.data(), std::uint32_t(data.size())) != data.size()) {
        return false;
    }
    return ufs::WalkFolder(data, geometry_.order, [&](const ufs::cDirEntry& record) {
        const std::optional<ufs::cInode> child = ReadInode(record.inode);
        std::unique_ptr<cFSObject> entry = child ? EntryFromInode(record.inode, *child) : nullptr;
        if (!entry) {
            return true;
        }
        entry->parentId = folder.id;
        entry->name = DecodeName(record.name);
        return callback(*entry);
    });
}
