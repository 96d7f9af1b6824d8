#include "app/fs_tools/file_search.h"

#include "vfs/tree_walk.h"
#include "vfs/wildcard.h"

bool cSearchParams::Matches(const cFSObject& object) const {
    bool kindMatches = false;
    if (object.Kind() == fskind::kFolder) {
        kindMatches = includeFolders;
    } else if (object.Kind() == fskind::kFile) {
        switch (sizeCondition) {
        case eSize::Any:
            kindMatches = true;
            break;
        case eSize::Equal:
            kindMatches = object.size == size;
            break;
        case eSize::Greater:
            kindMatches = object.size > size;
            break;
        case eSize::Less:
            kindMatches = object.size < size;
            break;
        }
    }
    return kindMatches && vfsname::WildcardMatch(pattern, object.name, caseSensitive);
}

eSearchEnd
SearchFiles(cVFS& fs, const cFSObject& start, const cSearchParams& params,
            const std::function<bool(const cFSObject& object, const std::u16string& path)>& hit,
            const std::function<bool()>& stop) {
    eSearchEnd end = eSearchEnd::Done;
    cTreeWalk walk(fs, [&](const cFSObject& entry, const std::u16string& path) {
        if (stop()) {
            end = eSearchEnd::Aborted;
            return false;
        }
        if (params.Matches(entry) && !hit(entry, path)) {
            end = eSearchEnd::TooMany;
            return false;
        }
        return true;
    });
    walk.Walk(start);
    return end;
}
