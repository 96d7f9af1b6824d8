#include "base/lang/pack_reader.h"

#include "base/bytes.h"
#include "base/lang/pack_format.h"
#include "base/lang/text_registry.h"
#include "base/utf.h"
#include "base/zlib_stream.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lang {
namespace {

std::string_view AsChars(bytes::Span data) {
    return {reinterpret_cast<const char*>(data.data()), data.size()};
}

// One section of a body whose bounds have all been checked; merging it cannot fail.
struct CheckedSection {
    std::string_view name;
    std::uint16_t count = 0;
    bytes::Span lengths; // count u16 lengths
    bytes::Span texts;   // the UTF-8 texts they describe, back to back
};

// Section data: u16 count (at least 1), count u16 lengths, then the texts. Every text
// must lie inside the data.
std::optional<CheckedSection> CheckSection(std::string_view name, bytes::Span data) {
    bytes::Cursor cursor(data);
    CheckedSection section;
    section.name = name;
    section.count = cursor.Le16();
    if (!cursor.Ok() || section.count == 0) {
        return std::nullopt;
    }
    section.lengths = cursor.Bytes(std::size_t(section.count) * 2);
    if (!cursor.Ok()) {
        return std::nullopt;
    }
    section.texts = data.subspan(cursor.Offset());
    bytes::Cursor lengths(section.lengths);
    std::size_t used = 0;
    for (std::size_t i = 0; i < section.count; ++i) {
        const std::uint16_t length = lengths.Le16();
        if (!lengths.Ok()) {
            return std::nullopt;
        }
        if (length == kNoText) {
            continue;
        }
        if (!bytes::Fits(section.texts.size(), used, length)) {
            return std::nullopt;
        }
        used += length;
    }
    return section;
}

// Walks "TUSKLANG" and the sections after it; any section running past the body
// rejects the whole body.
std::optional<std::vector<CheckedSection>> CheckBody(bytes::Span body) {
    bytes::Cursor cursor(body);
    const std::string_view magic = AsChars(cursor.Bytes(kBodyMagic.size()));
    if (!cursor.Ok() || magic != kBodyMagic) {
        return std::nullopt;
    }
    std::vector<CheckedSection> sections;
    while (cursor.Ok() && cursor.Remaining() > 0) {
        std::string_view padded = AsChars(cursor.Bytes(cursor.Le32()));
        bytes::Span data = cursor.Bytes(cursor.Le32());
        if (!cursor.Ok()) {
            return std::nullopt;
        }
        std::optional<CheckedSection> section =
            CheckSection(padded.substr(0, padded.find('\0')), data);
        if (!section) {
            return std::nullopt;
        }
        sections.push_back(*section);
    }
    return sections;
}

void Merge(const CheckedSection& checked, cTextRegistry& registry) {
    cTextSection& section = registry.ObtainSection(checked.name);
    section.SetCount(checked.count);
    bytes::Cursor lengths(checked.lengths);
    std::size_t offset = 0;
    for (std::uint16_t i = 0; i < checked.count; ++i) {
        const std::uint16_t length = lengths.Le16();
        if (!lengths.Ok()) {
            return;
        }
        if (length == kNoText) {
            continue;
        }
        section.SetText(i, utf::FromUtf8(AsChars(checked.texts.subspan(offset, length))));
        offset += length;
    }
}

} // namespace

bool RegisterPack(std::span<const std::uint8_t> record, cTextRegistry& registry) {
    if (record.size() < kMinRecordSize) {
        return false;
    }
    bytes::Cursor cursor(record);
    const std::string_view magic = AsChars(cursor.Bytes(kRecordMagic.size()));
    if (!cursor.Ok() || magic != kRecordMagic) {
        return false;
    }
    std::string_view packId = AsChars(cursor.Bytes(kPackIdSize));
    std::string_view name = AsChars(cursor.Bytes(cursor.U8()));
    std::uint32_t bodyLength = cursor.Le32();
    if (!cursor.Ok() || bodyLength == 0 || bodyLength > kMaxBodySize) {
        return false;
    }
    std::optional<std::vector<std::uint8_t>> body =
        zlib_stream::InflateExact(record.subspan(cursor.Offset()), bodyLength);
    if (!body) {
        return false;
    }
    std::optional<std::vector<CheckedSection>> sections = CheckBody(*body);
    if (!sections) {
        return false;
    }
    for (const CheckedSection& section : *sections) {
        Merge(section, registry);
    }
    registry.SetLanguage(std::string(packId.substr(kPackIdPrefix.size())), utf::FromUtf8(name));
    return true;
}

} // namespace lang
