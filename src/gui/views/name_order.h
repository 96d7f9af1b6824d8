#pragma once
// The order people expect of file names in a list: letters compared without regard to
// case (namefold::FoldCase, the same folding case-blind file systems use), everything else
// by code unit.

#include <string_view>

namespace name_order {

// Negative, zero or positive like strcmp.
int Compare(std::u16string_view a, std::u16string_view b);

} // namespace name_order
