#pragma once
// The Unicode data that canonical composition needs, made by tools/unicode-compose-table.

#include <array>
#include <cstdint>

namespace compose {

// first + second compose into composite. Sorted by first, then second.
struct cPair {
    char16_t first;
    char16_t second;
    char16_t composite;
};
// Units first..last have the canonical combining class; every unit outside the ranges has
// class 0. Sorted, not overlapping.
struct cClassRange {
    char16_t first;
    char16_t last;
    std::uint8_t combiningClass;
};

extern const std::array<cPair, 928> kPairs;
extern const std::array<cClassRange, 295> kClassRanges;

} // namespace compose
