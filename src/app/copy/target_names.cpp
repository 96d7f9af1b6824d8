#include "app/copy/target_names.h"

#include "base/utf.h"
#include "platform/local_files.h"

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

bool IsSurrogatePair(std::u16string_view text, std::size_t at) {
    return at + 1 < text.size() && text[at] >= 0xD800 && text[at] <= 0xDBFF &&
           text[at + 1] >= 0xDC00 && text[at + 1] <= 0xDFFF;
}

// Other file systems count names in UTF-16 units (255 of them, which may be 765 bytes of
// UTF-8); here a name may not exceed kMaxLocalNameBytes bytes, and a longer one could
// not be created at all. Such a name keeps its extension (when it has a short one) and
// loses the end of its stem, whole characters at a time.
std::u16string FitLocalNameLimit(std::u16string name) {
    if (utf::ToUtf8(name).size() <= platform::kMaxLocalNameBytes) {
        return name;
    }
    constexpr std::size_t kLongestKeptExtension = 16;
    const std::size_t dot = name.rfind(u'.');
    std::u16string extension;
    if (dot != std::u16string::npos && dot > 0 && name.size() - dot <= kLongestKeptExtension) {
        extension = name.substr(dot);
    }
    const std::u16string_view stem =
        std::u16string_view(name).substr(0, name.size() - extension.size());
    const std::size_t budget = platform::kMaxLocalNameBytes - utf::ToUtf8(extension).size();
    std::size_t kept = 0;
    for (std::size_t bytes = 0; kept < stem.size();) {
        const bool pair = IsSurrogatePair(stem, kept);
        const char16_t unit = stem[kept];
        const std::size_t length = pair ? 4 : unit < 0x80 ? 1 : unit < 0x800 ? 2 : 3;
        if (bytes + length > budget) {
            break;
        }
        bytes += length;
        kept += pair ? 2 : 1;
    }
    return std::u16string(stem.substr(0, kept)) + extension;
}

} // namespace

std::u16string MakeSafeName(std::u16string_view name, std::uint64_t objectId) {
    std::u16string safe;
    safe.reserve(std::min(name.size(), kMaxSafeName));
    for (char16_t unit : name.substr(0, kMaxSafeName)) {
        safe += SafeUnit(unit);
    }
    // "." and ".." would name the target folder or its parent: a folder merged there, or
    // a file written there, would land outside the folder the user chose.
    safe = FitLocalNameLimit(std::move(safe));
    if (safe.empty() || safe == u"." || safe == u"..") {
        char text[32];
        std::snprintf(text, sizeof text, "object%08lld", static_cast<long long>(objectId));
        return utf::FromAscii(text);
    }
    return safe;
}

std::optional<std::u16string> JoinLocalPath(std::u16string_view folder, std::u16string_view name) {
    // Names come from the disk: one that is not a plain name could write anywhere.
    if (name.empty() || name == u"." || name == u".." ||
        name.find_first_of(std::u16string_view(u"/\\\0", 3)) != std::u16string_view::npos) {
        return std::nullopt;
    }
    std::u16string path(folder);
    if (path.empty() || path.back() != u'/') {
        path += u'/';
    }
    path += name;
    return path;
}

std::optional<std::u16string> PathInFolder(std::u16string_view folder, const cFSObject& object) {
    return JoinLocalPath(folder, MakeSafeName(object.name, object.id));
}

std::optional<std::u16string>
FirstFreeNumberedPath(std::u16string_view path,
                      const std::function<bool(const std::u16string&)>& exists,
                      std::int64_t lastNumber) {
    const std::size_t lastSeparator = path.find_last_of(u"/\\");
    const std::size_t nameStart =
        lastSeparator == std::u16string_view::npos ? 0 : lastSeparator + 1;
    std::size_t dot = path.rfind(u'.');
    if (dot == std::u16string_view::npos || dot < nameStart) {
        dot = path.size();
    }
    const std::u16string_view stem = path.substr(0, dot);
    const std::u16string_view extension = path.substr(dot);
    for (std::int64_t number = 1; number <= lastNumber; ++number) {
        std::u16string candidate(stem);
        candidate += u'(';
        candidate += utf::FromAscii(std::to_string(number));
        candidate += u')';
        candidate += extension;
        if (!exists(candidate)) {
            return candidate;
        }
    }
    return std::nullopt;
}

} // namespace copynames
