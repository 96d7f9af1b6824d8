#include "vfs/ntfs/attribute_list.h"

#include "vfs/ntfs/mft_record.h"
#include "vfs/ntfs/ntfs_layout.h"

namespace ntfs {

// Entry: 0 type, 4 entry length, 6 name length (units), 7 name offset, 8 lowest VCN,
// 16 file reference, 24 attribute instance, 26 name.
std::optional<AttributeListEntry> AttributeListWalker::Next() {
    if (!bytes::Fits(list_.size(), offset_, 26)) {
        return std::nullopt;
    }
    const std::uint8_t* e = &list_[offset_];
    const std::uint16_t length = bytes::unchecked::Le16(e + 4);
    const std::uint32_t nameBytes = 2u * e[6];
    const std::uint32_t nameOffset = e[7];
    if (length < 26 || !bytes::Fits(list_.size(), offset_, length) ||
        !bytes::Fits(length, nameOffset, nameBytes)) {
        offset_ = list_.size();
        return std::nullopt;
    }
    AttributeListEntry entry;
    entry.type = bytes::unchecked::Le32(e);
    entry.name = list_.subspan(offset_ + nameOffset, nameBytes);
    entry.lowestVcn = bytes::unchecked::Le64(e + 8);
    entry.record = RecordNumber(bytes::unchecked::Le64(e + 16));
    offset_ += length;
    return entry;
}

std::optional<AttributeListEntry> FindListEntry(bytes::Span list, std::uint32_t type,
                                                std::u16string_view name, std::uint64_t lowestVcn) {
    for (AttributeListWalker walker(list); auto entry = walker.Next();) {
        if (entry->type == type && entry->lowestVcn == lowestVcn && SameName(entry->name, name)) {
            return entry;
        }
    }
    return std::nullopt;
}

} // namespace ntfs
