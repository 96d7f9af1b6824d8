#include "scan/exfat/exfat_rebuild.h"

#include "base/progress.h"
#include "scan/packed_extents.h"
#include "scan/rebuild_builder.h"
#include "scan/vs_name.h"
#include "vfs/exfat/exfat_params.h"
#include "vfs/exfat/vexfat.h"

#include <array>
#include <unordered_set>

namespace exfatscan {
namespace {

class cWalk {
public:
    cWalk(cVExFAT& reader, const cRebuildResults& results) : reader_(reader) {
        storages_ = {results.rebuilt, results.deleted, results.damaged};
        for (std::size_t tree = 0; tree < storages_.size(); ++tree) {
            if (storages_[tree]) {
                builders_[tree] = std::make_unique<cVSReconstructionBuilder>(*storages_[tree]);
            }
        }
    }

    bool Run(cProgressNotifyTarget* progress, cRebuildCounts& counts);

private:
    enum Tree { kRebuilt = 0, kDeleted = 1, kDamaged = 2 };
    struct cFolder {
        std::uint64_t id;
        bool deleted;
    };

    void AddFolder(const cFSObject& entry, const cFolder& parent, cRebuildCounts& counts);
    void AddFile(const cFSObject& entry, const cFolder& parent, cRebuildCounts& counts);
    // The file's clusters as sectors of the partition, up to where its data ends, is cut
    // short or reads as zeros; no when the file has no data to read.
    std::optional<std::uint64_t> Extents(const cFSObject& entry,
                                         std::vector<cQORNFileAllocation>& extents);

    cVExFAT& reader_;
    std::array<cQORNVStorage*, 3> storages_{};
    std::array<std::unique_ptr<cVSReconstructionBuilder>, 3> builders_;
    std::vector<cFolder> pending_;
    std::unordered_set<std::uint64_t> seen_;
};

void cWalk::AddFolder(const cFSObject& entry, const cFolder& parent, cRebuildCounts& counts) {
    // A folder whose clusters hold an ancestor's entries would list it again.
    if (!seen_.insert(entry.id).second) {
        return;
    }
    const bool deleted = parent.deleted || entry.Kind() == fskind::kDeleted;
    for (const auto& builder : builders_) {
        if (builder) {
            builder->AddDirectory(entry.id, parent.id, entry.name);
        }
    }
    if (builders_[deleted ? kDeleted : kRebuilt]) {
        builders_[deleted ? kDeleted : kRebuilt]->KeepDirectory(entry.id);
    }
    pending_.push_back({entry.id, deleted});
    ++counts.folders;
}

std::optional<std::uint64_t> cWalk::Extents(const cFSObject& entry,
                                            std::vector<cQORNFileAllocation>& extents) {
    const std::unique_ptr<cObjectHandle> opened = reader_.OpenObject(entry);
    const auto* handle = dynamic_cast<const cRLDrivenObjectHandle*>(opened.get());
    if (!handle) {
        return std::nullopt;
    }
    const exfatboot::cLayout& layout = reader_.Layout();
    std::uint64_t bytes = 0;
    const cRunList& runs = handle->Runs();
    for (std::size_t i = 0; i < runs.Count() && !runs[i].IsSparse(); ++i) {
        const std::uint64_t sector =
            layout.heapStart + (runs[i].physicalStart - 2) * layout.clusterSectors;
        const std::uint64_t sectors = runs[i].length * layout.clusterSectors;
        if (!extents.empty() && extents.back().start + extents.back().sectors == sector) {
            extents.back().sectors += sectors;
        } else {
            extents.push_back({sector, sectors, 0});
        }
        bytes += runs[i].length * layout.clusterBytes;
    }
    return std::min(bytes, entry.size);
}

void cWalk::AddFile(const cFSObject& entry, const cFolder& parent, cRebuildCounts& counts) {
    std::vector<cQORNFileAllocation> extents;
    std::optional<std::uint64_t> size = entry.size == 0 ? 0 : Extents(entry, extents);
    const bool whole = size && *size == entry.size;
    const bool deleted = parent.deleted || entry.Kind() == fskind::kDeleted;
    const Tree tree = !whole ? kDamaged : deleted ? kDeleted : kRebuilt;
    if (!builders_[tree]) {
        return;
    }
    cVSFileInfo info;
    info.size = size.value_or(0);
    std::optional<std::vector<std::uint8_t>> packed;
    if (extents.size() == 1) {
        info.kind = vsitem::kRawFile;
        info.position = extents.front().start;
    } else if (!extents.empty() && (packed = packedext::Encode(extents))) {
        info.kind = vsitem::kMultifragFile;
        info.extents = *packed;
    } else {
        info.kind = vsitem::kRawFile;
        info.size = 0;
    }
    const cVSItemId file = storages_[tree]->NewFile(vsname::FromUtf16(entry.name), info);
    if (file == kNoItem) {
        return;
    }
    builders_[tree]->AddPending(parent.id, file);
    counts.bytes += info.size;
    ++(tree == kDamaged   ? counts.damagedFiles
       : tree == kDeleted ? counts.deletedFiles
                          : counts.files);
}

bool cWalk::Run(cProgressNotifyTarget* progress, cRebuildCounts& counts) {
    const std::uint64_t root = reader_.GetRootId();
    for (const auto& builder : builders_) {
        if (builder) {
            builder->AddDirectory(root, root, u"");
        }
    }
    seen_.insert(root);
    pending_.push_back({root, false});
    std::uint64_t done = 0;
    std::vector<std::unique_ptr<cFSObject>> entries;
    while (!pending_.empty()) {
        const cFolder folder = pending_.back();
        pending_.pop_back();
        cFSFolder object;
        object.id = folder.id;
        object.fileSystem = &reader_;
        entries.clear();
        reader_.EnumFolder(
            object,
            [&](cFSObject& entry) {
                entries.push_back(entry.Clone());
                return true;
            },
            folder.deleted ? cVExFAT::kListDeletedFolder : 0);
        for (const auto& entry : entries) {
            const bool isFolder =
                entry->Kind() == fskind::kFolder ||
                (entry->Kind() == fskind::kDeleted &&
                 static_cast<const cFSDeletedObj&>(*entry).deletedKind == fskind::kFolder);
            if (isFolder) {
                AddFolder(*entry, folder, counts);
            } else if (entry->Kind() == fskind::kFile || entry->Kind() == fskind::kDeleted) {
                AddFile(*entry, folder, counts);
            }
        }
        ++done;
        if (progress &&
            !progress->OnProgress(100.0 * double(done) / double(done + pending_.size()))) {
            return false;
        }
    }
    for (const auto& builder : builders_) {
        if (builder) {
            builder->Build();
        }
    }
    return true;
}

} // namespace

std::unique_ptr<cVExFAT> MountFound(cPartRecord& record, const cFoundVolume& found) {
    cExtExfatParams params;
    params.boot = found.boot;
    params.fatFound = found.fatFound;
    auto reader = std::make_unique<cVExFAT>();
    if (!reader->MountWithParams(record, &params)) {
        return nullptr;
    }
    return reader;
}

bool Rebuild(cVExFAT& reader, const cRebuildResults& results, cProgressNotifyTarget* progress,
             cRebuildCounts* counts) {
    cRebuildCounts local;
    cWalk walk(reader, results);
    return walk.Run(progress, counts ? *counts : local);
}

} // namespace exfatscan
