#include "app/copy/target_names.h"

#include "base/utf.h"

#include <cinttypes>
#include <cstdio>

namespace copynames {
namespace {

char16_t SafeUnit(char16_t unit) {
    switch (unit) {
    case u'?':
        return u'~';
    case u'"':
    case u'\u201C':
    case u'\u201D':
        return u'\'';
    case u'*':
        return u'@';
    case u'/':
        return u'=';
    case u'\\':
        return u'-';
    case u':':
    case u'|':
    // NUL would end the name early on Linux, and an empty rest names the folder itself.
    case u'\0':
        return u'_';
    default:
        return unit;
    }
}

} // namespace

std::u16string MakeSafeName(std::u16string_view name, std::uint64_t objectId) {
    std::u16string safe;
    safe.reserve(std::min(name.size(), kMaxSafeName));
    for (char16_t unit : name.substr(0, kMaxSafeName))
        safe += SafeUnit(unit);
    // "." and ".." would name the target folder or its parent: a folder merged there, or
    // a file written there, would land outside the folder the user chose.
    if (safe.empty() || safe == u"." || safe == u"..") {
        char text[32];
        std::snprintf(text, sizeof text, "object%08lld", static_cast<long long>(objectId));
        return utf::FromAscii(text);
    }
    return safe;
}

std::optional<std::u16string>
FirstFreeNumberedPath(std::u16string_view path,
                      const std::function<bool(const std::u16string&)>& exists,
                      std::int64_t lastNumber) {
    const std::size_t lastSeparator = path.find_last_of(u"/\\");
    const std::size_t nameStart =
        lastSeparator == std::u16string_view::npos ? 0 : lastSeparator + 1;
    std::size_t dot = path.rfind(u'.');
    if (dot == std::u16string_view::npos || dot < nameStart)
        dot = path.size();
    const std::u16string_view stem = path.substr(0, dot);
    const std::u16string_view extension = path.substr(dot);
    for (std::int64_t number = 1; number <= lastNumber; ++number) {
        std::u16string candidate(stem);
        candidate += u'(';
        candidate += utf::FromAscii(std::to_string(number));
        candidate += u')';
        candidate += extension;
        if (!exists(candidate))
            return candidate;
    }
    return std::nullopt;
}

} // namespace copynames
