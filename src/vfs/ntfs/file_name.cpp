#include "vfs/ntfs/file_name.h"

#include "base/utf.h"
#include "vfs/ntfs/ntfs_layout.h"

namespace ntfs {

bool FileName::IsDirectory() const {
    return (flags & kFileNameIsDirectory) != 0;
}
bool FileName::IsDosOnly() const {
    return nameSpace == kDosName;
}

// Value: 0 parent reference, 8 creation, 16 modification, 24 MFT change, 32 access times,
// 40 allocated size, 48 real size, 56 flags, 60 reparse tag, 64 name length (units),
// 65 namespace, 66 name.
std::optional<FileName> ParseFileName(bytes::Span value) {
    const auto fixed = bytes::Slice<66>(value);
    if (!fixed) {
        return std::nullopt;
    }
    const bytes::Fixed<66> v = *fixed;
    const std::size_t nameBytes = 2u * v[64];
    if (!bytes::Fits(value.size(), 66, nameBytes)) {
        return std::nullopt;
    }
    FileName f;
    f.parentRecord = RecordNumber(bytes::Le64<0>(v));
    f.modificationTime = bytes::Le64<16>(v);
    f.realSize = bytes::Le64<48>(v);
    f.flags = bytes::Le32<56>(v);
    f.nameSpace = v[65];
    f.name = utf::FromUtf16LE(value.subspan(66, nameBytes));
    return f;
}

} // namespace ntfs
