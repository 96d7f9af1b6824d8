#include "base/bytes.h"
#include "base/codepage.h"
#include "scan/fat/fat_reconstructor.h"
#include "vfs/fat/fat_dir.h"

std::vector<cFATReconstructor::cDirEntryItem>
cFATReconstructor::ParseEntries(std::span<const std::uint8_t> buffer, bool fat32) {
    std::vector<cDirEntryItem> items;
    // The same decoder as the FAT reader's, so that names read the same in both.
    fatdir::cEntryDecoder decoder(codepage::kDosCyrillic, fat32);
    for (std::size_t at = 0; at + fatdir::kEntrySize <= buffer.size(); at += fatdir::kEntrySize) {
        const fatdir::Entry entry(buffer.data() + at, fatdir::kEntrySize);
        const fatdir::cEntryDecoder::Result result = decoder.Feed(entry);
        if (result == fatdir::cEntryDecoder::Result::kEnd ||
            result == fatdir::cEntryDecoder::Result::kBroken) {
            break;
        }
        if (result != fatdir::cEntryDecoder::Result::kEntry) {
            continue;
        }
        const std::unique_ptr<cFSObject> object = decoder.Take();
        const std::uint8_t attributes = entry[11];
        if ((attributes & fatdir::kAttrVolumeLabel) || fatdir::IsDotEntry(entry, false) ||
            fatdir::IsDotEntry(entry, true)) {
            continue;
        }
        cDirEntryItem& item = items.emplace_back();
        item.name = std::move(object->name);
        item.firstCluster = fatdir::FirstCluster(entry, fat32);
        item.size = bytes::Le32<28>(entry);
        item.attributes = attributes;
        item.mtime = std::uint32_t(bytes::Le16<24>(entry)) << 16 | bytes::Le16<22>(entry);
        item.deleted = entry[0] == fatdir::kDeletedMark;
    }
    return items;
}
