#include "vfs/ntfs/attribute_list.h"

#include "vfs/ntfs/mft_record.h"
#include "vfs/ntfs/ntfs_layout.h"

namespace ntfs {

// Entry: 0 type, 4 entry length, 6 name length (units), 7 name offset, 8 lowest VCN,
// 16 file reference, 24 attribute instance, 26 name.
std::optional<AttributeListEntry> AttributeListWalker::Next() {
    const auto fixed = bytes::Slice<26>(list_, offset_);
    if (!fixed) {
        return std::nullopt;
    }
    const bytes::Fixed<26> e = *fixed;
    const std::uint16_t length = bytes::Le16<4>(e);
    const std::uint32_t nameBytes = 2u * e[6];
    const std::uint32_t nameOffset = e[7];
    if (length < 26 || !bytes::Fits(list_.size(), offset_, length) ||
        !bytes::Fits(length, nameOffset, nameBytes)) {
        offset_ = list_.size();
        return std::nullopt;
    }
    AttributeListEntry entry;
    entry.type = bytes::Le32<0>(e);
    entry.name = list_.subspan(offset_ + nameOffset, nameBytes);
    entry.lowestVcn = bytes::Le64<8>(e);
    entry.record = RecordNumber(bytes::Le64<16>(e));
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
