#pragma once
// Filling the explorer's language patterns. The section's patterns carry C length
// modifiers ("%lld"); the library's formatter takes integers of any width and wants
// them without, so they are dropped here before formatting.

#include "gui/format_text.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace explorer {

std::u16string Format(std::u16string_view pattern, std::initializer_list<cFormatArg> args);
// 512-byte sectors as gigabytes (10^9 bytes would flatter a failing disk; 2^30).
double SectorsToGB(std::uint64_t sectors);
// "%lld (0x%08llX)": the number and its hexadecimal form with at least eight digits.
std::u16string NumberWithHex(std::uint64_t value);
// "%lld (%.02fGB)" for a count of 512-byte sectors.
std::u16string SectorsWithGB(std::uint64_t sectors);

} // namespace explorer
