#include "vfs/fs_types.h"

#include <array>

namespace fstype {

std::string_view Name(std::uint32_t code) {
    static constexpr std::array<std::string_view, 24> kNames = {
        "Unknown",
        "NTFS",
        "Ext2/3/4",
        "UFS",
        "UFS (big endian)",
        "Adaptec UFS",
        "FAT",
        "FAT32",
        "SGI XFS",
        "HFS",
        "HFS+",
        "ISO9660",
        "NWFS",
        "ReiserFS",
        "UDF",
        "VMFS3",
        "GFS",
        "Reconstructed",
        "Sun ZFS",
        "KVB Distributed",
        "IBM JFS",
        "IBM Legacy JFS1",
        "B-tree FS",
        "exFAT",
    };
    return code < kNames.size() ? kNames[code] : kNames[0];
}

} // namespace fstype
