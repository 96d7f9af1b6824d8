#include "gui/views/name_order.h"

namespace name_order {

char16_t Fold(char16_t c) {
    if (c < 0x80)
        return c >= u'A' && c <= u'Z' ? char16_t(c + 0x20) : c;
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) ||
        (c >= 0x410 && c <= 0x42F))
        return char16_t(c + 0x20);
    if (c >= 0x400 && c <= 0x40F)
        return char16_t(c + 0x50);
    return c;
}

int Compare(std::u16string_view a, std::u16string_view b) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (a[i] == b[i])
            continue;
        const char16_t fa = Fold(a[i]), fb = Fold(b[i]);
        if (fa != fb)
            return fa < fb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

bool MatchPattern(std::u16string_view pattern, std::u16string_view name) {
    auto same = [](char16_t p, char16_t n) { return p == u'?' || Fold(p) == Fold(n); };
    // Greedy, remembering the last '*': a mismatch lets that star take one more unit, so
    // the walk stays linear per star and never explodes on hostile names.
    std::size_t p = 0, n = 0, star = std::u16string_view::npos, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            star = p++;
            resume = n;
        } else if (p < pattern.size() && same(pattern[p], name[n])) {
            ++p;
            ++n;
        } else if (star != std::u16string_view::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

} // namespace name_order
