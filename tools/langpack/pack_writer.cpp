#include "pack_writer.h"

#include "base/bytes.h"
#include "base/lang/pack_format.h"

#include <zlib.h>

namespace langpack {
namespace {

void AppendLe16(Bytes& out, std::uint16_t value) {
    std::uint8_t field[2];
    bytes::PutLe16(field, value);
    out.insert(out.end(), field, field + 2);
}

void AppendLe32(Bytes& out, std::uint32_t value) {
    std::uint8_t field[4];
    bytes::PutLe32(field, value);
    out.insert(out.end(), field, field + 4);
}

void AppendChars(Bytes& out, std::string_view text) {
    out.insert(out.end(), text.begin(), text.end());
}

std::optional<Bytes> Compress(std::span<const std::uint8_t> data) {
    uLongf size = compressBound(uLong(data.size()));
    Bytes out(size);
    if (compress2(out.data(), &size, data.data(), uLong(data.size()), Z_BEST_COMPRESSION) != Z_OK) {
        return std::nullopt;
    }
    out.resize(size);
    return out;
}

} // namespace

std::optional<Bytes> EncodeSectionData(std::span<const Text> texts) {
    if (texts.empty() || texts.size() > 0xFFFF) {
        return std::nullopt;
    }
    Bytes data;
    AppendLe16(data, std::uint16_t(texts.size()));
    for (const Text& text : texts) {
        if (text && text->size() > lang::kMaxTextSize) {
            return std::nullopt;
        }
        AppendLe16(data, text ? std::uint16_t(text->size()) : lang::kNoText);
    }
    for (const Text& text : texts) {
        if (text) {
            AppendChars(data, *text);
        }
    }
    return data;
}

Bytes BeginBody() {
    Bytes body;
    AppendChars(body, lang::kBodyMagic);
    return body;
}

void AppendSection(Bytes& body, std::string_view name, std::span<const std::uint8_t> data) {
    std::size_t padded = (name.size() + lang::kSectionNameAlign - 1) / lang::kSectionNameAlign *
                         lang::kSectionNameAlign;
    AppendLe32(body, std::uint32_t(padded));
    AppendChars(body, name);
    body.resize(body.size() + padded - name.size(), 0);
    AppendLe32(body, std::uint32_t(data.size()));
    body.insert(body.end(), data.begin(), data.end());
}

std::optional<Bytes> EncodeRecord(std::string_view packId, std::string_view languageName,
                                  std::span<const std::uint8_t> body) {
    if (packId.size() != lang::kPackIdSize || languageName.size() > 0xFF || body.empty() ||
        body.size() > lang::kMaxBodySize) {
        return std::nullopt;
    }
    std::optional<Bytes> stream = Compress(body);
    if (!stream) {
        return std::nullopt;
    }
    Bytes record;
    AppendChars(record, lang::kRecordMagic);
    AppendChars(record, packId);
    record.push_back(std::uint8_t(languageName.size()));
    AppendChars(record, languageName);
    AppendLe32(record, std::uint32_t(body.size()));
    record.insert(record.end(), stream->begin(), stream->end());
    return record;
}

std::optional<Bytes> EncodePack(const Pack& pack) {
    Bytes body = BeginBody();
    for (const Section& section : pack.sections) {
        std::optional<Bytes> data = EncodeSectionData(section.texts);
        if (!data) {
            return std::nullopt;
        }
        AppendSection(body, section.name, *data);
    }
    return EncodeRecord(pack.id, pack.languageName, body);
}

} // namespace langpack
