#pragma once
// The on-disk records of ISO 9660 (ECMA-119) and of its predecessor High Sierra: volume
// descriptors, directory records and the names they carry, primary (d-characters with a
// version suffix) or Joliet (UCS-2 big-endian).

#include "base/bytes.h"
#include "vfs/fs_time.h"

#include <cstdint>
#include <optional>
#include <string>

namespace iso {

inline constexpr std::uint32_t kDescriptorBytes = 2048;
// The volume descriptor set starts at byte 32768 (ECMA-119 8.1).
inline constexpr std::uint64_t kFirstDescriptorSector = 64;

enum class eLayout { kIso, kHighSierra };

// What a descriptor of the set is to the reader.
enum class eDescriptor { kNone, kPrimary, kJoliet, kTerminator, kOther };

struct cDescriptor {
    eDescriptor kind = eDescriptor::kNone;
    eLayout layout = eLayout::kIso;
    std::uint32_t blockSize = 0;
    std::uint32_t volumeBlocks = 0;
    bytes::Span rootRecord;  // the root's directory record inside the descriptor
    bytes::Span volumeLabel; // 32 bytes, space padded (UCS-2 big-endian on Joliet)
};

// The descriptor in one 2048-byte piece of the set; kind kNone when neither "CD001" nor
// High Sierra's "CDROM" marks it.
cDescriptor ParseDescriptor(bytes::Fixed<kDescriptorBytes> data);

struct cRecord {
    std::uint32_t length = 0; // bytes the record takes, system use area included
    std::uint32_t extent = 0; // first logical block of the data (after extended attributes)
    std::uint32_t size = 0;   // data length in bytes
    std::uint8_t flags = 0;
    cFSTime mtime;
    bytes::Span name;      // the file identifier as stored
    bytes::Span systemUse; // what follows the identifier and its padding

    bool IsFolder() const { return flags & 0x02; }
    // An associated file (a Macintosh resource fork) shares its name with the real one.
    bool IsAssociated() const { return flags & 0x04; }
    // More extents of the same file follow in the next records.
    bool HasMoreExtents() const { return flags & 0x80; }
    bool IsSelf() const { return name.size() == 1 && name[0] == 0; }
    bool IsParent() const { return name.size() == 1 && name[0] == 1; }
};

// One extent of a file; a file larger than 4 GiB takes several, in consecutive records.
struct cExtent {
    std::uint32_t start = 0;
    std::uint32_t size = 0;
};

// The directory record at offset in data; nothing when its length is 0, too short for its
// name or reaches past data.
std::optional<cRecord> ParseRecord(bytes::Span data, std::size_t offset, eLayout layout);

// A primary name as the user wrote it: without the ";N" version suffix, and without the
// '.' the format puts before the suffix of a name that has no extension.
std::u16string StripVersion(std::u16string name);
// A Joliet identifier: UCS-2 big-endian, control characters shown as '-'.
std::u16string JolietName(bytes::Span identifier);

} // namespace iso
