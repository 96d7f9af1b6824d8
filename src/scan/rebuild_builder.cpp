#include "scan/rebuild_builder.h"

#include "scan/vs_name.h"

#include <algorithm>

namespace {
constexpr std::string_view kNameIsInvalid = "[name is invalid]";
constexpr std::string_view kInvalidName = "[invalid name]";
} // namespace

void cVSReconstructionBuilder::AddDirectory(std::uint64_t id, std::uint64_t parentId,
                                            std::u16string_view name) {
    directories_.try_emplace(id, Directory{parentId, vsname::FromUtf16(name)});
}

void cVSReconstructionBuilder::AddPending(std::uint64_t parentId, cVSItemId item) {
    pending_.push_back({parentId, item});
}

void cVSReconstructionBuilder::MakeFolder(Directory& record, cVSItemId parent,
                                          unsigned parentDepth) {
    const cVSItemId folder =
        storage_.NewFolder(record.name.empty() ? kNameIsInvalid : std::string_view(record.name));
    if (folder != kNoItem && storage_.Insert(folder, parent)) {
        record.folder = folder;
        record.depth = parentDepth + 1;
    }
    std::string().swap(record.name);
}

// Walks up from the record to the first parent that already has a folder, or to where the
// chain ends (the root, a missing parent, an unknown one, or too many levels: a loop of
// parents ends there too), then makes the folders top down. A record met again in a loop
// keeps the folder it got the first time.
cVSItemId cVSReconstructionBuilder::Place(std::uint64_t id) {
    std::vector<std::pair<std::uint64_t, Directory*>> chain;
    cVSItemId anchor = kNoItem;
    unsigned anchorDepth = 0;
    const auto root = [this]() {
        if (storage_.Root() == kNoItem) {
            storage_.CreateRoot(cQORNVStorage::kRootName);
        }
        return storage_.Root();
    };
    for (auto at = directories_.find(id);;) {
        Directory& record = at->second;
        if (record.folder != kNoItem) {
            anchor = record.folder;
            anchorDepth = record.depth;
            break;
        }
        if (record.parentId == at->first) {
            record.folder = root();
            record.depth = 0;
            anchor = record.folder;
            break;
        }
        chain.emplace_back(at->first, &record);
        if (record.parentId == kNoParent || chain.size() > kMaxChain + 1) {
            anchor = storage_.OrphanFolder();
            anchorDepth = 1;
            break;
        }
        at = directories_.find(record.parentId);
        if (at == directories_.end()) {
            anchor = root();
            break;
        }
    }
    if (anchorDepth + chain.size() > kMaxTreeDepth) {
        anchor = storage_.OrphanFolder();
        anchorDepth = 1;
    }
    for (auto link = chain.rbegin(); link != chain.rend() && anchor != kNoItem; ++link) {
        Directory& record = *link->second;
        if (record.folder == kNoItem) {
            MakeFolder(record, anchor, anchorDepth);
        }
        anchor = record.folder;
        anchorDepth = record.depth;
    }
    return anchor;
}

void cVSReconstructionBuilder::AppendPending(cVSItemId item, cVSItemId folder,
                                             std::string_view emptyName) {
    if (storage_.IsItem(item) && storage_.Name(item).empty()) {
        storage_.Rename(item, emptyName);
    }
    storage_.Insert(item, folder);
}

void cVSReconstructionBuilder::Build() {
    std::stable_sort(pending_.begin(), pending_.end(),
                     [](const Pending& a, const Pending& b) { return a.parentId < b.parentId; });
    std::vector<Pending> leftovers;
    for (auto group = pending_.begin(); group != pending_.end();) {
        const std::uint64_t parentId = group->parentId;
        auto end = group;
        while (end != pending_.end() && end->parentId == parentId) {
            ++end;
        }
        if (directories_.count(parentId) == 0) {
            leftovers.insert(leftovers.end(), group, end);
        } else if (const cVSItemId folder = Place(parentId); folder != kNoItem) {
            for (; group != end; ++group) {
                AppendPending(group->item, folder, kNameIsInvalid);
            }
        }
        group = end;
    }
    if (!leftovers.empty()) {
        if (const cVSItemId orphans = storage_.OrphanFolder(); orphans != kNoItem) {
            for (const Pending& entry : leftovers) {
                AppendPending(entry.item, orphans, kInvalidName);
            }
        }
    }
    for (const std::uint64_t id : kept_) {
        if (directories_.count(id) != 0) {
            Place(id);
        }
    }
    directories_.clear();
    std::vector<Pending>().swap(pending_);
    std::vector<std::uint64_t>().swap(kept_);
}
