#include "base/format_text.h"

#include "base/utf.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr int kMaxWidth = 64; // keeps a hostile "%999999d" from growing the output

std::u16string Pad(std::u16string digits, int width, bool zero) {
    if (int(digits.size()) >= width) {
        return digits;
    }
    const std::size_t fill = std::size_t(width) - digits.size();
    if (zero) {
        const std::size_t sign = !digits.empty() && digits[0] == u'-' ? 1 : 0;
        digits.insert(sign, fill, u'0');
        return digits;
    }
    return std::u16string(fill, u' ') + digits;
}

bool IsConversion(char16_t c) {
    return c == u's' || c == u'd' || c == u'u' || c == u'f' || c == u'x' || c == u'X';
}

// A double that does not fit 64 bits (or is not a number) has no integer form; 0 is what
// the patterns' readers can make sense of.
std::int64_t ToInteger(const cFormatArg& arg) {
    if (arg.kind != cFormatArg::kReal) {
        return arg.integer;
    }
    if (!(arg.real > -9.2e18 && arg.real < 9.2e18)) {
        return 0;
    }
    return std::int64_t(arg.real);
}

} // namespace

std::u16string FormatText(std::u16string_view pattern, std::initializer_list<cFormatArg> args) {
    std::u16string out;
    auto next = args.begin();
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != u'%') {
            out += pattern[i];
            continue;
        }
        std::size_t j = i + 1;
        if (j < pattern.size() && pattern[j] == u'%') {
            out += u'%';
            i = j;
            continue;
        }
        const bool zero = j < pattern.size() && pattern[j] == u'0';
        if (zero) {
            ++j;
        }
        int width = 0, precision = -1;
        while (j < pattern.size() && pattern[j] >= u'0' && pattern[j] <= u'9') {
            width = std::min(kMaxWidth, width * 10 + (pattern[j++] - u'0'));
        }
        if (j < pattern.size() && pattern[j] == u'.') {
            precision = 0;
            ++j;
            while (j < pattern.size() && pattern[j] >= u'0' && pattern[j] <= u'9') {
                precision = std::min(kMaxWidth, precision * 10 + (pattern[j++] - u'0'));
            }
        }
        // Length modifiers ("%lld", "%hu") say nothing here: arguments carry their own width.
        while (j < pattern.size() && (pattern[j] == u'l' || pattern[j] == u'h' ||
                                      pattern[j] == u'z' || pattern[j] == u'j')) {
            ++j;
        }
        if (j >= pattern.size() || !IsConversion(pattern[j])) {
            out += pattern.substr(i, j - i);
            i = j - 1;
            continue;
        }
        const char16_t conversion = pattern[j];
        i = j;
        if (next == args.end()) {
            continue;
        }
        const cFormatArg& arg = *next++;
        char buffer[96];
        switch (conversion) {
        case u's':
            if (arg.kind == cFormatArg::kText) {
                out += Pad(std::u16string(arg.text), width, false);
                continue;
            }
            [[fallthrough]];
        case u'd':
            std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(ToInteger(arg)));
            out += Pad(utf::FromAscii(buffer), width, zero);
            break;
        case u'u':
            std::snprintf(buffer, sizeof buffer, "%llu",
                          static_cast<unsigned long long>(ToInteger(arg)));
            out += Pad(utf::FromAscii(buffer), width, zero);
            break;
        case u'x':
        case u'X':
            std::snprintf(buffer, sizeof buffer, conversion == u'x' ? "%llx" : "%llX",
                          static_cast<unsigned long long>(ToInteger(arg)));
            out += Pad(utf::FromAscii(buffer), width, zero);
            break;
        default: {
            const double value = arg.kind == cFormatArg::kInt ? double(arg.integer) : arg.real;
            std::snprintf(buffer, sizeof buffer, "%.*f",
                          precision < 0 ? 6 : std::min(precision, 20),
                          std::isfinite(value) ? value : 0.0);
            out += Pad(utf::FromAscii(buffer), width, zero);
            break;
        }
        }
    }
    return out;
}
