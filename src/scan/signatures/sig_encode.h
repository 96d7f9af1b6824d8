#pragma once
// Pieces shared by the rules' records and their descriptions: little-endian fields of
// a rules file, and patterns shown as text.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sigencode {

void PutU8(std::vector<std::uint8_t>& out, std::uint8_t value);
void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value);
// A length (u32) and the bytes.
void PutBytes(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> bytes);
// A length in units (u32) and the UTF-16LE units.
void PutUnits(std::vector<std::uint8_t>& out, std::u16string_view units);

// "FF D8 FF": two hex digits per byte, one blank between.
std::u16string HexGroups(std::span<const std::uint8_t> bytes);
// Each byte as the character of the same number.
std::u16string Widen(std::span<const std::uint8_t> bytes);

} // namespace sigencode
