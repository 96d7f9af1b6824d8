#pragma once
// The UDF records the reader walks (ECMA-167 parts 3 and 4, OSTA UDF): the anchor, the
// volume descriptors it keeps, file entries, file identifier descriptors and allocation
// descriptors. Parsers take the bytes of one descriptor and answer nothing when a field
// lies outside them or the tag is not the expected one.

#include "base/bytes.h"
#include "vfs/fs_time.h"

#include <cstdint>
#include <optional>
#include <string>

namespace udf {

namespace tag {
inline constexpr std::uint16_t kPrimaryVolume = 1;
inline constexpr std::uint16_t kAnchor = 2;
inline constexpr std::uint16_t kPartition = 5;
inline constexpr std::uint16_t kLogicalVolume = 6;
inline constexpr std::uint16_t kTerminating = 8;
inline constexpr std::uint16_t kFileSet = 0x100;
inline constexpr std::uint16_t kFileIdentifier = 0x101;
inline constexpr std::uint16_t kAllocationExtent = 0x102;
inline constexpr std::uint16_t kFileEntry = 0x105;
inline constexpr std::uint16_t kExtendedFileEntry = 0x10A;
} // namespace tag

// The descriptor's tag identifier when its tag checksum holds, else nothing.
std::optional<std::uint16_t> TagOf(bytes::Span descriptor);

// A place inside the partition: its logical block.
struct cExtent {
    std::uint32_t length = 0;
    std::uint32_t block = 0;
};

struct cVolume {
    cExtent mainSequence;      // from the anchor, length in bytes
    std::u16string volumeName; // primary volume descriptor
    std::uint32_t partitionStart = 0;
    std::uint32_t partitionLength = 0;
    std::uint32_t blockSize = 0; // logical volume descriptor
    cExtent fileSet;             // logical volume contents use
};

std::optional<cExtent> ParseAnchor(bytes::Span descriptor);
// Fills the fields of volume that a descriptor of the main sequence carries; answers the
// descriptor's tag, or nothing when it does not pass its checks.
std::optional<std::uint16_t> TakeVolumeDescriptor(bytes::Span descriptor, cVolume& volume);
// The root folder's file entry named by a file set descriptor.
std::optional<cExtent> ParseFileSet(bytes::Span descriptor);

// A dstring or the d-characters of a name: compression 8 (one byte a character) or 16
// (UTF-16 big-endian); nothing for any other compression.
std::optional<std::u16string> DecodeCs0(bytes::Span text);

namespace filetype {
inline constexpr std::uint8_t kFolder = 4;
inline constexpr std::uint8_t kFile = 5;
} // namespace filetype

namespace adtype {
inline constexpr std::uint8_t kShort = 0;
inline constexpr std::uint8_t kLong = 1;
inline constexpr std::uint8_t kExtended = 2;
inline constexpr std::uint8_t kInline = 3;
} // namespace adtype

struct cFileEntry {
    std::uint8_t fileType = 0;
    std::uint8_t adType = 0; // low three bits of the ICB flags
    std::uint64_t size = 0;  // information length
    cFSTime mtime;
    std::uint32_t adsOffset = 0; // where the allocation descriptors (or inline data) start
    std::uint32_t adsLength = 0;
};

// A file entry or an extended file entry whose descriptors lie inside its block.
std::optional<cFileEntry> ParseFileEntry(bytes::Span block);

// One allocation descriptor. The top two bits of the recorded length are its kind.
namespace extenttype {
inline constexpr std::uint8_t kRecorded = 0;
inline constexpr std::uint8_t kAllocated = 1;    // allocated, not recorded: zeros
inline constexpr std::uint8_t kUnallocated = 2;  // neither: a hole
inline constexpr std::uint8_t kContinuation = 3; // the list goes on in this extent
} // namespace extenttype

struct cAllocation {
    std::uint8_t type = 0;
    std::uint32_t length = 0; // bytes, without the type bits
    std::uint32_t block = 0;
};

// Bytes one descriptor of the allocation type takes; 0 for types without descriptors.
std::uint32_t DescriptorBytes(std::uint8_t adType);
std::optional<cAllocation> ParseAllocation(bytes::Span descriptor, std::uint8_t adType);
// The descriptors held by an allocation extent descriptor block: where they start and how
// many bytes they take, cut to the block.
std::optional<std::pair<std::uint32_t, std::uint32_t>> AllocationExtentArea(bytes::Span block);

struct cFileIdentifier {
    std::uint8_t characteristics = 0;
    cExtent icb;             // the named object's file entry
    bytes::Span name;        // d-characters; empty for the parent entry
    std::uint32_t bytes = 0; // the record's length, padded to 4
    bool IsFolder() const { return characteristics & 0x02; }
    bool IsDeleted() const { return characteristics & 0x04; }
    bool IsParent() const { return characteristics & 0x08; }
};

// The file identifier descriptor at the start of data; nothing when its tag, checksum or
// lengths do not hold.
std::optional<cFileIdentifier> ParseFileIdentifier(bytes::Span data);

} // namespace udf
