#pragma once
// The exFAT up-case table (the published exFAT file-system documentation, "Up-case
// Table"): for every UTF-16 unit the unit it folds to, stored as a list of units in
// which 0xFFFF followed by a count skips that many units that map to themselves.

#include <cstdint>
#include <span>
#include <vector>

namespace exfatupcase {

// A table maps at most every UTF-16 unit; stored uncompressed it takes 128 KiB.
inline constexpr std::uint64_t kMaxTableBytes = 128ull << 10;

// The table checksum its directory entry carries.
std::uint32_t TableChecksum(std::span<const std::uint8_t> table);

// The up-cased form of every UTF-16 unit as the stored table gives it; units the table
// does not reach map to themselves.
std::vector<char16_t> Expand(std::span<const std::uint8_t> table);

} // namespace exfatupcase
