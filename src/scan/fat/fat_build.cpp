#include "base/progress.h"
#include "scan/bit_map.h"
#include "scan/fat/fat_reconstructor.h"
#include "scan/packed_extents.h"
#include "scan/rebuild_builder.h"
#include "scan/vs_name.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <unordered_map>
#include <unordered_set>

namespace {

using cRecord = cFATReconstructor::cDirCluster;
using cItem = cFATReconstructor::cDirEntryItem;

std::u16string FolderName(std::uint32_t cluster) {
    char text[24];
    std::snprintf(text, sizeof text, "folder%08u", unsigned(cluster));
    return std::u16string(text, text + std::char_traits<char>::length(text));
}

// One run of Build: the folders the records make, then every file entry filed into the
// tree it belongs in.
class cBuildPass {
public:
    cBuildPass(std::vector<cRecord>& records, fatscan::cFATGeometry& geometry,
               cFATAllocation& table, const cFATResults& results)
        : records_(records), geometry_(geometry), table_(table) {
        for (cQORNVStorage* storage : {results.rebuilt, results.deleted, results.damaged}) {
            storages_.push_back(storage);
            builders_.push_back(storage ? std::make_unique<cVSReconstructionBuilder>(*storage)
                                        : nullptr);
        }
    }

    bool Run(cProgressNotifyTarget* progress, cFATBuildCounts& counts);

private:
    enum Tree { kRebuilt = 0, kDeleted = 1, kDamaged = 2 };
    struct cFolder {
        std::uint64_t id;
        std::vector<std::size_t> clusters; // record indexes, in chain order
        std::vector<cItem> items;
    };

    std::optional<std::size_t> IndexOf(std::uint32_t cluster) const;
    // The record indexes of a folder's chain from its first record on.
    std::vector<std::size_t> ClaimChain(std::size_t first);
    void CollectFolders();
    // Parses each folder's clusters together, and lets go of the raw entries.
    void ParseFolders();
    void FindFat32Root();
    void NameFolders();
    void AddDirectories(cFATBuildCounts& counts);
    void AddEntries(const cFolder& folder, bool deletedPass, cFATBuildCounts& counts);
    void AddFile(std::uint64_t parentId, const cItem& item, cFATBuildCounts& counts);
    std::uint64_t TakeClusters(const cItem& item, std::vector<cQORNFileAllocation>& extents);
    cVSReconstructionBuilder* Builder(Tree tree) const { return builders_[tree].get(); }
    cQORNVStorage* Storage(Tree tree) const;

    std::vector<cRecord>& records_;
    fatscan::cFATGeometry& geometry_;
    cFATAllocation& table_;
    std::vector<std::unique_ptr<cVSReconstructionBuilder>> builders_;
    std::vector<cQORNVStorage*> storages_;
    std::vector<bool> claimedRecords_;
    cBitMap claimedClusters_;
    // First clusters that entries name: a run taken without a chain stops at another
    // file's start rather than run into its data.
    cBitMap starts_;
    std::vector<cFolder> folders_;
    std::uint64_t rootId_ = 0;
    std::optional<std::size_t> rootRecord_;
    // Folder clusters as their parents list them: live entries win over deleted ones.
    std::unordered_map<std::uint32_t, const cItem*> names_;
    std::unordered_set<std::uint32_t> namedByRoot_;
    std::unordered_set<std::uint64_t> folderIds_;
};

std::optional<std::size_t> cBuildPass::IndexOf(std::uint32_t cluster) const {
    const auto at = std::lower_bound(
        records_.begin(), records_.end(), cluster,
        [](const cRecord& record, std::uint32_t value) { return record.cluster < value; });
    if (at == records_.end() || at->cluster != cluster) {
        return std::nullopt;
    }
    return std::size_t(at - records_.begin());
}

// A folder's further clusters follow its chain. Where the table no longer has the chain
// (a quick format clears it) a folder that did not end in its cluster most likely goes on
// in the next one, as folders are written.
std::vector<std::size_t> cBuildPass::ClaimChain(std::size_t first) {
    std::vector<std::size_t> chain{first};
    claimedRecords_[first] = true;
    for (std::size_t at = first; !records_[at].endsDirectory && records_[at].cluster >= 2;) {
        const std::uint32_t cluster = records_[at].cluster;
        const std::uint32_t next = table_.GetNext(cluster);
        if (table_.IsEnd(next)) {
            break;
        }
        const auto index = IndexOf(next != 0 ? next : cluster + 1);
        if (!index || claimedRecords_[*index] || records_[*index].startsDirectory) {
            break;
        }
        claimedRecords_[*index] = true;
        chain.push_back(*index);
        at = *index;
    }
    return chain;
}

void cBuildPass::CollectFolders() {
    claimedRecords_.assign(records_.size(), false);
    const bool fat32 = geometry_.IsFat32();
    if (!fat32 && !records_.empty() && records_.front().cluster == 0) {
        rootRecord_ = 0;
        claimedRecords_[0] = true;
    }
    if (fat32 && geometry_.rootCluster != 0) {
        rootId_ = geometry_.rootCluster;
        const auto index = IndexOf(geometry_.rootCluster);
        if (index && !records_[*index].startsDirectory) {
            rootRecord_ = *index;
        }
    }
    for (std::size_t n = 0; n < records_.size(); ++n) {
        if (records_[n].startsDirectory && records_[n].cluster >= 2) {
            folders_.push_back({records_[n].cluster, ClaimChain(n), {}});
        }
    }
    if (fat32 && !rootRecord_) {
        FindFat32Root();
    }
    if (rootRecord_) {
        std::vector<std::size_t> chain = records_[*rootRecord_].cluster >= 2
                                             ? ClaimChain(*rootRecord_)
                                             : std::vector<std::size_t>{*rootRecord_};
        folders_.push_back({rootId_, std::move(chain), {}});
    }
    // Clusters no folder's chain reaches: each its own folder, parent unknown. One that
    // the table gives to a chain while no folder's chain reaches it is a file's data that
    // merely looks like entries (a small file's only bytes, say).
    for (std::size_t n = 0; n < records_.size(); ++n) {
        if (!claimedRecords_[n] && table_.GetNext(records_[n].cluster) == 0) {
            folders_.push_back({records_[n].cluster, ClaimChain(n), {}});
        }
    }
}

// Without a boot sector the FAT32 root is the folder cluster that opens no folder with
// "." and "..", that no folder names as a subfolder and that no other such cluster links
// to: the first of the root's own chain.
void cBuildPass::FindFat32Root() {
    std::unordered_set<std::uint32_t> named;
    std::unordered_set<std::uint32_t> linked;
    for (std::size_t n = 0; n < records_.size(); ++n) {
        for (const cItem& item : cFATReconstructor::ParseEntries(records_[n].entries, true)) {
            if (item.IsFolder()) {
                named.insert(item.firstCluster);
            }
        }
        if (!claimedRecords_[n]) {
            linked.insert(table_.GetNext(records_[n].cluster));
        }
    }
    for (std::size_t n = 0; n < records_.size(); ++n) {
        const std::uint32_t cluster = records_[n].cluster;
        if (!claimedRecords_[n] && named.count(cluster) == 0 && linked.count(cluster) == 0) {
            rootRecord_ = n;
            rootId_ = cluster;
            geometry_.rootCluster = cluster;
            return;
        }
    }
}

void cBuildPass::ParseFolders() {
    std::vector<std::uint8_t> joined;
    for (cFolder& folder : folders_) {
        joined.clear();
        for (const std::size_t index : folder.clusters) {
            std::vector<std::uint8_t>& raw = records_[index].entries;
            joined.insert(joined.end(), raw.begin(), raw.end());
            std::vector<std::uint8_t>().swap(raw);
        }
        folder.items = cFATReconstructor::ParseEntries(joined, geometry_.IsFat32());
    }
}

void cBuildPass::NameFolders() {
    for (const cFolder& folder : folders_) {
        for (const cItem& item : folder.items) {
            if (!item.IsFolder()) {
                continue;
            }
            if (folder.id == rootId_ && rootRecord_) {
                namedByRoot_.insert(item.firstCluster);
            }
            auto [at, added] = names_.try_emplace(item.firstCluster, &item);
            if (!added && at->second->deleted && !item.deleted) {
                at->second = &item;
            }
        }
    }
}

cQORNVStorage* cBuildPass::Storage(Tree tree) const {
    return storages_[tree];
}

void cBuildPass::AddDirectories(cFATBuildCounts& counts) {
    for (auto& builder : builders_) {
        if (builder) {
            builder->AddDirectory(rootId_, rootId_, u"");
        }
    }
    for (const cFolder& folder : folders_) {
        if (folder.id == rootId_) {
            continue;
        }
        const cRecord& first = records_[folder.clusters.front()];
        std::uint64_t parent = cVSReconstructionBuilder::kNoParent;
        if (first.startsDirectory) {
            // ".." holds 0 for a folder of the root, whatever the root's cluster.
            parent = first.parent == 0 ? rootId_ : first.parent;
            // A root that does not list the folder (a quick format cleared it) or a folder
            // naming itself says nothing of where the folder belonged.
            if (parent == folder.id ||
                (parent == rootId_ && namedByRoot_.count(first.cluster) == 0)) {
                parent = cVSReconstructionBuilder::kNoParent;
            }
        }
        const auto named = names_.find(first.cluster);
        const std::u16string name =
            named != names_.end() ? named->second->name : FolderName(first.cluster);
        for (auto& builder : builders_) {
            if (builder) {
                builder->AddDirectory(folder.id, parent, name);
            }
        }
        const bool deleted = named != names_.end() && named->second->deleted;
        if (Builder(deleted ? kDeleted : kRebuilt)) {
            Builder(deleted ? kDeleted : kRebuilt)->KeepDirectory(folder.id);
        }
        ++counts.folders;
    }
}

std::uint64_t cBuildPass::TakeClusters(const cItem& item,
                                       std::vector<cQORNFileAllocation>& extents) {
    const std::uint64_t needed =
        item.size / geometry_.clusterBytes + (item.size % geometry_.clusterBytes != 0);
    const std::uint64_t count = claimedClusters_.BitCount();
    // A deleted file's chain was freed with it, and a quick format frees every chain: the
    // data is then taken as files are mostly written, one cluster after the other, and
    // only from clusters that nothing else holds.
    const bool contiguous = item.deleted || table_.GetNext(item.firstCluster) == 0;
    std::uint64_t taken = 0;
    for (std::uint32_t cluster = item.firstCluster; taken < needed;) {
        if (cluster < 2 || cluster >= count || claimedClusters_.Get(cluster) ||
            (contiguous &&
             (table_.GetNext(cluster) != 0 || (taken != 0 && starts_.Get(cluster))))) {
            break;
        }
        claimedClusters_.Set(cluster, true);
        ++taken;
        const std::uint64_t sector = geometry_.ClusterSector(cluster);
        if (!extents.empty() && extents.back().start + extents.back().sectors == sector) {
            extents.back().sectors += geometry_.ClusterSectors();
        } else {
            extents.push_back({sector, geometry_.ClusterSectors(), 0});
        }
        if (contiguous) {
            ++cluster;
            continue;
        }
        const std::uint32_t next = table_.GetNext(cluster);
        if (next == 0 || table_.IsEnd(next)) {
            break;
        }
        cluster = next;
    }
    return taken;
}

void cBuildPass::AddFile(std::uint64_t parentId, const cItem& item, cFATBuildCounts& counts) {
    std::vector<cQORNFileAllocation> extents;
    const std::uint64_t needed =
        item.size / geometry_.clusterBytes + (item.size % geometry_.clusterBytes != 0);
    const std::uint64_t taken = needed ? TakeClusters(item, extents) : 0;
    const bool whole = taken == needed;
    const Tree tree = !whole ? kDamaged : item.deleted ? kDeleted : kRebuilt;
    cVSReconstructionBuilder* builder = Builder(tree);
    if (!builder) {
        return;
    }
    cVSFileInfo info;
    info.size = std::min<std::uint64_t>(item.size, taken * geometry_.clusterBytes);
    std::optional<std::vector<std::uint8_t>> packed;
    if (!extents.empty()) {
        packed = packedext::Encode(extents);
    }
    if (packed) {
        info.kind = vsitem::kMultifragFile;
        info.extents = *packed;
    } else {
        info.kind = vsitem::kRawFile;
        info.size = 0;
    }
    const cVSItemId file = Storage(tree)->NewFile(vsname::FromUtf16(item.name), info);
    if (file == kNoItem) {
        return;
    }
    builder->AddPending(parentId, file);
    counts.bytes += info.size;
    ++(tree == kDamaged   ? counts.damagedFiles
       : tree == kDeleted ? counts.deletedFiles
                          : counts.files);
}

void cBuildPass::AddEntries(const cFolder& folder, bool deletedPass, cFATBuildCounts& counts) {
    for (const cItem& item : folder.items) {
        if (item.deleted != deletedPass) {
            continue;
        }
        if (!item.IsFolder()) {
            AddFile(folder.id, item, counts);
            continue;
        }
        // A subfolder whose clusters were not found is kept as an empty folder.
        const Tree tree = deletedPass ? kDeleted : kRebuilt;
        if (folderIds_.count(item.firstCluster) != 0 || !Builder(tree)) {
            continue;
        }
        const cVSItemId empty = Storage(tree)->NewFolder(vsname::FromUtf16(item.name));
        if (empty != kNoItem) {
            Builder(tree)->AddPending(folder.id, empty);
        }
    }
}

bool cBuildPass::Run(cProgressNotifyTarget* progress, cFATBuildCounts& counts) {
    const std::uint64_t clusterCount =
        table_.IsLoaded() ? table_.GetClusterCount() : geometry_.clusterCount;
    if (geometry_.clusterBytes == 0 || !claimedClusters_.Create(clusterCount, false) ||
        !starts_.Create(clusterCount, false)) {
        return false;
    }
    CollectFolders();
    ParseFolders();
    NameFolders();
    for (const cFolder& folder : folders_) {
        folderIds_.insert(folder.id);
    }
    AddDirectories(counts);
    for (const cFolder& folder : folders_) {
        for (const std::size_t index : folder.clusters) {
            claimedClusters_.Set(records_[index].cluster, true);
        }
    }
    for (const cFolder& folder : folders_) {
        for (const cItem& item : folder.items) {
            starts_.Set(item.firstCluster, true);
        }
    }
    // The root's files first: after a quick format they are the newest, and a cluster
    // both they and an older entry name belongs to them.
    std::stable_partition(folders_.begin(), folders_.end(),
                          [this](const cFolder& folder) { return folder.id == rootId_; });
    const double steps = 2.0 * double(folders_.size()) + 1;
    double step = 0;
    for (const bool deletedPass : {false, true}) {
        for (const cFolder& folder : folders_) {
            AddEntries(folder, deletedPass, counts);
            if (progress && !progress->OnProgress(100.0 * ++step / steps)) {
                return false;
            }
        }
    }
    for (auto& builder : builders_) {
        if (builder) {
            builder->Build();
        }
    }
    return !progress || progress->OnProgress(100);
}

} // namespace

bool cFATReconstructor::Build(const cFATResults& results, cProgressNotifyTarget* progress,
                              cFATBuildCounts* counts) {
    cFATBuildCounts local;
    cBuildPass pass(records_, geometry_, *table_, results);
    const bool built = pass.Run(progress, counts ? *counts : local);
    std::vector<cDirCluster>().swap(records_);
    return built;
}
