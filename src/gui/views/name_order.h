#pragma once
// The order people expect of file names in a list: letters compared without regard to
// case (Latin and Cyrillic alike), everything else by code unit.
//
// FIXME: the case mapping is vfsname::FoldCase's (vfs/name_match.h); the GUI may not
// depend on vfs, so it belongs in base, where both can call it.

#include <string_view>

namespace name_order {

char16_t Fold(char16_t unit);
// Negative, zero or positive like strcmp.
int Compare(std::u16string_view a, std::u16string_view b);
// '*' any run, '?' one unit, case folded: the file chooser's filter patterns.
bool MatchPattern(std::u16string_view pattern, std::u16string_view name);

} // namespace name_order
