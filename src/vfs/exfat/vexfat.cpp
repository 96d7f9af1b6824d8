#include "vfs/exfat/vexfat.h"

#include "base/bytes.h"
#include "base/checked.h"
#include "io/base_io.h"
#include "vfs/exfat/exfat_params.h"
#include "vfs/exfat/exfat_upcase.h"
#include "vfs/visited_clusters.h"

#include <algorithm>
#include <cstring>
#include <span>

namespace {

// The format caps a folder at 256 MiB; a larger size is damage.
constexpr std::uint64_t kMaxFolderBytes = 256ull << 20;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFF;

// Memory on page boundaries: the kernel copies into it several times faster than into
// a heap buffer that starts just past one, which a listing of large folders feels.
struct alignas(4096) cPage {
    std::array<std::uint8_t, 4096> bytes;
};

// Reads the whole of a handle's data, which the caller has bounded, into out (as large
// as the data); answers how many bytes came.
std::size_t ReadInto(cObjectHandle& handle, std::span<std::uint8_t> out) {
    std::size_t got = 0;
    while (got < out.size()) {
        const auto want = std::uint32_t(std::min<std::size_t>(out.size() - got, 1 << 20));
        const std::uint32_t read = handle.Read(out.data() + got, want);
        got += read;
        if (read < want) {
            break;
        }
    }
    return got;
}

std::vector<std::uint8_t> ReadWhole(cObjectHandle& handle) {
    std::vector<std::uint8_t> data(handle.GetSize());
    data.resize(ReadInto(handle, data));
    return data;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Mounting

bool cVExFAT::Mount(cPartRecord& record) {
    const std::optional<exfatboot::cBootRecord> boot =
        exfatboot::ReadBootRegion(probe::SourceOf(record));
    return boot && MountFrom(record, *boot, true);
}

bool cVExFAT::MountWithParams(cPartRecord& record, const cExternalVFSParams* params) {
    const auto* found = dynamic_cast<const cExtExfatParams*>(params);
    return found && exfatboot::IsAddressable(found->boot) &&
           MountFrom(record, found->boot, found->fatFound);
}

bool cVExFAT::MountFrom(cPartRecord& record, const exfatboot::cBootRecord& boot, bool fatFound) {
    BindPartition(&record);
    boot_ = boot;
    fatFound_ = fatFound;
    layout_ = exfatboot::ComputeLayout(boot_, record.Length());
    blockCount_ = std::uint64_t(boot_.clusterCount) + 2;
    cachedFatSector_ = kNoSector;
    bitmapLoaded_ = false;
    bitmap_.clear();
    upcase_.clear();
    folderOfCluster_.clear();
    if (!IsDataCluster(boot_.rootCluster) || !ReadRootEntries()) {
        BindPartition(nullptr);
        return false;
    }
    codePage_ = codepage::kUtf8;
    if (!label_.empty() && !record.FindExtension(part_ext::kVolumeName)) {
        record.AttachExtension(std::make_unique<cPartNameData>(label_));
    }
    return true;
}

std::vector<std::uint8_t> cVExFAT::GetIdentity() const {
    std::vector<std::uint8_t> identity(9);
    identity[0] = std::uint8_t(GetFSType());
    bytes::PutLe64(&identity[1], PartitionStart());
    return identity;
}

bool cVExFAT::ReadRootEntries() {
    const std::unique_ptr<cExfatHandle> root = OpenRoot();
    if (!root) {
        return false;
    }
    const std::vector<std::uint8_t> entries = ReadWhole(*root);
    if (entries.size() < exfatdir::kEntrySize) {
        return false;
    }
    label_.clear();
    bitmapCluster_ = 0;
    bitmapLength_ = 0;
    for (std::size_t at = 0; at + exfatdir::kEntrySize <= entries.size();
         at += exfatdir::kEntrySize) {
        const auto entry = std::span(entries).subspan(at).first<exfatdir::kEntrySize>();
        const std::uint8_t type = entry[0];
        if (type == exfatdir::kEndOfDirectory) {
            break;
        }
        if (type == exfatdir::kBitmap && (entry[1] & 1) == boot_.ActiveFat()) {
            bitmapCluster_ = bytes::Le32<20>(entry);
            bitmapLength_ = bytes::Le64<24>(entry);
        } else if (type == exfatdir::kUpcase && upcase_.empty()) {
            LoadUpcase(bytes::Le32<20>(entry), bytes::Le64<24>(entry), bytes::Le32<4>(entry));
        } else if (type == exfatdir::kVolumeLabel) {
            const std::size_t units = std::min<std::size_t>(entry[1], 11);
            for (std::size_t i = 0; i < units; ++i) {
                label_.push_back(char16_t(bytes::unchecked::Le16(entry.data() + 2 + 2 * i)));
            }
        }
    }
    return true;
}

void cVExFAT::LoadUpcase(std::uint32_t firstCluster, std::uint64_t length, std::uint32_t checksum) {
    if (length == 0 || length > exfatupcase::kMaxTableBytes || length % 2 != 0 ||
        !IsDataCluster(firstCluster)) {
        return;
    }
    auto handle = std::make_unique<cExfatHandle>(this);
    handle->SetUnitSize(layout_.clusterBytes);
    const std::uint64_t clusters =
        FollowChain(firstCluster, ClustersFor(length), false, handle.get());
    if (clusters < ClustersFor(length)) {
        return;
    }
    handle->SetSize(length);
    const std::vector<std::uint8_t> table = ReadWhole(*handle);
    if (table.size() != length || exfatupcase::TableChecksum(table) != checksum) {
        return;
    }
    upcase_ = exfatupcase::Expand(table);
}

bool cVExFAT::NameHashOk(const exfatdir::cEntrySet& set) const {
    if (upcase_.empty()) {
        return true;
    }
    return exfatdir::NameHash(set.name, upcase_) == set.nameHash;
}

// ---------------------------------------------------------------------------------------
// Allocation: the FAT and the bitmap

std::uint32_t cVExFAT::FatEntry(std::uint32_t cluster) {
    constexpr std::uint32_t kPerSector = 512 / 4;
    const std::uint64_t sector = cluster / kPerSector;
    if (!fatFound_ || sector >= layout_.fatSectors) {
        return 0;
    }
    if (cachedFatSector_ != sector) {
        cachedFatSector_ = kNoSector;
        if (!ReadSectorsAt(PartitionStart() + layout_.fatStart + sector, fatCache_.data(), 1)) {
            return 0;
        }
        cachedFatSector_ = sector;
    }
    return bytes::unchecked::Le32(fatCache_.data() + (cluster % kPerSector) * 4);
}

const std::vector<std::uint8_t>& cVExFAT::Bitmap() {
    if (bitmapLoaded_) {
        return bitmap_;
    }
    bitmapLoaded_ = true;
    // Only the bytes that describe existing clusters are read; a shorter bitmap leaves
    // the clusters it does not reach counted as used.
    const std::uint64_t length =
        std::min<std::uint64_t>(bitmapLength_, (layout_.clusterLimit - 2 + 7) / 8);
    if (length == 0 || !IsDataCluster(bitmapCluster_)) {
        return bitmap_;
    }
    auto handle = std::make_unique<cExfatHandle>(this);
    handle->SetUnitSize(layout_.clusterBytes);
    FollowChain(bitmapCluster_, ClustersFor(length), false, handle.get());
    handle->SetSize(length);
    bitmap_ = ReadWhole(*handle);
    return bitmap_;
}

bool cVExFAT::IsBlockUsed(std::uint64_t cluster) {
    if (!IsDataCluster(cluster)) {
        return true;
    }
    const std::vector<std::uint8_t>& bitmap = Bitmap();
    const std::uint64_t bit = cluster - 2;
    return bit / 8 >= bitmap.size() || (bitmap[bit / 8] >> (bit % 8) & 1) != 0;
}

std::uint64_t cVExFAT::FollowChain(std::uint32_t first, std::uint64_t limit, bool freeOnly,
                                   cExfatHandle* handle) {
    cVisitedClusters visited;
    std::uint64_t walked = 0;
    std::uint32_t current = first;
    while (walked < limit && IsDataCluster(current) && visited.Insert(current)) {
        if (freeOnly && IsBlockUsed(current)) {
            break;
        }
        if (handle && !handle->AppendRun(current, 1)) {
            break;
        }
        ++walked;
        const std::uint32_t next = FatEntry(current);
        if (next == kEndOfChain) {
            break;
        }
        current = next;
    }
    return walked;
}

std::optional<std::uint64_t> cVExFAT::DataClusters(const exfatdir::cEntrySet& set,
                                                   cExfatHandle* handle) {
    const std::uint64_t needed = ClustersFor(std::min(set.validLength, set.dataLength));
    if (needed == 0) {
        return 0;
    }
    if (!IsDataCluster(set.firstCluster)) {
        return std::nullopt;
    }
    if (!set.noFatChain) {
        return FollowChain(set.firstCluster, needed, set.deleted, handle);
    }
    std::uint64_t taken = std::min(needed, layout_.clusterLimit - set.firstCluster);
    if (set.deleted) {
        // A newer file may have taken clusters of a deleted one: its data ends there.
        std::uint64_t free = 0;
        while (free < taken && !IsBlockUsed(set.firstCluster + free)) {
            ++free;
        }
        taken = free;
    }
    if (handle && !handle->AppendRun(set.firstCluster, taken)) {
        return std::nullopt;
    }
    return taken;
}

// ---------------------------------------------------------------------------------------
// Reading data

bool cVExFAT::ReadClusters(std::uint8_t* buffer, std::uint64_t first, std::uint64_t count) const {
    if (count == 0 || !IsDataCluster(first) || count > layout_.clusterLimit - first ||
        count * layout_.clusterSectors > UINT32_MAX) {
        return false;
    }
    return ReadSectorsAt(PartitionStart() + layout_.heapStart +
                             (first - 2) * layout_.clusterSectors,
                         buffer, std::uint32_t(count * layout_.clusterSectors));
}

void cExfatHandle::CutAtValidEnd(std::uint8_t* buffer, std::uint64_t first,
                                 std::uint64_t count) const {
    if (validEndCluster_ >= first && validEndCluster_ - first < count) {
        const std::uint64_t at = (validEndCluster_ - first) * UnitSize() + validEndBytes_;
        std::memset(buffer + at, 0, UnitSize() - validEndBytes_);
    }
}

bool cExfatHandle::ReadBlock(std::uint8_t* buffer, std::uint64_t cluster) {
    return ReadBlocks(buffer, cluster, 1);
}

bool cExfatHandle::ReadBlocks(std::uint8_t* buffer, std::uint64_t first, std::uint64_t count) {
    if (!reader_->ReadClusters(buffer, first, count)) {
        return false;
    }
    CutAtValidEnd(buffer, first, count);
    return true;
}

std::unique_ptr<cExfatHandle> cVExFAT::OpenRoot() {
    auto handle = std::make_unique<cExfatHandle>(this);
    handle->SetUnitSize(layout_.clusterBytes);
    const std::uint64_t clusters =
        FollowChain(boot_.rootCluster, kMaxFolderBytes / layout_.clusterBytes, false, handle.get());
    if (clusters == 0) {
        return nullptr;
    }
    handle->SetSize(clusters * layout_.clusterBytes);
    for (std::size_t run = 0; run < handle->Runs().Count(); ++run) {
        for (std::uint64_t i = 0; i < handle->Runs()[run].length; ++i) {
            folderOfCluster_[handle->Runs()[run].physicalStart + i] = kRootId;
        }
    }
    return handle;
}

std::unique_ptr<cExfatHandle> cVExFAT::OpenSet(const exfatdir::cEntrySet& set) {
    auto handle = std::make_unique<cExfatHandle>(this);
    handle->SetUnitSize(layout_.clusterBytes);
    const std::optional<std::uint64_t> clusters = DataClusters(set, handle.get());
    if (!clusters) {
        return nullptr;
    }
    const std::uint64_t valid = std::min(set.validLength, set.dataLength);
    const std::uint64_t validClusters = ClustersFor(valid);
    handle->SetSize(set.dataLength);
    if (*clusters < validClusters) {
        handle->SetDamaged(true);
        return handle;
    }
    if (valid % layout_.clusterBytes != 0) {
        const cRun* last = handle->Runs().Find(validClusters - 1);
        handle->SetValidEnd(last->physicalStart + (validClusters - 1 - last->logicalStart),
                            std::uint32_t(valid % layout_.clusterBytes));
    }
    // Past the valid length nothing was written: the rest reads as zeros.
    handle->AppendRun(cRun::kSparse, ClustersFor(set.dataLength) - validClusters);
    return handle;
}

std::unique_ptr<cObjectHandle> cVExFAT::OpenObject(const cFSObject& entry) {
    const std::uint32_t kind = entry.Kind();
    if (entry.id == kRootId) {
        return kind == fskind::kFolder ? std::unique_ptr<cObjectHandle>(OpenRoot()) : nullptr;
    }
    if (kind != fskind::kFolder && kind != fskind::kFile && kind != fskind::kDeleted) {
        return nullptr;
    }
    const std::optional<exfatdir::cEntrySet> set = ReadSetAt(entry.id);
    if (!set) {
        return nullptr;
    }
    if (set->dataLength == 0) {
        return std::make_unique<cEmptyObjectHandle>();
    }
    if (set->folder && set->dataLength > kMaxFolderBytes) {
        return nullptr;
    }
    return OpenSet(*set);
}

// ---------------------------------------------------------------------------------------
// Folders and objects

std::optional<exfatdir::cEntrySet> cVExFAT::ReadSetAt(std::uint64_t id) {
    const std::uint64_t heapByte = layout_.heapStart * exfatboot::kSectorBytes;
    const std::optional<std::uint64_t> position = checked::Mul<std::uint64_t>(id, 32);
    if (!position || *position < heapByte) {
        return std::nullopt;
    }
    std::uint64_t cluster = 2 + (*position - heapByte) / layout_.clusterBytes;
    std::uint64_t within = (*position - heapByte) % layout_.clusterBytes;
    std::array<std::uint8_t, exfatdir::kMaxSetBytes> set{};
    std::vector<std::uint8_t> sectors;
    std::size_t got = 0;
    // A set crosses at most one cluster boundary: into the next cluster of the folder's
    // chain, or the one after on disk when the folder is contiguous and its FAT unused.
    for (int piece = 0; piece < 2 && got < set.size() && IsDataCluster(cluster); ++piece) {
        const std::size_t take =
            std::min<std::uint64_t>(set.size() - got, layout_.clusterBytes - within);
        const std::uint64_t firstSector = within / exfatboot::kSectorBytes;
        const std::uint64_t lastSector = (within + take - 1) / exfatboot::kSectorBytes;
        sectors.resize((lastSector - firstSector + 1) * exfatboot::kSectorBytes);
        if (!ReadSectorsAt(PartitionStart() + layout_.heapStart +
                               (cluster - 2) * layout_.clusterSectors + firstSector,
                           sectors.data(), std::uint32_t(lastSector - firstSector + 1))) {
            break;
        }
        std::memcpy(set.data() + got, sectors.data() + within % exfatboot::kSectorBytes, take);
        got += take;
        const std::uint32_t next = FatEntry(std::uint32_t(cluster));
        cluster = IsDataCluster(next) ? next : cluster + 1;
        within = 0;
    }
    exfatdir::cEntrySet decoded;
    return exfatdir::DecodeSet(std::span(set).first(got), decoded) ? std::optional(decoded)
                                                                   : std::nullopt;
}

std::unique_ptr<cFSObject> cVExFAT::MakeEntry(const exfatdir::cEntrySet& set, std::uint64_t id,
                                              std::uint64_t parentId) {
    std::unique_ptr<cFSObject> entry;
    if (set.deleted) {
        entry = std::make_unique<cFSDeletedObj>();
    } else if (set.folder) {
        entry = std::make_unique<cFSFolder>();
    } else {
        entry = std::make_unique<cFSFile>();
    }
    FillEntry(*entry, set, id, parentId);
    return entry;
}

void cVExFAT::FillEntry(cFSObject& entry, const exfatdir::cEntrySet& set, std::uint64_t id,
                        std::uint64_t parentId) {
    if (entry.Kind() == fskind::kDeleted) {
        static_cast<cFSDeletedObj&>(entry).deletedKind =
            std::uint16_t(set.folder ? fskind::kFolder : fskind::kFile);
    }
    entry.id = id;
    entry.parentId = parentId;
    entry.size = set.folder ? 0 : set.dataLength;
    entry.name = set.name;
    entry.mtime = set.mtime;
    entry.fileSystem = this;
    bool incomplete = false;
    if (!set.folder) {
        const std::optional<std::uint64_t> clusters = DataClusters(set, nullptr);
        incomplete =
            !clusters || *clusters < ClustersFor(std::min(set.validLength, set.dataLength));
    }
    entry.damaged = !set.checksumOk || !NameHashOk(set) || incomplete;
}

bool cVExFAT::EnumFolder(const cFSObject& folder, const cEnumCallback& callback,
                         std::uint32_t flags) {
    std::unique_ptr<cExfatHandle> handle;
    if (folder.id == kRootId) {
        handle = OpenRoot();
    } else {
        const std::optional<exfatdir::cEntrySet> set = ReadSetAt(folder.id);
        if (set && set->folder && (!set->deleted || (flags & kListDeletedFolder)) &&
            set->dataLength <= kMaxFolderBytes) {
            handle = OpenSet(*set);
        }
    }
    if (!handle) {
        return false;
    }
    std::vector<cPage> pages((handle->GetSize() + sizeof(cPage) - 1) / sizeof(cPage));
    std::span<std::uint8_t> all(reinterpret_cast<std::uint8_t*>(pages.data()), handle->GetSize());
    all = all.first(ReadInto(*handle, all));
    const cRunList& runs = handle->Runs();
    for (std::size_t run = 0; run < runs.Count(); ++run) {
        for (std::uint64_t i = 0; i < runs[run].length && !runs[run].IsSparse(); ++i) {
            folderOfCluster_[runs[run].physicalStart + i] = folder.id;
        }
    }
    const std::uint64_t heapEntry = layout_.heapStart * exfatboot::kSectorBytes / 32;
    const std::uint64_t perCluster = layout_.clusterBytes / exfatdir::kEntrySize;
    // The id of the entry at a byte offset of the folder's data; nothing past its
    // clusters, where a damaged folder reads as zeros.
    const auto idAt = [&](std::size_t at) -> std::optional<std::uint64_t> {
        const std::uint64_t index = at / exfatdir::kEntrySize;
        const cRun* run = runs.Find(index / perCluster);
        if (!run || run->IsSparse()) {
            return std::nullopt;
        }
        return heapEntry +
               (run->physicalStart - 2 + (index / perCluster - run->logicalStart)) * perCluster +
               index % perCluster;
    };
    // The callback gets one entry object per kind, refilled for every set, and the sets
    // are decoded into one place: a listing of many files allocates nothing per file.
    exfatdir::cEntrySet set;
    cFSFile file;
    cFSFolder subfolder;
    cFSDeletedObj deleted;
    cFSVolName label;
    for (std::size_t at = 0; at + exfatdir::kEntrySize <= all.size();) {
        const std::uint8_t type = all[at];
        if (type == exfatdir::kEndOfDirectory) {
            break;
        }
        const std::optional<std::uint64_t> id = idAt(at);
        if (!id) {
            break;
        }
        cFSObject* object = nullptr;
        std::size_t length = exfatdir::kEntrySize;
        if ((type | exfatdir::kInUse) == exfatdir::kFile) {
            if (exfatdir::DecodeSet(all.subspan(at), set)) {
                object = set.deleted  ? &deleted
                         : set.folder ? static_cast<cFSObject*>(&subfolder)
                                      : &file;
                FillEntry(*object, set, *id, folder.id);
                length = set.entries * exfatdir::kEntrySize;
            }
        } else if (type == exfatdir::kVolumeLabel && folder.id == kRootId) {
            label = cFSVolName();
            label.id = *id;
            label.parentId = folder.id;
            label.name = label_;
            label.fileSystem = this;
            object = &label;
        }
        at += length;
        if (object && !callback(*object)) {
            return false;
        }
    }
    return true;
}

std::unique_ptr<cFSObject> cVExFAT::GetObject(std::uint64_t id) {
    if (id == kRootId) {
        auto root = std::make_unique<cFSFolder>();
        root->id = root->parentId = kRootId;
        root->fileSystem = this;
        return root;
    }
    const std::optional<exfatdir::cEntrySet> set = ReadSetAt(id);
    if (!set) {
        return nullptr;
    }
    const std::uint64_t heapEntry = layout_.heapStart * exfatboot::kSectorBytes / 32;
    const std::uint64_t cluster = 2 + (id - heapEntry) / (layout_.clusterBytes / 32);
    const auto parent = folderOfCluster_.find(cluster);
    return MakeEntry(*set, id, parent == folderOfCluster_.end() ? kUnknownParent : parent->second);
}
