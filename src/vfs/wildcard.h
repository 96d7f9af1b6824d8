#pragma once
// Names against a pattern of wildcards: '*' stands for any run of characters (none too),
// '?' for one; the rest compares unit by unit, after simple case folding unless the
// comparison is case-sensitive.

#include <string_view>

namespace vfsname {

bool WildcardMatch(std::u16string_view pattern, std::u16string_view name, bool caseSensitive);

} // namespace vfsname
