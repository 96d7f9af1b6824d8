#include "scan/signatures/sig_encode.h"

namespace sigencode {

void PutU8(std::vector<std::uint8_t>& out, std::uint8_t value) {
    out.push_back(value);
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(std::uint8_t(value >> shift));
    }
}

void PutBytes(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> bytes) {
    PutU32(out, std::uint32_t(bytes.size()));
    out.insert(out.end(), bytes.begin(), bytes.end());
}

void PutUnits(std::vector<std::uint8_t>& out, std::u16string_view units) {
    PutU32(out, std::uint32_t(units.size()));
    for (const char16_t unit : units) {
        out.push_back(std::uint8_t(unit));
        out.push_back(std::uint8_t(unit >> 8));
    }
}

std::u16string HexGroups(std::span<const std::uint8_t> bytes) {
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    std::u16string text;
    for (const std::uint8_t byte : bytes) {
        if (!text.empty()) {
            text += u' ';
        }
        text += kDigits[byte >> 4];
        text += kDigits[byte & 15];
    }
    return text;
}

std::u16string Widen(std::span<const std::uint8_t> bytes) {
    return std::u16string(bytes.begin(), bytes.end());
}

} // namespace sigencode
