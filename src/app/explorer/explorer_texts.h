#pragma once
// Numbers as the explorer's property pages show them.

#include <cstdint>
#include <string>

namespace explorer {

// 512-byte sectors as gigabytes (10^9 bytes would flatter a failing disk; 2^30).
double SectorsToGB(std::uint64_t sectors);
// "%lld (0x%08llX)": the number and its hexadecimal form with at least eight digits.
std::u16string NumberWithHex(std::uint64_t value);
// "%lld (%.02fGB)" for a count of 512-byte sectors.
std::u16string SectorsWithGB(std::uint64_t sectors);

} // namespace explorer
