#include "vfs/fat/vfat.h"

#include "base/bytes.h"
#include "base/utf.h"
#include "io/base_io.h"
#include "vfs/fat/fat_dir.h"
#include "vfs/fat/fat_params.h"
#include "vfs/visited_clusters.h"

#include <algorithm>
#include <string>

namespace {

constexpr std::uint64_t kWholeChain = ~std::uint64_t(0);

} // namespace

// ---------------------------------------------------------------------------------------
// Mounting

bool cVFATBase::Mount(cPartRecord& record) {
    BindPartition(&record);
    const std::optional<fatboot::cBootRecord> boot = ReadBootRecord();
    if (!boot) {
        BindPartition(nullptr);
        return false;
    }
    Attach(record, *boot, fatboot::ComputeLayout(*boot, PartitionStart()));
    return true;
}

bool cVFATBase::MountWithParams(cPartRecord& record, const cExternalVFSParams* params) {
    const auto* found = dynamic_cast<const cExtFATParams*>(params);
    if (!found || found->GetFSType() != GetFSType() ||
        (found->width != 12 && found->width != 16 && found->width != 32)) {
        return false;
    }
    const std::uint32_t clusterSectors = found->clusterBytes / fatboot::kSectorBytes;
    const std::uint64_t rootSectors =
        std::uint64_t(found->rootEntries) * 32 / fatboot::kSectorBytes;
    // The fields must fit the boot record they stand for.
    if (clusterSectors == 0 || clusterSectors > 128 || (clusterSectors & (clusterSectors - 1)) ||
        found->clusterBytes % fatboot::kSectorBytes || found->firstFatSector == 0 ||
        found->firstFatSector > 0xFFFF || found->fatSectors == 0 ||
        found->fatSectors > 0xFFFFFFFFu || found->dataStart < rootSectors ||
        found->dataStart >= record.Length() || record.Length() > 0xFFFFFFFFu) {
        return false;
    }
    fatboot::cBootRecord boot;
    boot.width = found->width;
    boot.bytesPerSector = fatboot::kSectorBytes;
    boot.sectorsPerCluster = std::uint8_t(clusterSectors);
    boot.reservedSectors = std::uint16_t(found->firstFatSector);
    boot.fatCount = 2;
    boot.rootEntries = found->rootEntries;
    boot.totalSectors = std::uint32_t(record.Length());
    boot.sectorsPerFat = std::uint32_t(found->fatSectors);
    boot.rootCluster = found->rootCluster;
    boot.label.fill(' ');
    BindPartition(&record);
    fatboot::cLayout layout = fatboot::ComputeLayout(boot, PartitionStart());
    // Where the clusters lie was measured; the tables' size only estimated from it.
    layout.dataStart = PartitionStart() + found->dataStart;
    layout.rootStart = layout.dataStart - rootSectors;
    const std::uint64_t dataClusters = (record.Length() - found->dataStart) / clusterSectors;
    layout.clusterLimit = std::min(layout.clusterLimit, dataClusters + 2);
    Attach(record, boot, layout);
    return true;
}

void cVFATBase::Attach(cPartRecord& record, const fatboot::cBootRecord& boot,
                       const fatboot::cLayout& layout) {
    boot_ = boot;
    layout_ = layout;
    endOfChainMask_ = boot_.width == 12 ? 0xFF8 : boot_.width == 16 ? 0xFFF8 : 0x0FFFFFF8;
    blockCount_ = layout_.blockCount;
    cachedFatSector_ = kNoSector;
    NamePartition(record);
    codePage_ = codepage::kDosCyrillic;
}

std::optional<fatboot::cBootRecord> cVFAT::ReadBootRecord() {
    std::array<std::uint8_t, fatboot::kSectorBytes> sector{};
    if (!ReadSectorsAt(PartitionStart(), sector.data(), 1)) {
        return std::nullopt;
    }
    return fatboot::ParseBootRecord(sector, false);
}

std::optional<fatboot::cBootRecord> cVFAT32::ReadBootRecord() {
    std::array<std::uint8_t, fatboot::kSectorBytes> sector{};
    if (ReadSectorsAt(PartitionStart(), sector.data(), 1) && fatboot::HasFat32Label(sector)) {
        return fatboot::ParseBootRecord(sector, true);
    }
    // The backup is trusted only when it names itself as the backup.
    if (ReadSectorsAt(PartitionStart() + fatboot::kBackupBootSector, sector.data(), 1) &&
        fatboot::HasFat32Label(sector) && bytes::Le16<50>(sector) == fatboot::kBackupBootSector) {
        return fatboot::ParseBootRecord(sector, true);
    }
    return std::nullopt;
}

void cVFATBase::NamePartition(cPartRecord& record) {
    if (record.FindExtension(part_ext::kVolumeName)) {
        return;
    }
    std::u16string name = fatboot::BootLabel(boot_);
    EnumFolder(*FolderStub(GetRootId()), [&name](cFSObject& entry) {
        if (entry.Kind() != fskind::kVolName) {
            return true;
        }
        name = entry.name;
        return false;
    });
    record.AttachExtension(std::make_unique<cPartNameData>(std::move(name)));
}

std::vector<std::uint8_t> cVFATBase::GetIdentity() const {
    return StartIdentity();
}

// ---------------------------------------------------------------------------------------
// The allocation table

std::span<const std::uint8_t> cVFATBase::FatSectors(std::uint64_t sector, std::uint32_t count) {
    if (cachedFatSector_ == sector) {
        return std::span(fatCache_).first(cachedFatBytes_);
    }
    cachedFatSector_ = kNoSector;
    cachedFatBytes_ = 0;
    if (sector >= layout_.fatSectors) {
        return {};
    }
    count = std::uint32_t(std::min<std::uint64_t>({count, 2, layout_.fatSectors - sector}));
    cBaseIO* storage = Storage();
    if (!storage || storage->SeekSector(layout_.fatStart + sector) < 0) {
        return {};
    }
    // A short read still serves the entries inside the sectors that came back.
    const std::uint32_t read = storage->ReadSectors(fatCache_.data(), count);
    if (read == 0) {
        return {};
    }
    cachedFatSector_ = sector;
    cachedFatBytes_ = std::size_t(read) * fatboot::kSectorBytes;
    return std::span(fatCache_).first(cachedFatBytes_);
}

std::uint32_t cVFAT::FatEntry(std::uint32_t cluster) {
    const std::uint64_t byteOffset = std::uint64_t(cluster) * BootRecord().width / 8;
    const std::uint64_t sector = byteOffset / fatboot::kSectorBytes;
    const std::size_t at = byteOffset % fatboot::kSectorBytes;
    // Two sectors, so that a 12-bit entry straddling a sector boundary is read whole.
    const std::optional<std::uint16_t> word = bytes::Le16At(FatSectors(sector, 2), at);
    if (!word) {
        return 0;
    }
    if (BootRecord().width == 16) {
        return *word;
    }
    return cluster & 1 ? *word >> 4 : *word & 0xFFF;
}

std::uint32_t cVFAT32::FatEntry(std::uint32_t cluster) {
    constexpr std::uint32_t kPerSector = fatboot::kSectorBytes / 4;
    const std::optional<std::uint32_t> entry =
        bytes::Le32At(FatSectors(cluster / kPerSector, 1), (cluster % kPerSector) * 4);
    // The top four bits of a FAT32 entry are reserved and not part of the cluster number.
    return entry ? *entry & 0x0FFFFFFF : 0;
}

bool cVFATBase::IsBlockUsed(std::uint64_t cluster) {
    return cluster <= 0xFFFFFFFFu && FatEntry(std::uint32_t(cluster)) != 0;
}

bool cVFATBase::ReadCluster(std::uint8_t* buffer, std::uint64_t cluster) const {
    if (!IsDataCluster(cluster)) {
        return false;
    }
    return ReadSectorsAt(layout_.dataStart + (cluster - 2) * layout_.clusterSectors, buffer,
                         layout_.clusterSectors);
}

bool cVFATBase::ReadClusters(std::uint8_t* buffer, std::uint64_t first, std::uint64_t count) const {
    if (count == 0 || !IsDataCluster(first) || count > layout_.clusterLimit - first ||
        count * layout_.clusterSectors > UINT32_MAX) {
        return false;
    }
    return ReadSectorsAt(layout_.dataStart + (first - 2) * layout_.clusterSectors, buffer,
                         std::uint32_t(count * layout_.clusterSectors));
}

std::optional<std::uint64_t> cVFATBase::FollowChain(std::uint32_t firstCluster, std::uint64_t limit,
                                                    cFatHandle* handle) {
    cVisitedClusters visited;
    const std::uint64_t stepLimit = GetBlockCount() - 1;
    std::uint64_t walked = 0;
    std::uint32_t current = firstCluster;
    while (walked < limit) {
        // A link out of the data area (bad-cluster marks included) or to a cluster the
        // table shows free breaks the chain.
        if (!IsDataCluster(current)) {
            return std::nullopt;
        }
        const std::uint32_t next = FatEntry(current);
        if (next == 0 || walked == stepLimit || !visited.Insert(current) ||
            (handle && !handle->AppendRun(current, 1))) {
            return std::nullopt;
        }
        ++walked;
        if (EndsChain(next)) {
            break;
        }
        current = next;
    }
    return walked;
}

std::uint64_t cVFATBase::FreedClusters(std::uint32_t firstCluster, std::uint64_t limit) {
    std::uint64_t taken = 0;
    while (taken < limit && IsDataCluster(std::uint64_t(firstCluster) + taken) &&
           FatEntry(std::uint32_t(firstCluster + taken)) == 0) {
        ++taken;
    }
    return taken;
}

std::optional<std::uint64_t> cVFATBase::DataClusters(const cFSObject& entry, cFatHandle* handle) {
    if (entry.id < (IsFat32() ? GetRootId() : 2) || entry.id > 0xFFFFFFFFu) {
        return std::nullopt;
    }
    const auto first = std::uint32_t(entry.id);
    const std::uint32_t kind = entry.Kind();
    if (kind == fskind::kFolder) {
        return FollowChain(first, kWholeChain, handle);
    }
    // Past the clusters the size needs a chain holds nothing of the file, so a tail that
    // breaks or loops there costs it nothing.
    const std::uint64_t needed = ClustersFor(entry.size);
    if (kind != fskind::kDeleted) {
        return FollowChain(first, needed, handle);
    }
    const std::uint64_t taken = FreedClusters(first, needed);
    if (handle && !handle->AppendRun(first, taken)) {
        return std::nullopt;
    }
    return taken;
}

// ---------------------------------------------------------------------------------------
// Objects

std::unique_ptr<cObjectHandle> cVFATBase::OpenObject(const cFSObject& entry) {
    const std::uint32_t kind = entry.Kind();
    if ((kind == fskind::kFile || kind == fskind::kDeleted) && entry.size == 0) {
        return std::make_unique<cEmptyObjectHandle>();
    }
    // Only a folder names the FAT12/16 root by cluster 0; a file there has no data.
    if (!IsFat32() && entry.id == 0 && kind == fskind::kFolder) {
        return std::make_unique<cLinearObjectHandle>(
            this, layout_.rootStart * fatboot::kSectorBytes, layout_.rootBytes);
    }
    if (entry.id < (IsFat32() ? GetRootId() : 2) || entry.id > 0xFFFFFFFFu) {
        return nullptr;
    }
    std::unique_ptr<cFatHandle> handle;
    if (IsFat32()) {
        handle = std::make_unique<cFat32Handle>(this);
    } else {
        handle = std::make_unique<cFatHandle>(this);
    }
    handle->SetUnitSize(layout_.clusterBytes);
    const std::optional<std::uint64_t> clusters = DataClusters(entry, handle.get());
    if (!clusters) {
        return nullptr;
    }
    if (kind == fskind::kFolder) {
        handle->SetSize(*clusters * layout_.clusterBytes);
    } else {
        // Clusters short of the size leave the rest unreadable: reads end where they end.
        handle->SetSize(entry.size);
        handle->SetDamaged(*clusters < ClustersFor(entry.size));
    }
    return handle;
}

bool cVFATBase::IsIncomplete(const cFSObject& entry) {
    if (entry.size == 0) {
        return false;
    }
    const std::optional<std::uint64_t> clusters = DataClusters(entry, nullptr);
    return !clusters || *clusters < ClustersFor(entry.size);
}

std::uint64_t cVFATBase::ParentFromDotDot(std::uint32_t cluster) const {
    return cluster < (IsFat32() ? GetRootId() : 2) ? GetRootId() : cluster;
}

bool cVFATBase::EnumFolder(const cFSObject& folder, const cEnumCallback& callback, std::uint32_t) {
    std::unique_ptr<cObjectHandle> handle = OpenObject(folder);
    if (!handle || handle->GetSize() > 0xFFFFFFFFu) {
        return false;
    }
    const std::uint64_t folderId = folder.id;
    const bool root = folderId == GetRootId();
    auto deliver = [&](cFSObject& entry) {
        entry.parentId = folderId;
        entry.fileSystem = this;
        const std::uint32_t kind = entry.Kind();
        if (kind == fskind::kFile || kind == fskind::kDeleted) {
            entry.damaged = IsIncomplete(entry);
        }
        return callback(entry);
    };
    if (root) {
        for (const char16_t* name : {u".", u".."}) {
            cFSFolder dot;
            dot.id = folderId;
            dot.name = name;
            if (!deliver(dot)) {
                return false;
            }
        }
    }

    // Entries are read a piece at a time, so a long damaged chain costs no large buffer.
    std::vector<std::uint8_t> piece(std::min<std::uint64_t>(handle->GetSize(), 64 * 1024));
    fatdir::cEntryDecoder decoder(codePage_, IsFat32());
    std::uint64_t index = 0;
    std::uint64_t remaining = handle->GetSize();
    while (remaining >= fatdir::kEntrySize) {
        const std::uint32_t want = std::uint32_t(std::min<std::uint64_t>(remaining, piece.size()));
        if (handle->Read(piece.data(), want) != want) {
            return false;
        }
        remaining -= want;
        for (std::size_t at = 0; at + fatdir::kEntrySize <= want;
             at += fatdir::kEntrySize, ++index) {
            const fatdir::Entry entry(piece.data() + at, fatdir::kEntrySize);
            if (!root && index < 2 && !fatdir::IsDotEntry(entry, index == 1)) {
                return false;
            }
            switch (decoder.Feed(entry)) {
            case fatdir::cEntryDecoder::Result::kEnd:
                return true;
            case fatdir::cEntryDecoder::Result::kBroken:
                return false;
            case fatdir::cEntryDecoder::Result::kConsumed:
                continue;
            case fatdir::cEntryDecoder::Result::kEntry:
                break;
            }
            std::unique_ptr<cFSObject> object = decoder.Take();
            if (!root && index == 1) {
                object->id = ParentFromDotDot(std::uint32_t(object->id));
            }
            if (!deliver(*object)) {
                return false;
            }
        }
    }
    // A folder holds at least its "." and ".." entries.
    return root || index >= 2;
}

std::unique_ptr<cFSObject> cVFATBase::GetObject(std::uint64_t id) {
    if (id == GetRootId()) {
        auto root = std::make_unique<cFSFolder>();
        root->id = root->parentId = id;
        root->fileSystem = this;
        return root;
    }
    if (!IsDataCluster(id)) {
        return nullptr;
    }
    std::vector<std::uint8_t> cluster(layout_.clusterBytes);
    if (!ReadCluster(cluster.data(), id)) {
        return nullptr;
    }
    if (cluster.size() >= 2 * fatdir::kEntrySize &&
        fatdir::IsDotEntry(fatdir::Entry(cluster.data(), fatdir::kEntrySize), false) &&
        fatdir::IsDotEntry(fatdir::Entry(cluster.data() + fatdir::kEntrySize, fatdir::kEntrySize),
                           true)) {
        const std::uint64_t parent = ParentFromDotDot(fatdir::FirstCluster(
            fatdir::Entry(cluster.data() + fatdir::kEntrySize, fatdir::kEntrySize), IsFat32()));
        std::unique_ptr<cFSObject> found;
        EnumFolder(*FolderStub(parent), [&](cFSObject& entry) {
            if (entry.Kind() != fskind::kFolder || entry.id != id || entry.name == u"." ||
                entry.name == u"..") {
                return true;
            }
            found = entry.Clone();
            return false;
        });
        return found;
    }
    const std::optional<std::uint64_t> clusters =
        FollowChain(std::uint32_t(id), kWholeChain, nullptr);
    if (!clusters) {
        return nullptr;
    }
    auto file = std::make_unique<cFSFile>();
    file->id = id;
    file->size = *clusters * layout_.clusterBytes;
    file->name = utf::FromAscii("file" + std::to_string(id));
    file->fileSystem = this;
    return file;
}
