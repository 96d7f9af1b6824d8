#include "vfs/wildcard.h"

#include "base/name_fold.h"

namespace vfsname {

bool WildcardMatch(std::u16string_view pattern, std::u16string_view name, bool caseSensitive) {
    const auto same = [caseSensitive](char16_t a, char16_t b) {
        return a == b || (!caseSensitive && namefold::FoldCase(a) == namefold::FoldCase(b));
    };
    // Only the last star is ever retried, which keeps the match linear in the name times
    // the pattern, whatever the number of stars.
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t star = std::u16string_view::npos;
    std::size_t resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            star = p++;
            resume = n;
        } else if (p < pattern.size() && (pattern[p] == u'?' || same(pattern[p], name[n]))) {
            ++p;
            ++n;
        } else if (star != std::u16string_view::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') {
        ++p;
    }
    return p == pattern.size();
}

} // namespace vfsname
