#pragma once
// Case-blind treatment of names, shared by the file systems that ignore case (FAT, NTFS,
// ISO9660...), file searches and the lists that show names in the order people expect.

#include <string_view>

namespace namefold {

// FoldCase for units past Basic Latin; call FoldCase.
char16_t FoldCaseBeyondAscii(char16_t unit);

// Simple one-to-one lower-case mapping of the alphabets names are written in: Basic Latin,
// Latin-1, Latin Extended-A, Greek and Cyrillic. Other units map to themselves. Inline for
// the common case because a sorted list folds every unit of every name.
inline char16_t FoldCase(char16_t unit) {
    if (unit < 0x80) {
        return unit >= u'A' && unit <= u'Z' ? char16_t(unit + 0x20) : unit;
    }
    return FoldCaseBeyondAscii(unit);
}

// Name patterns of searches and file filters: '*' matches any run of units (none
// included), '?' exactly one unit, every other unit itself (or its folded form). Runs in
// time linear in the name for each '*' it backs up to, never exponential.
bool MatchPattern(std::u16string_view pattern, std::u16string_view name, bool caseSensitive);

} // namespace namefold
