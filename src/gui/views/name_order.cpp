#include "gui/views/name_order.h"

#include "base/name_fold.h"

namespace name_order {

int Compare(std::u16string_view a, std::u16string_view b) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (a[i] == b[i]) {
            continue;
        }
        const char16_t fa = namefold::FoldCase(a[i]), fb = namefold::FoldCase(b[i]);
        if (fa != fb) {
            return fa < fb ? -1 : 1;
        }
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

} // namespace name_order
