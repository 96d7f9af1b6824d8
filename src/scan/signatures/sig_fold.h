#pragma once
// Case folding of signature patterns and of the data they are compared with. Patterns are
// folded once when a rule is made; data is folded unit by unit while it is compared.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sigfold {

// For units from U+0080 on; call Lower.
char16_t LowerBeyondAscii(char16_t unit);

// The simple lower-case mapping from U+0041 up to U+FF3A; other units map to themselves.
inline char16_t Lower(char16_t unit) {
    if (unit < 0x80) {
        return unit >= u'A' && unit <= u'Z' ? char16_t(unit + 0x20) : unit;
    }
    return LowerBeyondAscii(unit);
}

// A byte of an ASCII pattern or of the data: bytes from 0x80 on stand for no character of
// the table (they would widen to U+FF80 and above), so only A to Z change.
inline std::uint8_t LowerByte(std::uint8_t byte) {
    return byte >= 'A' && byte <= 'Z' ? std::uint8_t(byte + 0x20) : byte;
}

// A string rule's pattern as it is kept: cut at its first NUL, and folded unless the case
// flag asks for exact comparison.
std::vector<std::uint8_t> AsciiPattern(std::uint8_t caseFlag, std::span<const std::uint8_t> text);
std::u16string UnicodePattern(std::uint8_t caseFlag, std::u16string_view text);

} // namespace sigfold
