#include "app/recovery_flow/recovery_flow.h"

#include "app/recovery_flow/fat_boot_rules.h"
#include "base/checked.h"
#include "base/lang/text_registry.h"
#include "base/utf.h"
#include "part/part_tree.h"
#include "scan/exfat/exfat_rebuild.h"
#include "scan/fat/fat_reconstructor.h"
#include "scan/ntfs/deep_scan.h"
#include "scan/ntfs/long_scan.h"
#include "scan/signatures/raw_scan.h"
#include "scan/signatures/sig_list.h"
#include "vfs/detect.h"
#include "vfs/exfat/vexfat.h"
#include "vfs/fat/vfat.h"
#include "vfs/fs_types.h"
#include "vfs/probes.h"

#include <algorithm>
#include <array>

namespace recovery {

namespace {

constexpr std::uint32_t kSectorBytes = 512;

class cFlow {
public:
    cFlow(cPartTreeItem& partition, cRecoveryUi& ui, const cRulesLoader& loadRules)
        : partition_(partition), ui_(ui), loadRules_(loadRules) {}

    cRecoveryOutcome Run();

private:
    // True when the stage did its work.
    bool Stage(cStage stage);
    // A new result whose root is named by the text; null when it cannot be made.
    cQORNVStorage* NewResult(int text);

    void FromMountedReader(std::uint32_t kind);
    void Detect(std::uint32_t kind);
    // Both need the volume's geometry.
    void ScanNtfs(const cNTFSGeometry& geometry);
    void CheckAndRebuildFat(cFATReconstructor& reconstructor);
    // exFAT: the volume found by its root folder's entries when its boot regions are lost.
    bool DetectExfat();
    void RebuildExfat(cVExFAT& reader);
    void ScanContentOnly();
    // The content scan of the clusters not in use, which lie from dataStart on (cluster 2).
    void ScanFreeClusters(std::uint64_t dataStart, std::uint32_t clusterSectors,
                          std::uint64_t clusters, std::function<bool(std::uint64_t)> inUse,
                          cQORNVStorage& result);
    // The content scan of a range into the result; the rules are loaded already.
    void ScanContent(cRawScanRequest request, cQORNVStorage& result);

    cPartTreeItem& partition_;
    cRecoveryUi& ui_;
    const cRulesLoader& loadRules_;
    cRecoveryOutcome outcome_;
    // Released with the flow.
    cSigList rules_;
};

bool cFlow::Stage(cStage stage) {
    const StageEnd end = ui_.RunStage(stage);
    if (end == StageEnd::kStopped) {
        outcome_.stopped = true;
    }
    return end == StageEnd::kDone;
}

cQORNVStorage* cFlow::NewResult(int text) {
    const std::u16string name = TextOf(text);
    auto tree = std::make_unique<cQORNVStorage>();
    if (!tree->CreateRoot(name.empty() ? std::string(cQORNVStorage::kRootName)
                                       : utf::ToUtf8(name))) {
        return nullptr;
    }
    cQORNVStorage* made = tree.get();
    outcome_.results.push_back({text, partition_.Start(), partition_.Length(), std::move(tree)});
    return made;
}

cRecoveryOutcome cFlow::Run() {
    const auto* mounted = partition_.FindExtensionAs<cVFS>(part_ext::kFileSystem);
    const std::uint32_t kind = mounted ? mounted->GetFSType() : ProbedFSType(partition_);
    if (kind != 0 && kind != fstype::kNtfs && kind != fstype::kFat && kind != fstype::kFat32 &&
        kind != fstype::kExfat) {
        ui_.ShowMessage(kTextNotSupported);
    } else if (mounted) {
        FromMountedReader(kind);
    } else {
        Detect(kind);
    }
    return std::move(outcome_);
}

void cFlow::FromMountedReader(std::uint32_t kind) {
    if (kind == fstype::kExfat) {
        if (auto* reader =
                dynamic_cast<cVExFAT*>(partition_.FindExtensionAs<cVFS>(part_ext::kFileSystem))) {
            RebuildExfat(*reader);
        }
        return;
    }
    if (kind == fstype::kNtfs) {
        if (cVNTFS* reader = ntfsscan::MountedReader(partition_)) {
            ScanNtfs(ntfsscan::GeometryOf(*reader));
        }
        return;
    }
    const auto* reader =
        dynamic_cast<const cVFATBase*>(partition_.FindExtensionAs<cVFS>(part_ext::kFileSystem));
    std::array<std::uint8_t, kSectorBytes> boot{};
    if (!reader || !probe::SourceOf(partition_)(0, 1, boot.data())) {
        ui_.ShowMessage(kTextNotDetermined);
        return;
    }
    cFATReconstructor reconstructor(*partition_.Storage(), partition_.Start(), partition_.Length());
    reconstructor.SetGeometry(MountedFatGeometry(*reader, boot));
    CheckAndRebuildFat(reconstructor);
}

void cFlow::Detect(std::uint32_t kind) {
    if (kind == fstype::kExfat) {
        if (!DetectExfat() && !outcome_.stopped) {
            ui_.ShowMessage(kTextNotDetermined);
        }
        return;
    }
    if (kind == 0 || kind == fstype::kNtfs) {
        mftdetect::cResult found;
        const bool ntfs = Stage({StageKind::kNtfsDetect,
                                 "detect-ntfs",
                                 kTextDetecting,
                                 {},
                                 [this, &found](cProgressNotifyTarget* progress) {
                                     found = ntfsscan::DetectVolume(partition_, progress);
                                     return found.geometry.has_value();
                                 }});
        if (ntfs) {
            ScanNtfs(*found.geometry);
            return;
        }
        if (outcome_.stopped) {
            return;
        }
        if (kind == fstype::kNtfs) {
            ui_.ShowMessage(kTextNotDetermined);
            return;
        }
    }
    if (!partition_.Storage()) {
        return;
    }
    cFATReconstructor reconstructor(*partition_.Storage(), partition_.Start(), partition_.Length());
    const bool allowFat32 = kind != fstype::kFat;
    if (Stage({StageKind::kFatDetect,
               "detect-fat",
               kTextDetecting,
               {},
               [&reconstructor, allowFat32](cProgressNotifyTarget* progress) {
                   return reconstructor.Detect(progress, allowFat32);
               }})) {
        CheckAndRebuildFat(reconstructor);
        return;
    }
    if (outcome_.stopped || (kind == 0 && (DetectExfat() || outcome_.stopped))) {
        return;
    }
    if (kind != 0) {
        ui_.ShowMessage(kTextNotDetermined);
        return;
    }
    if (ui_.Ask(kTextAskContentScan)) {
        ScanContentOnly();
    }
}

void cFlow::ScanNtfs(const cNTFSGeometry& geometry) {
    cQORNVStorage* tree = NewResult(kTextRebuilt);
    cQORNVStorage* deleted = tree ? NewResult(kTextDeleted) : nullptr;
    cQORNVStorage* damaged = deleted ? NewResult(kTextDamaged) : nullptr;
    if (!damaged) {
        return;
    }
    const cNTFSResults results{tree, deleted, damaged};
    Stage({StageKind::kNtfsLongScan,
           "scan",
           kTextReconstructing,
           {{ntfsscan::kMftStage, kTextStageRecords},
            {ntfsscan::kScanStage, kTextStageRelations},
            {ntfsscan::kPlaceStage, kTextStageClassify}},
           [this, geometry, results](cProgressNotifyTarget* progress) {
               return ntfsscan::LongScan(partition_, geometry, results, progress).finished;
           }});
}

void cFlow::CheckAndRebuildFat(cFATReconstructor& reconstructor) {
    const bool fat32 = reconstructor.Geometry().IsFat32();
    if (!Stage({fat32 ? StageKind::kFat32Check : StageKind::kFatCheck,
                "table",
                kTextCheckingTables,
                {},
                [&reconstructor](cProgressNotifyTarget* progress) {
                    return reconstructor.CheckTables(progress);
                }})) {
        if (!outcome_.stopped) {
            ui_.ShowMessage(kTextNotDetermined);
        }
        return;
    }
    // Files whose clusters cannot all be had are kept apart from the rebuilt tree, as the
    // NTFS scan keeps its damaged records.
    cQORNVStorage* tree = NewResult(kTextRebuilt);
    cQORNVStorage* deleted = tree ? NewResult(kTextDeleted) : nullptr;
    cQORNVStorage* damaged = deleted ? NewResult(kTextDamaged) : nullptr;
    cQORNVStorage* byType = damaged ? NewResult(kTextFoundByType) : nullptr;
    if (!byType) {
        return;
    }
    if (!Stage({StageKind::kFatIndex,
                "index",
                kTextReconstructing,
                {},
                [&reconstructor](cProgressNotifyTarget* progress) {
                    return reconstructor.Index(progress);
                }})) {
        return;
    }
    const cFATResults results{tree, deleted, damaged};
    if (!Stage({StageKind::kFatBuild,
                "build",
                kTextBuilding,
                {},
                [&reconstructor, results](cProgressNotifyTarget* progress) {
                    return reconstructor.Build(results, progress);
                }})) {
        return;
    }
    const fatscan::cFATGeometry& geometry = reconstructor.Geometry();
    cFATAllocation& table = reconstructor.Table();
    ScanFreeClusters(
        geometry.dataStart, geometry.ClusterSectors(),
        geometry.clusterCount > 2 ? geometry.clusterCount - 2 : 0,
        [&table](std::uint64_t cluster) {
            return cluster > UINT32_MAX || table.GetNext(std::uint32_t(cluster)) != 0;
        },
        *byType);
}

// ---------------------------------------------------------------------------------------
// exFAT

bool cFlow::DetectExfat() {
    if (!partition_.Storage()) {
        return false;
    }
    std::optional<exfatscan::cFoundVolume> found;
    if (!Stage({StageKind::kExfatDetect,
                "detect-exfat",
                kTextDetecting,
                {},
                [this, &found](cProgressNotifyTarget* progress) {
                    found = exfatscan::FindVolume(
                        {partition_.Storage(), partition_.Start(), partition_.Length(), progress});
                    return found.has_value();
                }})) {
        return false;
    }
    std::unique_ptr<cVExFAT> reader = exfatscan::MountFound(partition_, *found);
    if (!reader) {
        return false;
    }
    cVExFAT& mounted = *reader;
    partition_.AttachExtension(std::move(reader));
    RebuildExfat(mounted);
    return true;
}

void cFlow::RebuildExfat(cVExFAT& reader) {
    cQORNVStorage* tree = NewResult(kTextRebuilt);
    cQORNVStorage* deleted = tree ? NewResult(kTextDeleted) : nullptr;
    cQORNVStorage* damaged = deleted ? NewResult(kTextDamaged) : nullptr;
    cQORNVStorage* byType = damaged ? NewResult(kTextFoundByType) : nullptr;
    if (!byType) {
        return;
    }
    const cRebuildResults results{tree, deleted, damaged};
    if (!Stage({StageKind::kExfatBuild,
                "build",
                kTextBuilding,
                {},
                [&reader, results](cProgressNotifyTarget* progress) {
                    return exfatscan::Rebuild(reader, results, progress);
                }})) {
        return;
    }
    const exfatboot::cLayout& layout = reader.Layout();
    ScanFreeClusters(
        layout.heapStart, layout.clusterSectors, layout.clusterLimit - 2,
        [&reader](std::uint64_t cluster) { return reader.IsBlockUsed(cluster); }, *byType);
}

// ---------------------------------------------------------------------------------------

void cFlow::ScanFreeClusters(std::uint64_t dataStart, std::uint32_t clusterSectors,
                             std::uint64_t clusters, std::function<bool(std::uint64_t)> inUse,
                             cQORNVStorage& result) {
    loadRules_(rules_);
    if (rules_.Empty()) {
        return;
    }
    // Files in use are in the rebuilt tree already: only the free clusters, where deleted
    // and formatted-over files lie, are read by content.
    const std::uint64_t afterDataStart =
        partition_.Length() > dataStart ? partition_.Length() - dataStart : 0;
    cRawScanRequest request;
    request.firstSector = dataStart;
    request.unitSectors = clusterSectors;
    request.firstUnit = 2;
    request.sectorCount =
        std::min(afterDataStart, checked::SaturatingMul<std::uint64_t>(clusters, clusterSectors));
    request.unitInUse = std::move(inUse);
    ScanContent(std::move(request), result);
}

void cFlow::ScanContentOnly() {
    cQORNVStorage* byType = NewResult(kTextFoundByType);
    if (!byType) {
        return;
    }
    loadRules_(rules_);
    if (rules_.Empty()) {
        ui_.ShowMessage(kTextNoRules);
        return;
    }
    cRawScanRequest request;
    request.sectorCount = partition_.Length();
    request.unitSectors = 1;
    ScanContent(std::move(request), *byType);
}

void cFlow::ScanContent(cRawScanRequest request, cQORNVStorage& result) {
    request.storage = partition_.Storage();
    request.partitionStart = partition_.Start();
    request.signatures = &rules_;
    request.result = &result;
    Stage({StageKind::kContentScan,
           "content",
           kTextContentScan,
           {},
           [request](cProgressNotifyTarget* progress) mutable {
               request.progress = progress;
               return RawScan(request);
           }});
}

} // namespace

std::u16string TextOf(int text) {
    return std::u16string(lang::Registry().Text(kTextSection, text).value_or(u""));
}

cRecoveryOutcome Recover(cPartTreeItem& partition, cRecoveryUi& ui, const cRulesLoader& rules) {
    return cFlow(partition, ui, rules).Run();
}

} // namespace recovery
