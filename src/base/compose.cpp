#include "base/compose.h"

#include "base/compose_table.h"

#include <algorithm>
#include <optional>

namespace compose {
namespace {

// Hangul syllables compose by arithmetic (The Unicode Standard, section 3.12).
constexpr char16_t kLeadBase = 0x1100, kVowelBase = 0x1161, kTrailBase = 0x11A7;
constexpr char16_t kSyllableBase = 0xAC00;
constexpr unsigned kLeadCount = 19, kVowelCount = 21, kTrailCount = 28;
constexpr unsigned kSyllablesPerLead = kVowelCount * kTrailCount;
constexpr unsigned kSyllableCount = kLeadCount * kSyllablesPerLead;

std::uint8_t CombiningClass(char16_t unit) {
    const auto after = std::upper_bound(
        kClassRanges.begin(), kClassRanges.end(), unit,
        [](char16_t value, const cClassRange& range) { return value < range.first; });
    if (after == kClassRanges.begin()) {
        return 0;
    }
    const cClassRange& range = *std::prev(after);
    return unit <= range.last ? range.combiningClass : 0;
}

std::optional<char16_t> Pair(char16_t first, char16_t second) {
    if (first >= kLeadBase && first < kLeadBase + kLeadCount && second >= kVowelBase &&
        second < kVowelBase + kVowelCount) {
        return char16_t(kSyllableBase +
                        ((first - kLeadBase) * kVowelCount + (second - kVowelBase)) * kTrailCount);
    }
    if (first >= kSyllableBase && first < kSyllableBase + kSyllableCount &&
        (first - kSyllableBase) % kTrailCount == 0 && second > kTrailBase &&
        second < kTrailBase + kTrailCount) {
        return char16_t(first + (second - kTrailBase));
    }
    const cPair key{first, second, 0};
    const auto found =
        std::lower_bound(kPairs.begin(), kPairs.end(), key, [](const cPair& a, const cPair& b) {
            return a.first != b.first ? a.first < b.first : a.second < b.second;
        });
    if (found == kPairs.end() || found->first != first || found->second != second) {
        return std::nullopt;
    }
    return found->composite;
}

} // namespace

std::u16string Compose(std::u16string_view text) {
    std::u16string out(text);
    // The last starter still open for composition, and the class of the unit written
    // last since it: a unit composes with the starter unless a unit of the same or a
    // higher class (or a starter) stands between them.
    std::size_t starter = std::u16string::npos;
    std::uint8_t lastClass = 0;
    std::size_t written = 0;
    for (const char16_t unit : text) {
        const std::uint8_t unitClass = CombiningClass(unit);
        if (starter != std::u16string::npos &&
            (written == starter + 1 || (lastClass != 0 && lastClass < unitClass))) {
            if (const std::optional<char16_t> composite = Pair(out[starter], unit)) {
                out[starter] = *composite;
                continue;
            }
        }
        if (unitClass == 0) {
            starter = written;
        }
        lastClass = unitClass;
        out[written++] = unit;
    }
    out.resize(written);
    return out;
}

} // namespace compose
