#include "vfs/fat/fat_dir.h"

#include "base/bytes.h"
#include "base/codepage.h"
#include "vfs/name_match.h"

#include <algorithm>
#include <cstring>

namespace fatdir {
namespace {

constexpr std::size_t kAttrOffset = 11;
constexpr std::size_t kNtCaseOffset = 12;

// A first byte of 0x05 stands for a real 0xE5 (a lead byte of some code pages), which
// would otherwise read as the deleted mark.
constexpr std::uint8_t kEscapedE5 = 0x05;

std::size_t TrimmedLength(std::span<const std::uint8_t> text) {
    std::size_t length = text.size();
    while (length > 0 && text[length - 1] == ' ') {
        --length;
    }
    return length;
}

void LowerCase(std::u16string& text) {
    for (char16_t& unit : text) {
        unit = vfsname::FoldCase(unit);
    }
}

} // namespace

bool IsDotEntry(Entry entry, bool dotDot) {
    static constexpr char kDot[] = ".          ";
    static constexpr char kDotDot[] = "..         ";
    return std::memcmp(entry.data(), dotDot ? kDotDot : kDot, 11) == 0 && entry[kAttrOffset] < 0x40;
}

std::uint32_t FirstCluster(Entry entry, bool fat32) {
    const std::uint32_t low = bytes::Le16<26>(entry);
    return fat32 ? (std::uint32_t(bytes::Le16<20>(entry)) << 16) | low : low;
}

void cEntryDecoder::GatherLongName(Entry entry) {
    // Pieces come last piece first, so each is placed in front of what is gathered.
    // Units 1-5 at offset 1, 6-11 at 14, 12-13 at 28.
    const bytes::Span units[] = {entry.subspan<1, 10>(), entry.subspan<14, 12>(),
                                 entry.subspan<28, 4>()};
    char16_t* piece = longName_ + kLongNameUnits - 13 * (longNameEntries_ + 1);
    for (const bytes::Span part : units) {
        for (std::size_t at = 0; at < part.size(); at += 2) {
            *piece++ = bytes::Le16At(part, at).value_or(0);
        }
    }
    ++longNameEntries_;
}

std::u16string cEntryDecoder::ShortName(Entry entry) const {
    std::uint8_t base[8];
    std::memcpy(base, entry.data(), 8);
    if (base[0] == kDeletedMark) {
        base[0] = 'x';
    } else if (base[0] == kEscapedE5) {
        base[0] = kDeletedMark;
    }
    const std::uint8_t nt = entry[kNtCaseOffset];
    std::u16string name = codepage::Decode(codePage_, std::span(base, TrimmedLength(base)));
    if (nt & kNtLowerBase) {
        LowerCase(name);
    }
    const std::span<const std::uint8_t> extension = entry.subspan(8, 3);
    if (extension[0] != ' ' && extension[0] != 0) {
        std::u16string decoded =
            codepage::Decode(codePage_, extension.first(TrimmedLength(extension)));
        if (nt & kNtLowerExtension) {
            LowerCase(decoded);
        }
        name += u'.';
        name += decoded;
    }
    return name;
}

cEntryDecoder::Result cEntryDecoder::Feed(Entry entry) {
    if (entry[0] == 0) {
        return Result::kEnd;
    }
    const std::uint8_t attributes = entry[kAttrOffset];
    if (attributes & kAttrInvalid) {
        return Result::kBroken;
    }
    if (attributes == kAttrLongName) {
        if (longNameEntries_ == kMaxLongNameEntries) {
            return Result::kBroken;
        }
        GatherLongName(entry);
        return Result::kConsumed;
    }
    if (attributes & kAttrVolumeLabel) {
        // A label does not use the gathered long name; it stays for the next entry.
        auto label = std::make_unique<cFSVolName>();
        const std::span<const std::uint8_t> text = entry.first(11);
        label->name = codepage::Decode(codePage_, text.first(TrimmedLength(text)));
        label->mtime = fstime::FromFatDateTime(bytes::Le16<24>(entry), bytes::Le16<22>(entry));
        decoded_ = std::move(label);
        return Result::kEntry;
    }

    std::unique_ptr<cFSObject> object;
    const bool folder = attributes & kAttrDirectory;
    if (entry[0] == kDeletedMark) {
        auto deleted = std::make_unique<cFSDeletedObj>();
        deleted->deletedKind = folder ? fskind::kFolder : fskind::kFile;
        object = std::move(deleted);
    } else if (folder) {
        object = std::make_unique<cFSFolder>();
    } else {
        object = std::make_unique<cFSFile>();
    }
    if (longNameEntries_ > 0) {
        const char16_t* first = longName_ + kLongNameUnits - 13 * longNameEntries_;
        const char16_t* end =
            std::find(first, static_cast<const char16_t*>(longName_ + kLongNameUnits), u'\0');
        object->name.assign(first, end);
        longNameEntries_ = 0;
    }
    if (object->name.empty()) { // no long name, or one that is empty from its first unit
        object->name = ShortName(entry);
    }
    object->id = FirstCluster(entry, fat32_);
    object->size = bytes::Le32<28>(entry);
    object->mtime = fstime::FromFatDateTime(bytes::Le16<24>(entry), bytes::Le16<22>(entry));
    decoded_ = std::move(object);
    return Result::kEntry;
}

} // namespace fatdir
