#include "vfs/hfs/hfs_catalog.h"

namespace hfs {
namespace {

// HFS+ hard links are files of type 'hlnk' and creator 'hfs+' (TN1150 "Hard Links").
constexpr std::uint32_t kLinkType = 0x686C6E6B;
constexpr std::uint32_t kLinkCreator = 0x6866732B;
// Symbolic links are files of type 'slnk' holding the target path; the BSD mode of the
// permissions tells them, and devices, pipes and sockets, apart from regular files.
constexpr std::uint32_t kSymlinkType = 0x736C6E6B;
constexpr std::uint16_t kModeTypeMask = 0xF000;
constexpr std::uint16_t kModeRegular = 0x8000;
// Seconds from 1904-01-01 to 1970-01-01.
constexpr std::uint32_t kMacEpochTo1970 = 2082844800u;

} // namespace

std::optional<cCatalogRecord> ParsePlusRecord(bytes::Span data) {
    cCatalogRecord record;
    const std::optional<std::uint16_t> type = bytes::Be16At(data, 0);
    if (!type || *type == 0 || *type > kFileThread) {
        return std::nullopt;
    }
    record.type = std::uint8_t(*type);
    if (record.type == kFolderThread || record.type == kFileThread) {
        const std::optional<std::uint32_t> parent = bytes::Be32At(data, 4);
        if (!parent) {
            return std::nullopt;
        }
        record.id = *parent;
        return record;
    }
    if (record.type == kFolderRecord) {
        const auto folder = bytes::Slice<20>(data);
        if (!folder) {
            return std::nullopt;
        }
        record.id = bytes::Be32<8>(*folder);
        record.modified = bytes::Be32<16>(*folder);
        return record;
    }
    const auto file = bytes::Slice<168>(data);
    if (!file) {
        return std::nullopt;
    }
    record.id = bytes::Be32<8>(*file);
    record.modified = bytes::Be32<16>(*file);
    record.data = ParsePlusFork(file->subspan<88, 80>());
    record.dataOwner = record.id;
    const std::uint16_t modeType = bytes::Be16<42>(*file) & kModeTypeMask;
    record.special =
        (modeType != 0 && modeType != kModeRegular) || bytes::Be32<48>(*file) == kSymlinkType;
    if (bytes::Be32<48>(*file) == kLinkType && bytes::Be32<52>(*file) == kLinkCreator) {
        record.linkTarget = bytes::Be32<44>(*file); // the permissions' special field
    }
    return record;
}

std::optional<cCatalogRecord> ParseClassicRecord(bytes::Span data) {
    cCatalogRecord record;
    if (data.empty() || data[0] == 0 || data[0] > kFileThread) {
        return std::nullopt;
    }
    record.type = data[0];
    if (record.type == kFolderThread || record.type == kFileThread) {
        const std::optional<std::uint32_t> parent = bytes::Be32At(data, 10);
        if (!parent) {
            return std::nullopt;
        }
        record.id = *parent;
        return record;
    }
    if (record.type == kFolderRecord) {
        const auto folder = bytes::Slice<18>(data);
        if (!folder) {
            return std::nullopt;
        }
        record.id = bytes::Be32<6>(*folder);
        record.modified = bytes::Be32<14>(*folder);
        return record;
    }
    const auto file = bytes::Slice<86>(data);
    if (!file) {
        return std::nullopt;
    }
    record.id = bytes::Be32<20>(*file);
    record.modified = bytes::Be32<48>(*file);
    record.data.logicalSize = bytes::Be32<26>(*file);
    record.data.extents = ParseClassicExtents(file->subspan<74, 12>());
    record.dataOwner = record.id;
    return record;
}

std::optional<std::u16string> PlusKeyName(bytes::Span key) {
    const std::optional<std::uint16_t> length = bytes::Be16At(key, 6);
    if (!length || !bytes::Fits(key.size(), 8, std::size_t(*length) * 2)) {
        return std::nullopt;
    }
    std::u16string name(*length, u'\0');
    for (std::size_t i = 0; i < name.size(); ++i) {
        name[i] = char16_t(*bytes::Be16At(key, 8 + 2 * i));
    }
    return name;
}

std::optional<bytes::Span> ClassicKeyName(bytes::Span key) {
    if (key.size() < 7 || !bytes::Fits(key.size(), 7, key[6])) {
        return std::nullopt;
    }
    return key.subspan(7, key[6]);
}

std::u16string DisplayName(std::u16string name) {
    for (char16_t& unit : name) {
        if (unit < 0x20) {
            unit = u'-';
        } else if (unit == u'/') {
            unit = u':';
        }
    }
    return name;
}

std::uint32_t UnixTime(std::uint32_t macTime) {
    // The sum stays in 64 bits; keeping its low half is the 32-bit difference.
    return std::uint32_t((std::uint64_t(macTime) + (1ull << 32) - kMacEpochTo1970) & 0xFFFFFFFFu);
}

} // namespace hfs
