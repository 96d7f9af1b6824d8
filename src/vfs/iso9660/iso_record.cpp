#include "vfs/iso9660/iso_record.h"

#include <cstring>
#include <string_view>

namespace iso {

namespace {

bool Text(bytes::Span data, std::size_t offset, std::string_view text) {
    return bytes::Fits(data.size(), offset, text.size()) &&
           std::memcmp(data.data() + offset, text.data(), text.size()) == 0;
}

// Joliet's escape sequences name UCS-2 levels 1 to 3: "%/@", "%/C" and "%/E".
bool IsJolietEscape(bytes::Fixed<32> escapes) {
    return escapes[0] == '%' && escapes[1] == '/' &&
           (escapes[2] == '@' || escapes[2] == 'C' || escapes[2] == 'E');
}

} // namespace

cDescriptor ParseDescriptor(bytes::Fixed<kDescriptorBytes> data) {
    cDescriptor out;
    std::uint8_t type = 0;
    if (Text(data, 1, "CD001")) {
        type = data[0];
    } else if (Text(data, 9, "CDROM")) {
        // High Sierra leads with the descriptor's own block number, then type and mark.
        out.layout = eLayout::kHighSierra;
        type = data[8];
    } else {
        return out;
    }
    const bool highSierra = out.layout == eLayout::kHighSierra;
    const std::size_t shift = highSierra ? 8 : 0;
    switch (type) {
    case 1:
        out.kind = eDescriptor::kPrimary;
        break;
    case 2:
        out.kind = !highSierra && IsJolietEscape(data.subspan<88, 32>()) ? eDescriptor::kJoliet
                                                                         : eDescriptor::kOther;
        break;
    case 255:
        out.kind = eDescriptor::kTerminator;
        return out;
    default:
        out.kind = eDescriptor::kOther;
        return out;
    }
    // Both-endian fields (ECMA-119 7.2.3, 7.3.3): the little-endian half comes first.
    out.volumeLabel = data.subspan(40 + shift, 32);
    out.volumeBlocks = bytes::Le32At(data, 80 + shift).value_or(0);
    out.blockSize = bytes::Le16At(data, 128 + shift).value_or(0);
    out.rootRecord = data.subspan(highSierra ? 180 : 156, 34);
    return out;
}

std::optional<cRecord> ParseRecord(bytes::Span data, std::size_t offset, eLayout layout) {
    constexpr std::size_t kFixedBytes = 33;
    const auto fixed = bytes::Slice<kFixedBytes>(data, offset);
    if (!fixed || (*fixed)[0] < kFixedBytes) {
        return std::nullopt;
    }
    cRecord record;
    record.length = (*fixed)[0];
    const std::size_t nameLength = (*fixed)[32];
    if (!bytes::Fits(data.size(), offset, record.length) ||
        kFixedBytes + nameLength > record.length) {
        return std::nullopt;
    }
    // The extended attribute record, when there is one, fills the extent's first blocks.
    const std::uint64_t extent = std::uint64_t(bytes::Le32<2>(*fixed)) + (*fixed)[1];
    if (extent > UINT32_MAX) {
        return std::nullopt;
    }
    record.extent = std::uint32_t(extent);
    record.size = bytes::Le32<10>(*fixed);
    // High Sierra dates have no time zone byte, so its flags come one byte earlier.
    record.flags = (*fixed)[layout == eLayout::kHighSierra ? 24 : 25];
    record.mtime = {std::uint16_t(1900 + (*fixed)[18]),
                    (*fixed)[19],
                    (*fixed)[20],
                    (*fixed)[21],
                    (*fixed)[22],
                    (*fixed)[23]};
    const bytes::Span whole = data.subspan(offset, record.length);
    record.name = whole.subspan(kFixedBytes, nameLength);
    // An identifier of even length is followed by a padding byte (ECMA-119 9.1.12).
    const std::size_t systemUse = std::min<std::size_t>(
        record.length, kFixedBytes + nameLength + (nameLength % 2 == 0 ? 1 : 0));
    record.systemUse = whole.subspan(systemUse);
    return record;
}

std::u16string StripVersion(std::u16string name) {
    const std::size_t semicolon = name.rfind(u';');
    if (semicolon == std::u16string::npos || semicolon + 1 == name.size()) {
        return name;
    }
    for (std::size_t at = semicolon + 1; at < name.size(); ++at) {
        if (name[at] < u'0' || name[at] > u'9') {
            return name;
        }
    }
    name.resize(semicolon);
    if (name.size() > 1 && name.back() == u'.') {
        name.pop_back();
    }
    return name;
}

std::u16string JolietName(bytes::Span identifier) {
    std::u16string name;
    for (std::size_t at = 0; at + 1 < identifier.size(); at += 2) {
        const auto unit = char16_t(bytes::Be16At(identifier, at).value_or(0));
        name.push_back(unit < 0x20 ? u'-' : unit);
    }
    return name;
}

} // namespace iso
