#pragma once
// Comparing entry names the way each file system does: code unit by code unit on
// case-sensitive systems, after simple case folding on the others (FAT, NTFS, ISO9660...).

#include <string_view>

namespace vfsname {

// Simple one-to-one lower-case mapping of the alphabets names are written in: Basic Latin,
// Latin-1, Latin Extended-A, Greek and Cyrillic. Other units map to themselves.
char16_t FoldCase(char16_t unit);

bool NamesEqual(std::u16string_view a, std::u16string_view b, bool caseSensitive);

// Name patterns of the search form: '*' matches any run of units (none included), '?'
// exactly one unit, every other unit itself (or its folded form). Runs in time linear in
// the name for each '*' it backs up to, never exponential.
bool MatchPattern(std::u16string_view pattern, std::u16string_view name, bool caseSensitive);

} // namespace vfsname
