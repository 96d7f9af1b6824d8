#include "vfs/tree_walk.h"

#include <memory>
#include <vector>

bool cTreeWalk::Enter(const cFSObject& folder, const std::u16string& path, unsigned depth) {
    entered_.insert(folder.id);
    // The listing is taken whole first: a visit may read the volume, which some readers
    // cannot do in the middle of an enumeration.
    std::vector<std::unique_ptr<cFSObject>> entries;
    const bool complete = fs_.EnumFolder(folder, [&entries](cFSObject& entry) {
        entries.push_back(entry.Clone());
        return true;
    });
    if (!complete && broken_) {
        broken_(folder, path);
    }
    for (const auto& entry : entries) {
        const bool folderKind = entry->Kind() == fskind::kFolder;
        if (folderKind && (entry->name == u"." || entry->name == u"..")) {
            continue;
        }
        const std::u16string entryPath = path.empty() ? entry->name : path + u"/" + entry->name;
        if (!visit_(*entry, entryPath)) {
            return false;
        }
        if (folderKind && depth < kMaxDepth && !entered_.count(entry->id) &&
            !Enter(*entry, entryPath, depth + 1)) {
            return false;
        }
    }
    return true;
}
