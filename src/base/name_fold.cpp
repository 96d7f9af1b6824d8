#include "base/name_fold.h"

namespace namefold {

char16_t FoldCaseBeyondAscii(char16_t c) {
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) ||
        (c >= 0x410 && c <= 0x42F)) {
        return char16_t(c + 0x20);
    }
    if (c >= 0x400 && c <= 0x40F) {
        return char16_t(c + 0x50);
    }
    if (c == 0x178) { // capital Y with diaeresis; its small letter is in Latin-1
        return 0xFF;
    }
    // Latin Extended-A pairs capital and small letters on even and odd units, except for
    // the stretch 0x139..0x148 and 0x179..0x17E where the capital is odd.
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 &&
        c != 0x17F) {
        const bool oddCapital = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        return (c % 2 == 1) == oddCapital ? char16_t(c + 1) : c;
    }
    if (c >= 0x460 && c <= 0x4FF && c != 0x482 && !(c >= 0x483 && c <= 0x489) && c != 0x4C0 &&
        c != 0x4CF) {
        const bool oddCapital = c >= 0x4C1 && c <= 0x4CE;
        return (c % 2 == 1) == oddCapital ? char16_t(c + 1) : c;
    }
    return c;
}

bool MatchPattern(std::u16string_view pattern, std::u16string_view name, bool caseSensitive) {
    auto same = [caseSensitive](char16_t p, char16_t n) {
        return p == u'?' || p == n || (!caseSensitive && FoldCase(p) == FoldCase(n));
    };
    // Greedy walk that remembers the last '*': on a mismatch the star takes one more unit.
    std::size_t p = 0, n = 0;
    std::size_t starAt = std::u16string_view::npos, resumeAt = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            starAt = p++;
            resumeAt = n;
        } else if (p < pattern.size() && same(pattern[p], name[n])) {
            ++p;
            ++n;
        } else if (starAt != std::u16string_view::npos) {
            p = starAt + 1;
            n = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') {
        ++p;
    }
    return p == pattern.size();
}

} // namespace namefold
