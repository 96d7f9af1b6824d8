#pragma once
// What the benches that run the program's windows headless share: the start every such
// process needs once (the built-in language packs and the engine), and their median.

#include "base/lang/builtin_packs.h"

#include <algorithm>
#include <cstddef>
#include <vector>

inline void InitialiseProgramOnce() {
    static const bool initialised = [] {
        lang::RegisterPacksFor(lang::eLanguage::Russian);
        return true;
    }();
    (void)initialised;
}

inline double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    const auto middle = values.begin() + std::ptrdiff_t(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}
