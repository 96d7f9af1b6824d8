#include "vfs/hfs/vhfsx.h"

#include "base/checked.h"
#include "base/compose.h"

#include <string>
#include <string_view>

namespace {

constexpr hfs::cKeyFormat kCatalogKey{2, 2};
constexpr hfs::cKeyFormat kExtentsKey{2, 4};
// The private folder's name begins with four NUL characters (TN1150 "Hard Links").
constexpr std::u16string_view kPrivateFolder{u"\0\0\0\0HFS+ Private Data", 21};

} // namespace

std::optional<hfs::cVolumeHeader> cVHFSx::FindHeader(std::uint64_t& volumeStart) const {
    std::array<std::uint8_t, 512> sector{};
    volumeStart = PartitionStart();
    if (!ReadSectorsAt(volumeStart + hfs::kHeaderSector, sector.data(), 1)) {
        return std::nullopt;
    }
    if (const std::optional<std::uint64_t> offset = hfs::EmbeddedVolumeOffset(sector)) {
        const std::optional<std::uint64_t> start = checked::Add(volumeStart, *offset);
        if (!start || !ReadSectorsAt(*start + hfs::kHeaderSector, sector.data(), 1)) {
            return std::nullopt;
        }
        volumeStart = *start;
    }
    return hfs::ParseVolumeHeader(sector, kMaxBlockBytes);
}

bool cVHFSx::Mount(cPartRecord& record) {
    BindPartition(&record);
    std::uint64_t volumeStart = 0;
    const std::optional<hfs::cVolumeHeader> header = FindHeader(volumeStart);
    const std::uint64_t blockSectors = header ? header->blockSize / 512 : 0;
    // Every block's sector must be addressable.
    if (!header || !checked::Add(volumeStart, std::uint64_t(header->totalBlocks) * blockSectors)) {
        BindPartition(nullptr);
        return false;
    }
    header_ = *header;
    SetGeometry(volumeStart, header_.blockSize, header_.totalBlocks);
    SetIdentity(header_.identity);
    privateFolder_.reset();
    allocation_.reset();
    bitmapWindowStart_ = ~std::uint64_t(0);
    if (!OpenTrees(header_.extents, header_.catalog, kExtentsKey, kCatalogKey)) {
        BindPartition(nullptr);
        return false;
    }
    NamePartition(record);
    return true;
}

void cVHFSx::NamePartition(cPartRecord& record) {
    if (record.FindExtension(part_ext::kVolumeName)) {
        return;
    }
    // The root folder's record is the one record under the root's parent id.
    std::optional<std::u16string> name;
    catalog_.SearchById(hfs::kRootParentId, [&](const hfs::cRecord& found) {
        const std::optional<hfs::cCatalogRecord> parsed = ParseRecord(found.data);
        if (!parsed || parsed->type != hfs::kFolderRecord) {
            return true;
        }
        name = RecordName(found.key);
        return false;
    });
    if (name) {
        record.AttachExtension(std::make_unique<cPartNameData>(std::move(*name)));
    }
}

std::optional<hfs::cCatalogRecord> cVHFSx::ParseRecord(bytes::Span data) const {
    return hfs::ParsePlusRecord(data);
}

std::optional<std::u16string> cVHFSx::RecordName(bytes::Span key) const {
    const std::optional<std::u16string> name = hfs::PlusKeyName(key);
    if (!name) {
        return std::nullopt;
    }
    return compose::Compose(hfs::DisplayName(*name));
}

std::optional<cHFSReader::cOverflowRecord> cVHFSx::ParseOverflow(const hfs::cRecord& record) const {
    // Key: length, fork type, pad, file id, start block.
    const auto key = bytes::Slice<12>(record.key);
    const auto extents = bytes::Slice<64>(record.data);
    if (!key || !extents) {
        return std::nullopt;
    }
    return cOverflowRecord{(*key)[2], bytes::Be32<8>(*key), hfs::ParsePlusExtents(*extents)};
}

std::uint32_t cVHFSx::PrivateFolder() {
    if (privateFolder_) {
        return *privateFolder_;
    }
    privateFolder_ = 0;
    catalog_.SearchById(hfs::kRootFolderId, [&](const hfs::cRecord& found) {
        const std::optional<std::u16string> name = hfs::PlusKeyName(found.key);
        const std::optional<hfs::cCatalogRecord> record = ParseRecord(found.data);
        if (!name || *name != kPrivateFolder || !record || record->type != hfs::kFolderRecord) {
            return true;
        }
        privateFolder_ = record->id;
        return false;
    });
    return *privateFolder_;
}

void cVHFSx::ResolveLink(hfs::cCatalogRecord& record) {
    if (record.type != hfs::kFileRecord || record.linkTarget == 0) {
        return;
    }
    const std::uint32_t folder = PrivateFolder();
    if (folder == 0) {
        return;
    }
    std::u16string target = u"iNode";
    for (const char digit : std::to_string(record.linkTarget)) {
        target.push_back(char16_t(digit));
    }
    catalog_.SearchById(folder, [&](const hfs::cRecord& found) {
        const std::optional<std::u16string> name = hfs::PlusKeyName(found.key);
        const std::optional<hfs::cCatalogRecord> inode = ParseRecord(found.data);
        if (!name || *name != target || !inode || inode->type != hfs::kFileRecord) {
            return true;
        }
        record.data = inode->data;
        record.dataOwner = inode->id;
        return false;
    });
}

bool cVHFSx::IsBlockUsed(std::uint64_t block) {
    if (block >= GetBlockCount()) {
        return false;
    }
    if (!allocation_) {
        allocation_ = OpenFork(header_.allocation, hfs::kAllocationFileId);
        if (!allocation_) {
            return false;
        }
    }
    const std::uint64_t byte = block / 8;
    if (byte < bitmapWindowStart_ || byte - bitmapWindowStart_ >= bitmapWindowBytes_) {
        const std::uint64_t start = byte - byte % bitmapWindow_.size();
        bitmapWindowStart_ = start;
        bitmapWindowBytes_ = 0;
        if (allocation_->Seek(start) != start) {
            return false;
        }
        bitmapWindowBytes_ = allocation_->Read(bitmapWindow_.data(), bitmapWindow_.size());
        if (byte - start >= bitmapWindowBytes_) {
            return false;
        }
    }
    return (bitmapWindow_[byte - bitmapWindowStart_] & (0x80 >> (block % 8))) != 0;
}
