#pragma once
// Names in result trees and result files are UTF-8 of at most 255 bytes. Names come from
// disks as UTF-16 and go through the program's one converter, so a name beyond U+FFFF (an
// emoji) keeps its 4-byte sequence; a longer name is cut where a character begins, never
// inside a sequence, so that what the tree shows is what a result file keeps.

#include <cstddef>
#include <string>
#include <string_view>

namespace vsname {

inline constexpr std::size_t kMaxBytes = 255;

// text cut to at most kMaxBytes at a character boundary.
std::string_view Cut(std::string_view text);
// The UTF-8 form of a UTF-16 name, cut.
std::string FromUtf16(std::u16string_view name);

} // namespace vsname
