#include "app/findpart/part_search.h"

#include "base/checked.h"
#include "io/base_io.h"
#include "scan/ntfs/mft_detect.h"
#include "vfs/detect.h"
#include "vfs/fs_types.h"
#include "vfs/ntfs/ntfs_layout.h"
#include "vfs/ntfs/ntfs_params.h"
#include "vfs/ntfs/vntfs.h"

#include <cstring>

namespace {

bool StartsWithFile(std::span<const std::uint8_t> at) {
    return at.size() >= 4 && std::memcmp(at.data(), "FILE", 4) == 0;
}

std::unique_ptr<cVNTFS> MountFromMft(cPartRecord& record, std::uint64_t mftRecordSector,
                                     std::uint32_t recordSize) {
    auto reader = std::make_unique<cVNTFS>();
    const cExtNTFSParams params(mftRecordSector, recordSize);
    if (!reader->MountWithParams(record, &params)) {
        return nullptr;
    }
    return reader;
}

// The volume's clusters: $BadClus's "$Bad" stream spans the whole volume.
std::uint64_t VolumeClusters(cVNTFS& reader) {
    constexpr std::uint64_t kBadClusRecord = 8;
    const auto bad = reader.OpenStream(kBadClusRecord, ntfs::kData, u"$Bad");
    return bad ? bad->GetSize() / reader.ClusterSize() : 0;
}

} // namespace

cPartTreeItem* cPartSearch::Examine(std::uint64_t sector, std::span<const std::uint8_t> at) {
    if (MatchSuperblock(sector, at, nullptr).typeCode != 0) {
        const cFoundList::cGuard guard(list_);
        if (cPartTreeItem* node =
                cVFSDetectManager::Instance().RecogniseSuperblock(list_.Top(), sector, at)) {
            return node;
        }
    }
    return StartsWithFile(at) ? FromMftRecord(sector, at) : nullptr;
}

cPartTreeItem* cPartSearch::FromMftRecord(std::uint64_t sector, std::span<const std::uint8_t> at) {
    mftdetect::cRequest request;
    request.storage = &list_.Storage();
    request.partitionSectors = list_.SectorCount();
    const std::optional<cNTFSGeometry> geometry = mftdetect::SelfRecordAt(request, at, sector);
    if (!geometry) {
        return nullptr;
    }
    const cFoundList::cGuard guard(list_);
    cPartTreeItem& top = list_.Top();
    if (cVFSDetectManager::HoldsVolumeAt(top, geometry->volumeStart, fstype::kNtfs)) {
        return nullptr;
    }
    auto owned = std::make_unique<cPartTreeItem>();
    constexpr std::uint16_t kUnknownType = 0x7FFF;
    owned->SetRecord(&list_.Storage(), geometry->volumeStart,
                     list_.SectorCount() - geometry->volumeStart, kUnknownType);
    cPartTreeItem& node = list_.Tree().AddChild(&top, std::move(owned));
    if (!AttachNtfsFromMft(node, geometry->mftRecordSector - geometry->volumeStart,
                           geometry->recordSize)) {
        list_.Tree().Remove(&node);
        return nullptr;
    }
    return &node;
}

bool AttachNtfsFromMft(cPartTreeItem& node, std::uint64_t mftRecordSector,
                       std::uint32_t recordSize) {
    std::unique_ptr<cVNTFS> reader = MountFromMft(node, mftRecordSector, recordSize);
    const std::uint64_t clusters = reader ? VolumeClusters(*reader) : 0;
    if (clusters == 0) {
        return false;
    }
    // The copy of the boot sector follows the last cluster; partitions end with the
    // cluster that holds it.
    const std::uint64_t sectors =
        checked::SaturatingMul<std::uint64_t>(clusters + 1, reader->ClusterSize() / 512);
    reader.reset();
    const std::uint64_t start = node.Start(), length = node.Length();
    node.SetRange(start, sectors);
    // Mounted again, so that the reader's clusters end where the volume does.
    reader = MountFromMft(node, mftRecordSector, recordSize);
    if (!reader) {
        node.SetRange(start, length);
        return false;
    }
    node.AttachExtension(std::move(reader));
    return true;
}

void AttachStoredReader(cPartTreeItem& node, std::uint8_t typeCode) {
    if (std::unique_ptr<cVFS> reader = cVFSDetectManager::Instance().Detect(node);
        reader && reader->GetFSType() == typeCode) {
        node.AttachExtension(std::move(reader));
        return;
    }
    if (typeCode != fstype::kNtfs) {
        return;
    }
    mftdetect::cRequest request;
    request.storage = node.Storage();
    request.partitionStart = node.Start();
    request.partitionSectors = node.Length();
    const mftdetect::cResult found = mftdetect::Detect(request);
    if (found.geometry && found.geometry->volumeStart == 0) {
        const std::uint64_t length = node.Length();
        AttachNtfsFromMft(node, found.geometry->mftRecordSector, found.geometry->recordSize);
        // A saved list gives the partition's length; the volume's own count must not
        // change what was stored.
        node.SetRange(node.Start(), length);
    }
}
