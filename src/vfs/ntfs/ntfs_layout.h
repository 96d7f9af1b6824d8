#pragma once
// Constants of the NTFS on-disk format that more than one parser needs. Offsets of single
// structures stay next to the function that parses that structure.

#include <cstdint>

namespace ntfs {

// Update sequence arrays protect the last two bytes of every 512-byte stride of a
// multi-sector structure, whatever the volume's sector size.
inline constexpr std::uint32_t kStride = 512;

// Attribute type codes ($AttrDef of every NTFS 3.x volume).
enum AttrType : std::uint32_t {
    kStandardInformation = 0x10,
    kAttributeList = 0x20,
    kFileName = 0x30,
    kVolumeName = 0x60,
    kData = 0x80,
    kIndexRoot = 0x90,
    kIndexAllocation = 0xA0,
    kBitmap = 0xB0,
    kEndOfAttributes = 0xFFFFFFFF,
};

// Well-known MFT record numbers.
inline constexpr std::uint64_t kMftRecord = 0;
inline constexpr std::uint64_t kVolumeRecord = 3;
inline constexpr std::uint64_t kRootRecord = 5;
inline constexpr std::uint64_t kBitmapRecord = 6;
// Records below this hold metadata files or are reserved; listings never show them.
inline constexpr std::uint64_t kFirstUserRecord = 24;

// A file reference is a 48-bit record number and a 16-bit sequence number.
inline constexpr std::uint64_t RecordNumber(std::uint64_t reference) {
    return reference & 0x0000FFFFFFFFFFFFull;
}

// $STANDARD_INFORMATION file attribute and $FILE_NAME flag bits.
inline constexpr std::uint32_t kFileAttrCompressed = 0x800;
inline constexpr std::uint32_t kFileNameIsDirectory = 0x10000000;

// $FILE_NAME namespaces.
enum NameSpace : std::uint8_t {
    kPosixName = 0,
    kWin32Name = 1,
    kDosName = 2,
    kWin32AndDosName = 3,
};

// The name of every folder index.
inline constexpr char16_t kI30[] = u"$I30";

} // namespace ntfs
