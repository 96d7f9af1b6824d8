#include "app/explorer/explorer_texts.h"

#include "base/utf.h"

#include <cstdio>

namespace explorer {

std::u16string Format(std::u16string_view pattern, std::initializer_list<cFormatArg> args) {
    std::u16string plain;
    plain.reserve(pattern.size());
    bool in_conversion = false;
    for (char16_t c : pattern) {
        if (in_conversion && (c == u'l' || c == u'h'))
            continue;
        if (c == u'%')
            in_conversion = !in_conversion;
        else if (in_conversion && ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')))
            in_conversion = false;
        plain += c;
    }
    return FormatText(plain, args);
}

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
