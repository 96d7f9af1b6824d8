#include "vfs/exfat/exfat_upcase.h"

#include "base/bytes.h"

namespace exfatupcase {

__attribute__((no_sanitize("unsigned-integer-overflow"))) std::uint32_t
TableChecksum(std::span<const std::uint8_t> table) {
    std::uint32_t sum = 0;
    for (const std::uint8_t byte : table) {
        sum = ((sum & 1) ? 0x80000000u : 0) + (sum >> 1) + byte;
    }
    return sum;
}

std::vector<char16_t> Expand(std::span<const std::uint8_t> table) {
    std::vector<char16_t> upcase(0x10000);
    for (std::size_t unit = 0; unit < upcase.size(); ++unit) {
        upcase[unit] = char16_t(unit);
    }
    std::size_t unit = 0;
    for (std::size_t at = 0; at + 2 <= table.size() && unit < upcase.size(); at += 2) {
        const std::uint16_t value = bytes::unchecked::Le16(table.data() + at);
        if (value == 0xFFFF && at + 4 <= table.size()) {
            at += 2;
            unit += bytes::unchecked::Le16(table.data() + at);
            continue;
        }
        upcase[unit++] = char16_t(value);
    }
    return upcase;
}

} // namespace exfatupcase
