#include "vfs/ext/vext.h"

#include "io/base_io.h"
#include "vfs/ext/ext_dir.h"
#include "vfs/ext/ext_handle.h"

#include <algorithm>
#include <string>

// ---------------------------------------------------------------------------------------
// Mounting

bool cVExt23::Mount(cPartRecord& record) {
    BindPartition(&record);
    const ext::SectorReader read = [this](std::uint64_t sector, std::uint32_t count,
                                          std::uint8_t* out) {
        const std::optional<std::uint64_t> at = checked::Add(PartitionStart(), sector);
        return at && ReadSectorsAt(*at, out, count);
    };
    std::optional<ext::cSuperblock> sb = ext::LoadSuperblock(read);
    std::optional<std::vector<ext::cGroupDescriptor>> groups =
        sb ? ext::LoadDescriptors(*sb, read) : std::nullopt;
    // Group 1 keeps copies of both for a volume whose first blocks are damaged.
    if (!groups) {
        sb = ext::LoadSuperblockCopy(read);
        groups = sb ? ext::LoadDescriptors(*sb, read) : std::nullopt;
    }
    if (!groups) {
        BindPartition(nullptr);
        return false;
    }
    sb_ = *sb;
    groups_ = std::move(*groups);
    blockCount_ = sb_.blocksCount;
    inodeWindowStart_ = kNone;
    bitmapGroup_ = kNone;
    NamePartition(record);
    return true;
}

void cVExt23::NamePartition(cPartRecord& record) {
    const auto end = std::find(sb_.volumeName.begin(), sb_.volumeName.end(), 0);
    const auto length = std::size_t(end - sb_.volumeName.begin());
    if (length == 0 || record.FindExtension(part_ext::kVolumeName)) {
        return;
    }
    record.AttachExtension(
        std::make_unique<cPartNameData>(DecodeName(bytes::Span(sb_.volumeName).first(length))));
}

std::vector<std::uint8_t> cVExt23::GetIdentity() const {
    std::vector<std::uint8_t> identity(9);
    identity[0] = std::uint8_t(GetFSType());
    bytes::PutLe32(&identity[1], sb_.blocksCountLow);
    bytes::PutLe32(&identity[5], sb_.inodesCount);
    identity.insert(identity.end(), sb_.uuid.begin(), sb_.uuid.end());
    return identity;
}

// ---------------------------------------------------------------------------------------
// Blocks and inodes

bool cVExt23::ReadBlocks(std::uint8_t* out, std::uint64_t block, std::uint64_t count) const {
    return ReadBlocksIn({0, sb_.BlockSectors(), sb_.blocksCount}, out, block, count);
}

std::optional<std::uint64_t> cVExt23::InodePosition(std::uint64_t n) const {
    if (n == 0 || n > sb_.inodesCount) {
        return std::nullopt;
    }
    const std::uint64_t group = (n - 1) / sb_.inodesPerGroup;
    if (group >= groups_.size()) {
        return std::nullopt;
    }
    // The table's block is inside the volume (checked at mount), so its byte offset fits.
    return checked::Add(groups_[group].inodeTable * sb_.blockSize,
                        (n - 1) % sb_.inodesPerGroup * sb_.inodeSize);
}

std::optional<ext::cInode> cVExt23::ReadInode(std::uint64_t n) {
    const std::optional<std::uint64_t> position = InodePosition(n);
    if (!position) {
        return std::nullopt;
    }
    const std::uint64_t offset = (n - 1) % sb_.inodesPerGroup * sb_.inodeSize;
    const std::uint64_t table = *position - offset;
    const std::uint64_t tableBytes = std::uint64_t(sb_.inodesPerGroup) * sb_.inodeSize;
    const std::uint64_t windowOffset = offset / kInodeWindowBytes * kInodeWindowBytes;
    const std::uint64_t windowStart = table + windowOffset;
    if (windowStart != inodeWindowStart_) {
        inodeWindowStart_ = kNone;
        const std::uint64_t windowBytes = std::min<std::uint64_t>(
            kInodeWindowBytes, (tableBytes - windowOffset + 511) / 512 * 512);
        inodeWindow_.resize(windowBytes);
        const std::optional<std::uint64_t> sector =
            checked::Add(PartitionStart(), windowStart / 512);
        // A table cut short still serves the inodes in the sectors before the cut.
        if (!sector ||
            !ReadSectorsAt(*sector, inodeWindow_.data(), std::uint32_t(windowBytes / 512))) {
            const std::uint64_t inSector = (offset - windowOffset) / 512 * 512;
            std::array<std::uint8_t, 512> single{};
            if (!sector || !ReadSectorsAt(*sector + inSector / 512, single.data(), 1)) {
                return std::nullopt;
            }
            return ext::ParseInode(*bytes::Slice<ext::kInodeBytes>(single, offset % 512));
        }
        inodeWindowStart_ = windowStart;
    }
    const auto inode = bytes::Slice<ext::kInodeBytes>(inodeWindow_, offset - windowOffset);
    if (!inode) {
        return std::nullopt;
    }
    return ext::ParseInode(*inode);
}

bool cVExt23::IsBlockUsed(std::uint64_t block) {
    if (block >= sb_.blocksCount || block < sb_.firstDataBlock) {
        return true;
    }
    const std::uint64_t relative = block - sb_.firstDataBlock;
    const std::uint64_t group = relative / sb_.blocksPerGroup;
    const std::uint64_t bit = relative % sb_.blocksPerGroup;
    if (group >= groups_.size()) {
        return true;
    }
    // A group whose bitmap was never written holds no file data; its bitmap block may
    // hold anything.
    if (groups_[group].BlockBitmapUnused()) {
        return ext::UsedInUnwrittenBitmap(sb_, groups_, group, block);
    }
    if (group != bitmapGroup_) {
        bitmap_.resize(sb_.blockSize);
        if (!ReadBlocks(bitmap_.data(), groups_[group].blockBitmap, 1)) {
            bitmapGroup_ = kNone;
            return true;
        }
        bitmapGroup_ = group;
    }
    // Blocks per group is at most 8 bits per byte of one block (checked at mount).
    return (bitmap_[bit / 8] >> (bit % 8)) & 1;
}

// ---------------------------------------------------------------------------------------
// Objects

std::unique_ptr<cFSObject> cVExt23::EntryFromInode(std::uint64_t n, const ext::cInode& inode) {
    std::unique_ptr<cFSObject> entry;
    if (inode.IsFolder()) {
        entry = std::make_unique<cFSFolder>();
    } else if (inode.IsFile()) {
        entry = std::make_unique<cFSFile>();
    } else {
        return nullptr;
    }
    entry->id = n;
    entry->parentId = GetRootId();
    entry->size = inode.Size();
    // Times are signed: values from 2^31 on lie before 1970.
    entry->mtime = fstime::FromUnixTime(std::int32_t(inode.mtime));
    entry->fileSystem = this;
    return entry;
}

std::unique_ptr<cFSObject> cVExt23::GetObject(std::uint64_t id) {
    const std::optional<ext::cInode> inode = ReadInode(id);
    std::unique_ptr<cFSObject> entry = inode ? EntryFromInode(id, *inode) : nullptr;
    if (!entry || id == GetRootId()) {
        return entry;
    }
    return NameFromParent(std::move(entry));
}

std::unique_ptr<cExtHandle> cVExt23::OpenInode(const ext::cInode& inode) {
    if ((!inode.IsFile() && !inode.IsFolder()) || inode.HasInlineData()) {
        return nullptr;
    }
    std::unique_ptr<cExtHandle> handle;
    if (inode.UsesExtents()) {
        handle = std::make_unique<cExt4Handle>(this);
    } else {
        handle = std::make_unique<cExt2Handle>(this);
    }
    if (!handle->Map(inode, inode.Size())) {
        return nullptr;
    }
    return handle;
}

std::unique_ptr<cObjectHandle> cVExt23::OpenObjectAtRecord(std::uint64_t position) {
    cBaseIO* storage = Storage();
    const std::optional<std::uint64_t> start = checked::Mul(PartitionStart(), std::uint64_t(512));
    const std::optional<std::uint64_t> at = start ? checked::Add(*start, position) : std::nullopt;
    std::array<std::uint8_t, ext::kInodeBytes> inode{};
    if (!storage || !at ||
        !bytes::Fits(checked::SaturatingMul(Partition()->Length(), std::uint64_t(512)), position,
                     inode.size()) ||
        !storage->ReadBytes(inode.data(), *at, std::uint32_t(inode.size()))) {
        return nullptr;
    }
    return OpenInode(ext::ParseInode(inode));
}

std::unique_ptr<cObjectHandle> cVExt23::OpenObject(const cFSObject& entry) {
    const std::optional<ext::cInode> inode = ReadInode(entry.id);
    if (!inode) {
        return nullptr;
    }
    return OpenInode(*inode);
}

bool cVExt23::EnumFolder(const cFSObject& folder, const cEnumCallback& callback, std::uint32_t) {
    const std::optional<ext::cInode> inode = ReadInode(folder.id);
    if (!inode || !inode->IsFolder()) {
        return false;
    }
    const std::unique_ptr<cExtHandle> handle = OpenInode(*inode);
    // A folder larger than its partition is damaged, and walking its gigabytes of holes
    // would find nothing.
    if (!handle || handle->GetSize() / 512 > Partition()->Length()) {
        return false;
    }
    // Records never cross a block, so the folder is walked a block at a time.
    std::vector<std::uint8_t> block(sb_.blockSize);
    for (std::uint64_t at = 0; at < handle->GetSize(); at += sb_.blockSize) {
        const auto want =
            std::uint32_t(std::min<std::uint64_t>(sb_.blockSize, handle->GetSize() - at));
        if (handle->Read(block.data(), want) != want) {
            return false;
        }
        const bool go =
            ext::WalkDirBlock(bytes::Span(block).first(want), [&](const ext::cDirRecord& record) {
                const std::optional<ext::cInode> child = ReadInode(record.inode);
                std::unique_ptr<cFSObject> entry =
                    child ? EntryFromInode(record.inode, *child) : nullptr;
                if (!entry) {
                    return true;
                }
                entry->parentId = folder.id;
                entry->name = DecodeName(record.name);
                return callback(*entry);
            });
        if (!go) {
            return false;
        }
    }
    return true;
}
