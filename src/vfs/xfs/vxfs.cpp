#include "vfs/xfs/vxfs.h"

#include "base/checked.h"
#include "base/utf.h"
#include "vfs/xfs/xfs_dir.h"
#include "vfs/xfs/xfs_handle.h"

#include <algorithm>
#include <string>

// ---------------------------------------------------------------------------------------
// Mounting

bool cVXFS::Mount(cPartRecord& record) {
    BindPartition(&record);
    std::array<std::uint8_t, xfs::kSuperblockBytes> sector{};
    const std::optional<xfs::cGeometry> geometry = ReadSectorsAt(PartitionStart(), sector.data(), 1)
                                                       ? xfs::ParseSuperblock(sector)
                                                       : std::nullopt;
    if (!geometry || !Attach(record, *geometry)) {
        BindPartition(nullptr);
        return false;
    }
    const auto end = std::find(geometry_.label.begin(), geometry_.label.end(), 0);
    const auto length = std::size_t(end - geometry_.label.begin());
    if (length != 0 && !record.FindExtension(part_ext::kVolumeName)) {
        record.AttachExtension(std::make_unique<cPartNameData>(
            DecodeName(bytes::Span(geometry_.label).first(length))));
    }
    return true;
}

bool cVXFS::MountWithParams(cPartRecord& record, const cExternalVFSParams* params) {
    if (!params || params->GetFSType() != fstype::kXfs) {
        return false;
    }
    std::optional<xfs::cGeometry> geometry =
        xfs::FromParams(static_cast<const cExtXFSParams&>(*params));
    if (!geometry) {
        return false;
    }
    BindPartition(&record);
    geometry_ = *geometry;
    // Without a superblock the root inode tells the version: version 3 inodes belong to
    // version 5 volumes, which always record file types in their folders.
    const std::optional<xfs::cInode> root = ReadInode(geometry->rootInode);
    geometry->v5 = root && root->version == 3;
    geometry->fileTypes = geometry->v5;
    if (!Attach(record, *geometry)) {
        BindPartition(nullptr);
        return false;
    }
    return true;
}

bool cVXFS::Attach(cPartRecord& record, const xfs::cGeometry& geometry) {
    geometry_ = geometry;
    blockCount_ = geometry.dataBlocks;
    for (cInodeWindow& window : inodeWindows_) {
        window.start = kNone;
    }
    free_.reset();
    freeLoaded_ = false;
    const std::optional<xfs::cInode> root = ReadInode(geometry.rootInode);
    return root && root->IsFolder();
}

std::vector<std::uint8_t> cVXFS::GetIdentity() const {
    std::vector<std::uint8_t> identity(1, std::uint8_t(GetFSType()));
    identity.insert(identity.end(), geometry_.uuid.begin(), geometry_.uuid.end());
    identity.resize(25);
    bytes::PutBe64(&identity[17], geometry_.dataBlocks);
    return identity;
}

// ---------------------------------------------------------------------------------------
// Blocks and inodes

bool cVXFS::ReadBlocks(std::uint8_t* out, std::uint64_t block, std::uint64_t count) const {
    return ReadBlocksIn({0, geometry_.blockSize / 512, geometry_.dataBlocks}, out, block, count);
}

std::optional<bytes::Span> cVXFS::InodeBytes(std::uint64_t n) {
    const std::optional<std::uint64_t> position = geometry_.InodePosition(n);
    if (!position) {
        return std::nullopt;
    }
    const std::uint64_t windowStart = *position / kInodeWindowBytes * kInodeWindowBytes;
    const auto cached = std::find_if(inodeWindows_.begin(), inodeWindows_.end(),
                                     [&](const cInodeWindow& w) { return w.start == windowStart; });
    cInodeWindow& window =
        cached != inodeWindows_.end()
            ? *cached
            : *std::min_element(inodeWindows_.begin(), inodeWindows_.end(),
                                [](const cInodeWindow& a, const cInodeWindow& b) {
                                    return a.lastUse < b.lastUse;
                                });
    window.lastUse = ++windowClock_;
    if (cached == inodeWindows_.end() && !LoadInodeWindow(window, windowStart)) {
        // A window cut short by damage still serves the inode's own sectors.
        const std::uint64_t within = *position % 512;
        ownInode_.resize((within + geometry_.inodeSize + 511) / 512 * 512);
        const std::optional<std::uint64_t> ownSector =
            checked::Add(PartitionStart(), *position / 512);
        if (!ownSector ||
            !ReadSectorsAt(*ownSector, ownInode_.data(), std::uint32_t(ownInode_.size() / 512))) {
            return std::nullopt;
        }
        return bytes::Span(ownInode_).subspan(within, geometry_.inodeSize);
    }
    const std::uint64_t offset = *position - windowStart;
    if (!bytes::Fits(window.bytes.size(), offset, geometry_.inodeSize)) {
        return std::nullopt;
    }
    return bytes::Span(window.bytes).subspan(offset, geometry_.inodeSize);
}

bool cVXFS::LoadInodeWindow(cInodeWindow& window, std::uint64_t start) {
    window.start = kNone;
    const std::uint64_t volumeBytes = geometry_.dataBlocks * geometry_.blockSize;
    const std::uint64_t windowBytes =
        std::min<std::uint64_t>(kInodeWindowBytes, volumeBytes - start);
    window.bytes.resize(windowBytes / 512 * 512);
    const std::optional<std::uint64_t> sector = checked::Add(PartitionStart(), start / 512);
    if (!sector || window.bytes.empty() ||
        !ReadSectorsAt(*sector, window.bytes.data(), std::uint32_t(windowBytes / 512))) {
        return false;
    }
    window.start = start;
    return true;
}

std::optional<xfs::cInode> cVXFS::ReadInode(std::uint64_t n) {
    const std::optional<bytes::Span> data = InodeBytes(n);
    return data ? xfs::ParseInode(*data) : std::nullopt;
}

bool cVXFS::IsBlockUsed(std::uint64_t block) {
    if (!freeLoaded_) {
        freeLoaded_ = true;
        free_ = xfs::FreeExtents(
            geometry_, [this](std::uint64_t sector, std::uint32_t count, std::uint8_t* out) {
                const std::optional<std::uint64_t> at = checked::Add(PartitionStart(), sector);
                return at && ReadSectorsAt(*at, out, count);
            });
    }
    if (!free_) {
        return false;
    }
    const auto after = std::upper_bound(
        free_->begin(), free_->end(), block,
        [](std::uint64_t b, const xfs::cFreeExtent& extent) { return b < extent.start; });
    if (after == free_->begin()) {
        return true;
    }
    const xfs::cFreeExtent& extent = *(after - 1);
    return block - extent.start >= extent.count;
}

// ---------------------------------------------------------------------------------------
// Objects

std::unique_ptr<cFSObject> cVXFS::EntryFromInode(std::uint64_t n, const xfs::cInodeCore& inode) {
    if (!inode.IsFolder() && !inode.IsFile()) {
        return nullptr;
    }
    std::unique_ptr<cFSObject> entry = MakeEntry(inode.IsFolder(), n, inode.size, inode.mtime);
    entry->parentId = GetRootId();
    return entry;
}

std::unique_ptr<cFSObject> cVXFS::GetObject(std::uint64_t id) {
    const std::optional<xfs::cInode> inode = ReadInode(id);
    std::unique_ptr<cFSObject> entry = inode ? EntryFromInode(id, *inode) : nullptr;
    if (!entry || id == GetRootId()) {
        return entry;
    }
    return NameFromParent(std::move(entry));
}

std::unique_ptr<cXFSHandle> cVXFS::OpenInode(const xfs::cInode& inode) {
    const std::optional<std::vector<xfs::cExtent>> extents = xfs::ForkExtents(
        inode, geometry_, [this](std::uint64_t pointer, std::vector<std::uint8_t>& out) {
            const std::optional<std::uint64_t> block = geometry_.LinearBlock(pointer);
            out.resize(geometry_.blockSize);
            return block && ReadBlocks(out.data(), *block, 1);
        });
    if (!extents) {
        return nullptr;
    }
    auto handle = std::make_unique<cXFSHandle>(this);
    handle->Map(*extents, inode.size);
    return handle;
}

std::unique_ptr<cObjectHandle> cVXFS::OpenObject(const cFSObject& entry) {
    const std::optional<xfs::cInode> inode = ReadInode(entry.id);
    if (!inode || (!inode->IsFile() && !inode->IsFolder())) {
        return nullptr;
    }
    return OpenInode(*inode);
}

bool cVXFS::WalkBlocks(const xfs::cInode& folder, const std::function<bool(bytes::Span)>& visit) {
    const std::uint32_t dirBlock = geometry_.DirBlockBytes();
    // The data blocks end below the hash index; the folder's size counts only them.
    const std::uint64_t dataBytes = std::min(folder.size, xfs::kLeafOffset);
    const std::unique_ptr<cXFSHandle> handle = OpenInode(folder);
    if (!handle || dataBytes / 512 > Partition()->Length()) {
        return false;
    }
    std::vector<std::uint8_t> block(dirBlock);
    const cRunList& runs = handle->Runs();
    for (std::size_t n = 0; n < runs.Count(); ++n) {
        const cRun& run = runs[n];
        if (run.IsSparse()) {
            continue;
        }
        // Directory blocks start at multiples of their size in the folder's own space.
        const std::uint64_t first =
            checked::SaturatingMul(run.logicalStart, std::uint64_t(GetBlockSize()));
        const std::uint64_t end = std::min(
            checked::SaturatingMul(run.LogicalEnd(), std::uint64_t(GetBlockSize())), dataBytes);
        for (std::uint64_t at = (first + dirBlock - 1) / dirBlock * dirBlock; at < end;
             at += dirBlock) {
            handle->Seek(at);
            if (handle->Read(block.data(), dirBlock) != dirBlock) {
                return false;
            }
            if (!visit(block)) {
                return false;
            }
        }
    }
    return true;
}

bool cVXFS::EnumFolder(const cFSObject& folder, const cEnumCallback& callback, std::uint32_t) {
    const std::optional<xfs::cInode> inode = ReadInode(folder.id);
    if (!inode || !inode->IsFolder()) {
        return false;
    }
    cFSFile file;
    cFSFolder subfolder;
    const xfs::DirVisitor deliver = [&](const xfs::cDirEntry& record) {
        // Only the core: a listing has no use for the child's fork.
        const std::optional<bytes::Span> raw = InodeBytes(record.inode);
        const std::optional<xfs::cInodeCore> child = raw ? xfs::ParseInodeCore(*raw) : std::nullopt;
        if (!child || (!child->IsFolder() && !child->IsFile())) {
            return true;
        }
        cFSObject& entry = child->IsFolder() ? static_cast<cFSObject&>(subfolder) : file;
        RefillEntry(entry, record.inode, child->IsFolder() ? 0 : child->size, child->mtime);
        entry.parentId = folder.id;
        entry.name = DecodeName(record.name);
        return callback(entry);
    };
    if (inode->format == xfs::eFork::kLocal) {
        return xfs::WalkShortForm(inode->dataFork, geometry_, folder.id, deliver);
    }
    return WalkBlocks(
        *inode, [&](bytes::Span block) { return xfs::WalkDirBlock(block, geometry_, deliver); });
}
