#include "scan/ntfs/record_filer.h"

#include "base/checked.h"
#include "scan/ntfs/run_extents.h"
#include "scan/vs_name.h"
#include "vfs/fs_types.h"
#include "vfs/ntfs/ntfs_layout.h"

#include <cstdio>

namespace {

constexpr std::uint32_t kSectorBytes = 512;
// $Extend holds the volume's own metadata files; they are not the user's files.
constexpr std::uint64_t kExtendRecord = 11;
// Attribute flags and file attributes whose data a raw extent list would read wrongly:
// compressed, encrypted, sparse.
constexpr std::uint16_t kSpecialDataFlags = 0x00FF | 0x4000 | 0x8000;
constexpr std::uint32_t kSpecialFileAttributes = 0x0200 | 0x0800 | 0x4000;

} // namespace

cNTFSRecordFiler::cNTFSRecordFiler(const cNTFSGeometry& geometry, std::uint64_t partitionSectors,
                                   const cNTFSResults& results)
    : geometry_(geometry), results_{results.tree, results.deleted, results.damaged},
      builders_{cVSReconstructionBuilder(*results.tree), cVSReconstructionBuilder(*results.deleted),
                cVSReconstructionBuilder(*results.damaged)} {
    const std::uint64_t volumeSectors =
        partitionSectors > geometry.volumeStart ? partitionSectors - geometry.volumeStart : 0;
    volumeClusters_ = volumeSectors / geometry.SectorsPerCluster();
    maxRecords_ = volumeSectors / (geometry.recordSize / kSectorBytes);
}

void cNTFSRecordFiler::File(const cFoundRecord& record, std::uint64_t sector) {
    if (record.baseRecord != 0) {
        if (record.hasName && !record.damaged && record.baseRecord < maxRecords_) {
            const cName name{record.name, ntfs::RecordNumber(record.parent), record.nameSpace};
            const auto [kept, added] = extensionNames_.try_emplace(record.baseRecord, name);
            // As in a base record, a long name wins over a DOS-only one.
            if (!added && kept->second.nameSpace == ntfs::kDosName &&
                name.nameSpace != ntfs::kDosName) {
                kept->second = name;
            }
        }
        return;
    }
    if (record.directory) {
        FileDirectory(record);
    } else {
        FileFile(record, sector);
    }
}

void cNTFSRecordFiler::FileDirectory(const cFoundRecord& record) {
    if (!Keyed(record) || record.number == kExtendRecord) {
        return;
    }
    const std::uint64_t parent = ntfs::RecordNumber(record.parent);
    if (!directories_.insert(record.number).second) {
        return;
    }
    if (record.number != parent) {
        parents_.insert(parent);
    }
    for (cVSReconstructionBuilder& builder : builders_) {
        builder.AddDirectory(record.number,
                             record.hasName ? parent : cVSReconstructionBuilder::kNoParent,
                             record.name);
    }
}

void cNTFSRecordFiler::FileFile(const cFoundRecord& record, std::uint64_t sector) {
    const std::uint64_t parent = ntfs::RecordNumber(record.parent);
    // Records formatted ahead of use hold no name; a file's name may only have moved to an
    // extension record when an attribute list says so.
    if ((Keyed(record) && record.number < ntfs::kFirstUserRecord) || parent == kExtendRecord ||
        (!record.hasName && !record.hasAttributeList)) {
        return;
    }
    const cRunExtents extents = RunExtents(record.runs, geometry_, volumeClusters_);
    Result result = record.damaged ? kDamaged : record.inUse ? kTree : kDeleted;
    if (!extents.inVolume) {
        result = kDamaged;
    }
    if (Keyed(record) && !filed_[result].insert(record.number).second) {
        return;
    }
    cQORNVStorage& storage = *results_[result];
    const bool special = record.resident || record.hasAttributeList || !extents.plain ||
                         (record.dataFlags & kSpecialDataFlags) != 0 ||
                         (record.fileAttributes & kSpecialFileAttributes) != 0 ||
                         record.initializedSize < record.size ||
                         checked::SaturatingMul<std::uint64_t>(record.clustersMapped,
                                                               geometry_.clusterSize) < record.size;
    cVSFileInfo info;
    info.size = record.size;
    info.mtime = record.mtime;
    const std::string name = vsname::FromUtf16(record.name);
    if (!record.hasData && !record.hasAttributeList) {
        info.size = 0;
    } else if (special && extents.inVolume) {
        info.kind = vsitem::kFsFile;
        info.position = sector;
        info.fsType = std::uint8_t(fstype::kNtfs);
    } else {
        // What the runs inside the volume still cover is what can be read.
        info.size = std::min(info.size, extents.bytes);
        if (info.size > 0 && !extents.packed.empty()) {
            info.kind = vsitem::kMultifragFile;
            info.extents = extents.packed;
        } else {
            info.size = 0;
        }
    }
    const cVSItemId item = storage.NewFile(name, info);
    if (item == kNoItem) {
        return;
    }
    ++counts_[result];
    if (!record.hasName && record.hasAttributeList && Keyed(record)) {
        unnamed_.push_back({record.number, result, item});
        return;
    }
    parents_.insert(parent);
    builders_[result].AddPending(record.hasName ? parent : cVSReconstructionBuilder::kNoParent,
                                 item);
}

void cNTFSRecordFiler::NameFromExtensions() {
    for (const cUnnamed& file : unnamed_) {
        const auto found = extensionNames_.find(file.number);
        std::uint64_t parent = cVSReconstructionBuilder::kNoParent;
        if (found != extensionNames_.end()) {
            results_[file.result]->Rename(file.item, vsname::FromUtf16(found->second.name));
            parent = found->second.parent;
            parents_.insert(parent);
        }
        builders_[file.result].AddPending(parent, file.item);
    }
    std::vector<cUnnamed>().swap(unnamed_);
    extensionNames_.clear();
}

void cNTFSRecordFiler::Finish() {
    NameFromExtensions();
    for (const std::uint64_t parent : parents_) {
        if (directories_.count(parent) != 0) {
            continue;
        }
        char name[32];
        std::snprintf(name, sizeof name, "Folder%08llu", static_cast<unsigned long long>(parent));
        const std::u16string folder(name, name + std::char_traits<char>::length(name));
        for (cVSReconstructionBuilder& builder : builders_) {
            builder.AddDirectory(parent, cVSReconstructionBuilder::kNoParent, folder);
        }
    }
    for (cVSReconstructionBuilder& builder : builders_) {
        builder.Build();
    }
}
