#include "vfs/name_match.h"

namespace vfsname {

bool NamesEqual(std::u16string_view a, std::u16string_view b, bool caseSensitive) {
    if (a.size() != b.size()) {
        return false;
    }
    if (caseSensitive) {
        return a == b;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i])) {
            return false;
        }
    }
    return true;
}

} // namespace vfsname
