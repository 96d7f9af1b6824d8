#include "part/part_types.h"

#include <algorithm>
#include <array>

namespace {

struct TypeName {
    std::uint16_t code;
    std::u16string_view name;
};

// Sorted by code so that lookups can bisect.
constexpr TypeName kTypeNames[] = {
    {0x00, u"Empty"},
    {0x01, u"FAT12"},
    {0x04, u"FAT16"},
    {0x05, u"Extended"},
    {0x06, u"BigDOS FAT16"},
    {0x07, u"NTFS"},
    {0x0A, u"OS/2 BootManager"},
    {0x0B, u"FAT32"},
    {0x0C, u"FAT32 LBA"},
    {0x0E, u"FAT16 LBA"},
    {0x0F, u"Extended LBA"},
    {0x11, u"FAT12 (hidden)"},
    {0x12, u"EISA"},
    {0x14, u"FAT16 (hidden)"},
    {0x16, u"BigDOS FAT16 (hidden)"},
    {0x17, u"NTFS (hidden)"},
    {0x1B, u"FAT32 (hidden)"},
    {0x1E, u"BigDOS FAT16 LBA (hidden)"},
    {0x35, u"OS/2 LVM"},
    {0x42, u"NT LDM link"},
    {0x45, u"OS/2 LVM (hidden)"},
    {0x65, u"NetWare storage"},
    {0x69, u"Novell Storage Services"},
    {0x82, u"Linux swap"},
    {0x83, u"Linux native (unclassified)"},
    {0x84, u"PowerMan hibernation"},
    {0x85, u"Extended (Linux)"},
    {0x86, u"NT LVM1 (multidisk FAT16)"},
    {0x87, u"NT LVM2 (multidisk NTFS 4)"},
    {0x8E, u"Linux LVM"},
    {0xA0, u"Laptop hibernation"},
    {0xA5, u"386BSD Slice"},
    {0xA6, u"OpenBSD"},
    {0xAF, u"MacOS X"},
    {0xBF, u"Solaris"},
    {0xDE, u"Dell OEM"},
    {0xEE, u"GPT OEM"},
    {0xEF, u"EFI OEM"},
    {0xFD, u"Linux RAID"},
    {0xFE, u"IBM OEM"},
    {0xFF, u"MasterBootRecord"},
    {0x101, u"Unix SWAP"},
    {0x102, u"Unix V6"},
    {0x103, u"Unix V7"},
    {0x104, u"System V"},
    {0x105, u"Unix V7 (1k)"},
    {0x106, u"Unix V8"},
    {0x107, u"UFS (FFS)"},
    {0x108, u"UFS VFAT"},
    {0x109, u"BSD LFS"},
    {0x10A, u"Other/Unknown"},
    {0x10B, u"UFS NTFS/HPFS"},
    {0x10C, u"UFS ISO"},
    {0x10D, u"UFS BootFS"},
    {0x10E, u"UFS Vinum"},
    {0x10F, u"UFS RAID"},
    {0x115, u"UFS JFS2"},
    {0x120, u"Apple Partitions Map"},
    {0x121, u"Apple Device Driver"},
    {0x122, u"Apple SCSI Device Driver"},
    {0x123, u"Apple Macintosh File System"},
    {0x124, u"Apple HFS"},
    {0x125, u"Apple - Unix"},
    {0x126, u"Apple - ProDOS"},
    {0x127, u"Apple - unused"},
    {0x128, u"Apple - empty"},
    {0x129, u"Apple HFSX"},
    {0x5F81, u"BSD SWAP on GPT"},
    {0x5F82, u"GPT MS reserved"},
    {0x5F83, u"GPT Basic"},
    {0x5F84, u"NT LDM metadata on GPT"},
    {0x5FA0, u"LVM Physical volume"},
    {0x6000, u"Ext2/Ext3 Linux"},
    {0x6001, u"ReiserFS"},
    {0x6002, u"SGI XFS"},
    {0x6003, u"SnapOS UFS"},
    {0x6004, u"SnapOS Slice"},
    {0x6100, u"ISO9660"},
    {0x6101, u"UDF"},
    {0x6110, u"Solaris boot block"},
    {0x6111, u"Solaris ZFS"},
    {0x6200, u"Novell NWFS"},
    {0x6201, u"Novell Volume Descriptor"},
    {0x7FFD, u"Zelvane Pro Virtual"},
    {0x7FFE, u"PRO Scan Result Extended"},
};

static_assert(std::is_sorted(std::begin(kTypeNames), std::end(kTypeNames),
                             [](const TypeName& a, const TypeName& b) { return a.code < b.code; }));

} // namespace

std::u16string_view GetTypeName(std::uint16_t typeCode) {
    const auto it = std::lower_bound(
        std::begin(kTypeNames), std::end(kTypeNames), typeCode,
        [](const TypeName& entry, std::uint16_t code) { return entry.code < code; });
    if (it != std::end(kTypeNames) && it->code == typeCode) {
        return it->name;
    }
    return u"[unknown]";
}
