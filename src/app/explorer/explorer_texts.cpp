#include "app/explorer/explorer_texts.h"

#include "base/utf.h"

#include <cstdio>

namespace explorer {

double SectorsToGB(std::uint64_t sectors) {
    return double(sectors) * 512.0 / (1024.0 * 1024.0 * 1024.0);
}

std::u16string NumberWithHex(std::uint64_t value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%llu (0x%08llX)", static_cast<unsigned long long>(value),
                  static_cast<unsigned long long>(value));
    return utf::FromAscii(buffer);
}

std::u16string SectorsWithGB(std::uint64_t sectors) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%llu (%.02fGB)", static_cast<unsigned long long>(sectors),
                  SectorsToGB(sectors));
    return utf::FromAscii(buffer);
}

} // namespace explorer
