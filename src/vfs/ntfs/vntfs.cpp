#include "vfs/ntfs/vntfs.h"

#include "base/checked.h"
#include "base/utf.h"
#include "io/base_io.h"
#include "vfs/ntfs/attribute_list.h"
#include "vfs/ntfs/file_name.h"
#include "vfs/ntfs/ntfs_layout.h"
#include "vfs/ntfs/ntfs_params.h"

#include <algorithm>

namespace {

// An attribute list this long would describe some hundred thousand extents; a longer
// one is damage, and reading it whole must not cost more memory than that.
constexpr std::uint64_t kMaxAttributeList = 4u << 20;
// Volume names are at most 128 UTF-16 units.
constexpr std::uint64_t kMaxVolumeName = 512;
// NTFS allows clusters up to 2 MiB.
constexpr std::uint32_t kMaxClusterSize = 2u << 20;

// The base record a record extends: 0 for a base record itself.
std::uint64_t BaseRecordOf(const std::vector<std::uint8_t>& record) {
    return ntfs::RecordNumber(bytes::Le64At(record, 32).value_or(0));
}

// $STANDARD_INFORMATION: 0 creation, 8 modification, 16 MFT change, 24 access times,
// 32 file attributes.
bool MarkedCompressed(const std::vector<std::uint8_t>& base) {
    const auto si = ntfs::FindAttribute(base, ntfs::kStandardInformation, u"");
    const auto attributes = si && !si->nonResident ? bytes::Le32At(si->value, 32) : std::nullopt;
    return attributes && (*attributes & ntfs::kFileAttrCompressed) != 0;
}

} // namespace

cVNTFS::cVNTFS() = default;
cVNTFS::~cVNTFS() = default;

std::uint64_t cVNTFS::GetVolumeSectors() const {
    // The boot record's sector size is a power of two of at least 512; a hostile count
    // saturates rather than wrapping into a small, plausible size.
    const std::uint64_t factor = boot_.bytesPerSector / 512;
    if (factor && boot_.totalSectors > UINT64_MAX / factor) {
        return UINT64_MAX;
    }
    return boot_.totalSectors * factor;
}

std::uint32_t cVNTFS::GetFSType() const {
    return fstype::kNtfs;
}
std::uint64_t cVNTFS::GetRootId() const {
    return ntfs::kRootRecord;
}

std::vector<std::uint8_t> cVNTFS::GetIdentity() const {
    std::vector<std::uint8_t> identity(17);
    identity[0] = std::uint8_t(fstype::kNtfs);
    bytes::PutLe64(&identity[1], boot_.totalSectors);
    bytes::PutLe64(&identity[9], boot_.serialNumber);
    return identity;
}

// ---------------------------------------------------------------------------------------
// Mounting

bool cVNTFS::Mount(cPartRecord& record) {
    BindPartition(&record);
    volumeStart_ = 0;
    std::array<std::uint8_t, kSectorSize> sector{};
    auto geometry = ReadSectorsAt(PartitionStart(), sector.data(), 1)
                        ? ntfs::ParseBootSector(sector)
                        : std::nullopt;
    if (!geometry) {
        geometry = ntfs::FindBackupBootSector(
            [this](std::uint64_t at, std::uint8_t* out) {
                return at <= ~std::uint64_t(0) - PartitionStart() &&
                       ReadSectorsAt(PartitionStart() + at, out, 1);
            },
            record.Length());
    }
    const auto mftSector = geometry ? ntfs::MftSector(*geometry) : std::nullopt;
    if (!mftSector || *mftSector > ~std::uint64_t(0) - PartitionStart()) {
        BindPartition(nullptr);
        return false;
    }
    boot_ = *geometry;
    clusterSize_ = geometry->clusterSize;
    recordSize_ = geometry->recordSize;
    mftStart_ = PartitionStart() + *mftSector;
    SetClusterCount(geometry->totalSectors / geometry->sectorsPerCluster);

    std::vector<std::uint8_t> mftRecord(recordSize_);
    if (!ReadSectorsAt(mftStart_, mftRecord.data(), recordSize_ / kSectorSize) ||
        !ntfs::FixupRecord(mftRecord) || !FinishMount(std::move(mftRecord)) ||
        !(bitmap_ = OpenStream(ntfs::kBitmapRecord, ntfs::kData))) {
        mft_.reset();
        BindPartition(nullptr);
        return false;
    }

    if (!record.FindExtension(part_ext::kVolumeName)) {
        const auto stream = OpenStream(ntfs::kVolumeRecord, ntfs::kVolumeName);
        const auto name = stream ? stream->ReadAll(kMaxVolumeName) : std::nullopt;
        if (name && !name->empty()) {
            record.AttachExtension(std::make_unique<cPartNameData>(utf::FromUtf16LE(*name)));
        }
    }
    return true;
}

bool cVNTFS::MountWithParams(cPartRecord& record, const cExternalVFSParams* params) {
    const auto* ntfsParams = dynamic_cast<const cExtNTFSParams*>(params);
    if (!ntfsParams || ntfsParams->GetFSType() != fstype::kNtfs) {
        return false;
    }
    const std::uint32_t recordSize = ntfsParams->recordSize;
    if (recordSize == 0 || recordSize % kSectorSize != 0 || recordSize > ntfs::kMaxRecordSize) {
        return false;
    }
    BindPartition(&record);
    const auto fail = [this] {
        mft_.reset();
        bitmap_.reset();
        BindPartition(nullptr);
        return false;
    };
    if (ntfsParams->mftSectorOffset > ~std::uint64_t(0) - PartitionStart() ||
        ntfsParams->volumeSectorOffset > record.Length()) {
        return fail();
    }
    boot_ = {};
    volumeStart_ = ntfsParams->volumeSectorOffset;
    recordSize_ = recordSize;
    mftStart_ = PartitionStart() + ntfsParams->mftSectorOffset;
    std::vector<std::uint8_t> mftRecord(recordSize_);
    if (!ReadSectorsAt(mftStart_, mftRecord.data(), recordSize_ / kSectorSize) ||
        !ntfs::FixupRecord(mftRecord)) {
        return fail();
    }
    // Without a boot sector the cluster size follows from $MFT's own allocation.
    const auto data = ntfs::FindAttribute(mftRecord, ntfs::kData, u"", 0);
    if (!data || !data->nonResident || data->highestVcn == ~std::uint64_t(0)) {
        return fail();
    }
    const std::uint64_t clusterSize = data->allocatedSize / (data->highestVcn + 1);
    if (clusterSize == 0 || clusterSize % kSectorSize != 0 || clusterSize > kMaxClusterSize) {
        return fail();
    }
    clusterSize_ = std::uint32_t(clusterSize);
    SetClusterCount((record.Length() - volumeStart_) / (clusterSize_ / kSectorSize));
    if (!FinishMount(std::move(mftRecord))) {
        return fail();
    }
    bitmap_ = OpenStream(ntfs::kBitmapRecord, ntfs::kData);
    return true;
}

void cVNTFS::SetClusterCount(std::uint64_t clusters) {
    blockCount_ = clusters;
    clusterLimit_ =
        std::min(clusters, (Partition()->Length() - volumeStart_) / (clusterSize_ / kSectorSize));
}

// The $MFT stream is opened in two steps: its first extent alone is enough to read the
// records that hold the other extents, which every volume keeps inside that extent.
bool cVNTFS::FinishMount(std::vector<std::uint8_t> mftRecord) {
    mft_ = OpenStreamIn(mftRecord, ntfs::kMftRecord, ntfs::kData, u"", false);
    if (!mft_) {
        return false;
    }
    mft_ = OpenStreamIn(std::move(mftRecord), ntfs::kMftRecord, ntfs::kData, u"", true);
    return mft_ != nullptr;
}

// ---------------------------------------------------------------------------------------
// Records and streams

bool cVNTFS::ReadClusters(std::uint64_t lcn, std::uint64_t count, std::uint8_t* out) {
    cBaseIO* storage = Storage();
    if (!storage || count == 0 || count > UINT32_MAX / clusterSize_ ||
        PartitionStart() + volumeStart_ > ~std::uint64_t(0) / kSectorSize) {
        return false;
    }
    if (lcn > clusterLimit_ || count > clusterLimit_ - lcn) {
        return false;
    }
    const std::uint64_t start = (PartitionStart() + volumeStart_) * kSectorSize;
    if (lcn > (~std::uint64_t(0) - start) / clusterSize_) {
        return false;
    }
    return storage->ReadBytes(out, start + lcn * clusterSize_, std::uint32_t(count * clusterSize_));
}

std::optional<std::vector<std::uint8_t>> cVNTFS::ReadRecord(std::uint64_t n) {
    if (!mft_ || n > ~std::uint64_t(0) / recordSize_) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> record(recordSize_);
    const std::uint64_t offset = n * recordSize_;
    if (mft_->Seek(offset) != offset || mft_->Read(record.data(), recordSize_) != recordSize_ ||
        !ntfs::FixupRecord(record)) {
        return std::nullopt;
    }
    return record;
}

std::unique_ptr<cNTFSObj> cVNTFS::OpenStream(std::uint64_t n, std::uint32_t type,
                                             std::u16string_view name) {
    auto base = ReadRecord(n);
    return base ? OpenStreamIn(std::move(*base), n, type, name, true) : nullptr;
}

std::vector<std::uint8_t> cVNTFS::AttributeList(const std::vector<std::uint8_t>& base,
                                                std::uint64_t n) {
    const auto list = ntfs::FindAttribute(base, ntfs::kAttributeList, u"");
    if (!list) {
        return {};
    }
    if (!list->nonResident) {
        return {list->value.begin(), list->value.end()};
    }
    // The list itself always lies whole in the base record.
    const auto stream = OpenStreamIn(base, n, ntfs::kAttributeList, u"", false);
    auto bytes = stream ? stream->ReadAll(kMaxAttributeList) : std::nullopt;
    return bytes ? std::move(*bytes) : std::vector<std::uint8_t>{};
}

std::optional<cVNTFS::Found> cVNTFS::FindExtent(const std::vector<std::uint8_t>& base,
                                                std::uint64_t n,
                                                const std::vector<std::uint8_t>& list,
                                                std::uint32_t type, std::u16string_view name,
                                                std::uint64_t lowestVcn) {
    const auto entry = ntfs::FindListEntry(list, type, name, lowestVcn);
    if (!entry) {
        return std::nullopt;
    }
    std::optional<std::vector<std::uint8_t>> holder;
    if (entry->record == n) {
        holder = base;
    } else {
        // An extension record names its base record; one that does not was reused for
        // another file, and what the list points at is gone.
        holder = ReadRecord(entry->record);
        if (!holder || BaseRecordOf(*holder) != n) {
            return std::nullopt;
        }
    }
    const auto attribute = ntfs::FindAttribute(*holder, type, name, lowestVcn);
    if (!attribute) {
        return std::nullopt;
    }
    return Found{std::move(*holder), attribute->offset};
}

std::unique_ptr<cNTFSObj> cVNTFS::OpenStreamIn(std::vector<std::uint8_t> base, std::uint64_t n,
                                               std::uint32_t type, std::u16string_view name,
                                               bool allExtents) {
    std::optional<Found> first;
    if (const auto here = ntfs::FindAttribute(base, type, name, 0)) {
        first = Found{base, here->offset};
    }
    std::vector<std::uint8_t> list;
    bool listRead = false;
    const auto readList = [&] {
        if (!listRead && type != ntfs::kAttributeList) {
            list = AttributeList(base, n);
        }
        listRead = true;
    };
    if (!first) {
        readList();
        first = FindExtent(base, n, list, type, name, 0);
        if (!first) {
            return nullptr;
        }
    }
    const ntfs::Attribute attribute = *ntfs::ParseAttribute(first->record, first->offset);
    if (!attribute.nonResident) {
        return cNTFSObj::OverValue(this, std::move(first->record), first->offset);
    }
    std::vector<ntfs::Run> runs;
    if (!ntfs::DecodeMappingPairs(attribute.mappingPairs, 0, runs)) {
        return nullptr;
    }
    // Later extents, each found through the list by the cluster it starts at. Every step
    // moves lastVcn forward and needs its own list entry, so the walk ends.
    const std::uint64_t clusters =
        attribute.allocatedSize / clusterSize_ + (attribute.allocatedSize % clusterSize_ != 0);
    std::uint64_t lastVcn = attribute.highestVcn;
    while (allExtents && lastVcn + 1 < clusters && lastVcn + 1 != 0) {
        readList();
        // Without a list the record holds the only extent, and an allocation beyond it
        // is damage; the stream keeps what the extent maps.
        if (list.empty()) {
            break;
        }
        const auto next = FindExtent(base, n, list, type, name, lastVcn + 1);
        if (!next) {
            return nullptr;
        }
        const ntfs::Attribute extent = *ntfs::ParseAttribute(next->record, next->offset);
        if (!extent.nonResident || extent.highestVcn < extent.lowestVcn ||
            !ntfs::DecodeMappingPairs(extent.mappingPairs, extent.lowestVcn, runs)) {
            return nullptr;
        }
        lastVcn = extent.highestVcn;
    }
    const bool compressed = attribute.IsCompressed() || MarkedCompressed(base);
    return cNTFSObj::OverRuns(this, std::move(first->record), first->offset, runs, compressed);
}

// ---------------------------------------------------------------------------------------
// Entries and handles

std::vector<std::vector<std::uint8_t>> cVNTFS::FileNameValues(const std::vector<std::uint8_t>& base,
                                                              std::uint64_t n) {
    std::vector<std::vector<std::uint8_t>> values;
    const auto collect = [&values](const std::vector<std::uint8_t>& record) {
        for (ntfs::AttributeWalker walker(record); auto a = walker.Next();) {
            if (a->type == ntfs::kFileName && !a->nonResident) {
                values.emplace_back(a->value.begin(), a->value.end());
            }
        }
    };
    collect(base);
    if (!values.empty()) {
        return values;
    }
    // A file with many names or runs may have had its names moved to extension records.
    const std::vector<std::uint8_t> list = AttributeList(base, n);
    std::vector<std::uint64_t> visited;
    for (ntfs::AttributeListWalker walker(list); auto entry = walker.Next();) {
        if (entry->type != ntfs::kFileName || entry->record == n ||
            std::find(visited.begin(), visited.end(), entry->record) != visited.end()) {
            continue;
        }
        visited.push_back(entry->record);
        const auto record = ReadRecord(entry->record);
        if (record && BaseRecordOf(*record) == n) {
            collect(*record);
        }
    }
    return values;
}

std::unique_ptr<cFSObject> cVNTFS::EntryFromRecord(std::uint64_t n) {
    const auto base = ReadRecord(n);
    if (!base) {
        return nullptr;
    }
    const auto si = ntfs::FindAttribute(*base, ntfs::kStandardInformation, u"");
    const auto modified = si && !si->nonResident ? bytes::Le64At(si->value, 8) : std::nullopt;
    if (!modified) {
        return nullptr;
    }
    // The Win32 name when there is one, else the last name found.
    std::optional<ntfs::FileName> chosen;
    for (const auto& value : FileNameValues(*base, n)) {
        auto name = ntfs::ParseFileName(value);
        if (name && !(chosen && chosen->IsWin32())) {
            chosen = std::move(name);
        }
    }
    if (!chosen) {
        return nullptr;
    }
    std::unique_ptr<cFSObject> entry;
    if (chosen->IsDirectory()) {
        entry = std::make_unique<cFSFolder>();
    } else {
        entry = std::make_unique<cFSFile>();
        std::optional<std::uint64_t> claimed;
        if (const auto data = ntfs::FindAttribute(*base, ntfs::kData, u"", 0)) {
            claimed = data->Size();
        } else if (const auto found =
                       FindExtent(*base, n, AttributeList(*base, n), ntfs::kData, u"", 0)) {
            claimed = ntfs::ParseAttribute(found->record, found->offset)->Size();
        }
        // The stream tells what really backs the data: runs outside the volume, extents
        // that are missing or shorter than the size. One that cannot be opened at all
        // is not believed beyond the volume's size.
        if (claimed) {
            const auto data = OpenStreamIn(*base, n, ntfs::kData, u"", true);
            entry->size = data ? data->GetSize() : std::min(*claimed, BytesOf(ClusterLimit()));
            entry->damaged = !data || data->IsDamaged();
        }
    }
    entry->id = n;
    entry->parentId = chosen->parentRecord;
    entry->name = std::move(chosen->name);
    entry->mtime = fstime::FromFileTime(*modified);
    entry->fileSystem = this;
    return entry;
}

std::unique_ptr<cFSObject> cVNTFS::GetObject(std::uint64_t id) {
    return EntryFromRecord(id);
}

std::unique_ptr<cObjectHandle> cVNTFS::OpenObject(const cFSObject& entry) {
    if (entry.Kind() == fskind::kFile) {
        return OpenStream(entry.id, ntfs::kData);
    }
    if (auto index = OpenStream(entry.id, ntfs::kIndexAllocation, ntfs::kI30)) {
        return index;
    }
    return OpenStream(entry.id, ntfs::kIndexRoot, ntfs::kI30);
}

std::unique_ptr<cObjectHandle> cVNTFS::OpenObjectAtRecord(std::uint64_t sector) {
    const auto absolute = checked::Add(PartitionStart(), sector);
    if (!mft_ || !absolute) {
        return nullptr;
    }
    std::vector<std::uint8_t> record(recordSize_);
    if (!ReadSectorsAt(*absolute, record.data(), recordSize_ / kSectorSize) ||
        !ntfs::FixupRecord(record)) {
        return nullptr;
    }
    // The record's own number (offset 44, in records of NTFS 3.1 whose update sequence
    // starts after it) is what its extension records name as their base; without it
    // only the attributes inside this record are used.
    const std::uint64_t number = bytes::Le16At(record, 4).value_or(0) >= 48
                                     ? bytes::Le32At(record, 44).value_or(0)
                                     : ~std::uint64_t(0);
    return OpenStreamIn(std::move(record), number, ntfs::kData, u"", true);
}

// ---------------------------------------------------------------------------------------
// Allocation map

bool cVNTFS::IsBlockUsed(std::uint64_t cluster) {
    constexpr std::uint64_t kWindowClusters = 8 * std::tuple_size_v<decltype(bitmapWindow_)>;
    if (!bitmap_) {
        return false;
    }
    const std::uint64_t start = cluster / kWindowClusters * kWindowClusters;
    if (start != bitmapWindowStart_) {
        bitmapWindowStart_ = ~std::uint64_t(0);
        if (bitmap_->Seek(start / 8) != start / 8) {
            return false;
        }
        bitmapWindowBytes_ = bitmap_->Read(bitmapWindow_.data(), bitmapWindow_.size());
        if (bitmapWindowBytes_ == 0) {
            return false;
        }
        bitmapWindowStart_ = start;
    }
    const std::uint64_t index = (cluster - start) / 8;
    return index < bitmapWindowBytes_ && ((bitmapWindow_[index] >> (cluster % 8)) & 1) != 0;
}
