#include "vfs/udf/vudf.h"

#include "base/checked.h"
#include "vfs/udf/udf_handle.h"

#include <algorithm>

namespace {

// Where the anchor lies (logical block 256) for each block size the reader accepts.
struct cAnchorPlace {
    std::uint64_t sector;
    std::uint32_t blockSize;
};
constexpr cAnchorPlace kAnchorPlaces[] = {{1024, 2048}, {2048, 4096}, {256, 512}};

// A sequence longer than this is not a volume descriptor sequence.
constexpr std::uint64_t kMaxDescriptors = 256;

} // namespace

// ---------------------------------------------------------------------------------------
// Mounting

bool cVUDF::ReadVolumeBlock(std::uint64_t block, std::vector<std::uint8_t>& out) const {
    const std::uint32_t sectors = BlockSectors();
    const std::optional<std::uint64_t> at = checked::Mul(block, std::uint64_t(sectors));
    const std::optional<std::uint64_t> sector = at ? checked::Add(PartitionStart(), *at) : at;
    out.resize(volume_.blockSize);
    return sector && *at < Partition()->Length() && ReadSectorsAt(*sector, out.data(), sectors);
}

bool cVUDF::Mount(cPartRecord& record) {
    BindPartition(&record);
    std::vector<std::uint8_t> block;
    for (const cAnchorPlace& place : kAnchorPlaces) {
        volume_ = {};
        volume_.blockSize = place.blockSize;
        std::optional<udf::cExtent> sequence;
        if (!ReadVolumeBlock(place.sector / BlockSectors(), block) ||
            !(sequence = udf::ParseAnchor(block))) {
            continue;
        }
        udf::cVolume found;
        found.blockSize = 0;
        bool primary = false, partition = false, logical = false;
        const std::uint64_t count =
            std::min<std::uint64_t>(sequence->length / place.blockSize, kMaxDescriptors);
        for (std::uint64_t i = 0; i < count; ++i) {
            if (!ReadVolumeBlock(std::uint64_t(sequence->block) + i, block)) {
                break;
            }
            const std::optional<std::uint16_t> tag = udf::TakeVolumeDescriptor(block, found);
            if (!tag || *tag == 0 || *tag == udf::tag::kTerminating) {
                break;
            }
            primary |= *tag == udf::tag::kPrimaryVolume;
            partition |= *tag == udf::tag::kPartition;
            logical |= *tag == udf::tag::kLogicalVolume;
        }
        // The block size the logical volume states must be the one the anchor was found by.
        if (!primary || !partition || !logical || found.blockSize != place.blockSize ||
            found.partitionLength == 0) {
            continue;
        }
        volume_ = found;
        std::vector<std::uint8_t> fsd(volume_.blockSize);
        const std::optional<udf::cExtent> root = ReadBlocks(fsd.data(), volume_.fileSet.block, 1)
                                                     ? udf::ParseFileSet(fsd)
                                                     : std::nullopt;
        std::optional<udf::cFileEntry> rootEntry =
            root ? ReadEntry(root->block, block) : std::nullopt;
        if (!rootEntry || rootEntry->fileType != udf::filetype::kFolder) {
            continue;
        }
        rootId_ = root->block;
        blockCount_ = volume_.partitionLength;
        if (!volume_.volumeName.empty() && !record.FindExtension(part_ext::kVolumeName)) {
            record.AttachExtension(std::make_unique<cPartNameData>(volume_.volumeName));
        }
        return true;
    }
    volume_ = {};
    BindPartition(nullptr);
    return false;
}

std::vector<std::uint8_t> cVUDF::GetIdentity() const {
    return StartIdentity();
}

// ---------------------------------------------------------------------------------------
// Blocks and entries

bool cVUDF::ReadBlocks(std::uint8_t* out, std::uint64_t block, std::uint64_t count) const {
    return ReadBlocksIn({GetFirstBlockSector(), BlockSectors(), volume_.partitionLength}, out,
                        block, count);
}

std::optional<udf::cFileEntry> cVUDF::ReadEntry(std::uint64_t block,
                                                std::vector<std::uint8_t>& bytes) {
    bytes.resize(volume_.blockSize);
    if (!ReadBlocks(bytes.data(), block, 1)) {
        return std::nullopt;
    }
    return udf::ParseFileEntry(bytes);
}

std::unique_ptr<cFSObject> cVUDF::EntryFrom(std::uint64_t id, const udf::cFileEntry& entry) {
    std::unique_ptr<cFSObject> object;
    if (entry.fileType == udf::filetype::kFolder) {
        object = std::make_unique<cFSFolder>();
    } else if (entry.fileType == udf::filetype::kFile) {
        object = std::make_unique<cFSFile>();
    } else {
        return nullptr;
    }
    object->id = id;
    object->parentId = rootId_;
    object->size = entry.size;
    object->mtime = entry.mtime;
    object->fileSystem = this;
    return object;
}

std::unique_ptr<cFSObject> cVUDF::GetObject(std::uint64_t id) {
    std::vector<std::uint8_t> bytes;
    const std::optional<udf::cFileEntry> entry = ReadEntry(id, bytes);
    std::unique_ptr<cFSObject> object = entry ? EntryFrom(id, *entry) : nullptr;
    if (!object || id == rootId_) {
        return object;
    }
    return NameFromParent(std::move(object));
}

std::unique_ptr<cObjectHandle> cVUDF::OpenEntry(std::uint64_t id) {
    std::vector<std::uint8_t> bytes;
    const std::optional<udf::cFileEntry> entry = ReadEntry(id, bytes);
    if (!entry ||
        (entry->fileType != udf::filetype::kFolder && entry->fileType != udf::filetype::kFile)) {
        return nullptr;
    }
    if (entry->adType == udf::adtype::kInline) {
        // The data is the descriptor area of the entry's own block.
        const std::uint64_t block = std::uint64_t(volume_.partitionStart) + id;
        const std::optional<std::uint64_t> start =
            checked::Add(checked::SaturatingMul(PartitionStart(), std::uint64_t(512)),
                         block * volume_.blockSize + entry->adsOffset);
        if (!start) {
            return nullptr;
        }
        return std::make_unique<cLinearObjectHandle>(
            this, *start, std::min<std::uint64_t>(entry->size, entry->adsLength));
    }
    auto handle = std::make_unique<cUDFHandle>(this);
    if (!handle->Map(*entry, bytes)) {
        return nullptr;
    }
    return handle;
}

std::unique_ptr<cObjectHandle> cVUDF::OpenObject(const cFSObject& entry) {
    return OpenEntry(entry.id);
}

bool cVUDF::EnumFolder(const cFSObject& folder, const cEnumCallback& callback, std::uint32_t) {
    std::vector<std::uint8_t> bytes;
    const std::optional<udf::cFileEntry> entry = ReadEntry(folder.id, bytes);
    if (!entry || entry->fileType != udf::filetype::kFolder || entry->size > UINT32_MAX ||
        entry->size / 512 > Partition()->Length()) {
        return false;
    }
    const std::unique_ptr<cObjectHandle> handle = OpenEntry(folder.id);
    std::vector<std::uint8_t> data(entry->size);
    if (!handle || handle->Read(data.data(), std::uint32_t(data.size())) != data.size()) {
        return false;
    }
    std::vector<std::uint8_t> childBytes;
    // Every record is at least 40 bytes long, so the walk always moves on.
    for (std::size_t at = 0; at < data.size();) {
        const std::optional<udf::cFileIdentifier> fid =
            udf::ParseFileIdentifier(bytes::Span(data).subspan(at));
        if (!fid) {
            return false;
        }
        at += fid->bytes;
        if (fid->IsDeleted()) {
            continue;
        }
        const std::optional<std::u16string> name =
            fid->IsParent() ? std::optional<std::u16string>(u"..") : udf::DecodeCs0(fid->name);
        const std::optional<udf::cFileEntry> child =
            name ? ReadEntry(fid->icb.block, childBytes) : std::nullopt;
        std::unique_ptr<cFSObject> object = child ? EntryFrom(fid->icb.block, *child) : nullptr;
        if (!object) {
            continue;
        }
        object->parentId = folder.id;
        object->name = *name;
        if (!callback(*object)) {
            return false;
        }
    }
    return true;
}
