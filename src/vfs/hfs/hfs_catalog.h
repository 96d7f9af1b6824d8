#pragma once
// Catalog records of HFS and HFS+ (TN1150 "Catalog File", Inside Macintosh: Files
// "Catalog File Records"), reduced to what listing and reading need. Both formats number
// their record types alike: 1 folder, 2 file, 3 folder thread, 4 file thread.

#include "base/bytes.h"
#include "vfs/hfs/hfs_fork.h"

#include <cstdint>
#include <optional>
#include <string>

namespace hfs {

inline constexpr std::uint8_t kFolderRecord = 1;
inline constexpr std::uint8_t kFileRecord = 2;
inline constexpr std::uint8_t kFolderThread = 3;
inline constexpr std::uint8_t kFileThread = 4;

// Catalog node ids with a fixed meaning.
inline constexpr std::uint32_t kRootParentId = 1;
inline constexpr std::uint32_t kRootFolderId = 2;
inline constexpr std::uint32_t kExtentsFileId = 3;
inline constexpr std::uint32_t kCatalogFileId = 4;
inline constexpr std::uint32_t kAllocationFileId = 6;

struct cCatalogRecord {
    std::uint8_t type = 0;
    // The folder's or file's own id; for a thread record, the parent of the object it
    // belongs to.
    std::uint32_t id = 0;
    // Content modification date, seconds since 1904.
    std::uint32_t modified = 0;
    cFork data; // files only
    // Whose extents the overflow file keeps for the data: the file itself, or for an
    // HFS+ hard link the file it links to.
    std::uint32_t dataOwner = 0;
    // An HFS+ hard link: the number of the link's target ("iNode" + number in the
    // private metadata folder); 0 for anything else.
    std::uint32_t linkTarget = 0;
    // A symbolic link, device, pipe or socket: an HFS+ file record that holds no file.
    bool special = false;
};

std::optional<cCatalogRecord> ParsePlusRecord(bytes::Span data);
std::optional<cCatalogRecord> ParseClassicRecord(bytes::Span data);

// The UTF-16 name of an HFS+ catalog key (key length, parent id, then a length-prefixed
// big-endian name), in host order and as stored; nothing when the name runs past the key.
std::optional<std::u16string> PlusKeyName(bytes::Span key);
// The bytes of an HFS catalog key's name (key length, reserved byte, parent id, then a
// length-prefixed Pascal string); nothing when the name runs past the key.
std::optional<bytes::Span> ClassicKeyName(bytes::Span key);

// How a stored name is shown: control characters become '-', and '/', which cannot stand
// in a path, becomes ':' as in the Mac's own POSIX view of these volumes (which swaps the
// two, ':' being the separator of the old Mac paths and so never stored).
std::u16string DisplayName(std::u16string name);

// Seconds since 1904 as seconds since 1970, in 32 bits: dates before 1970 wrap.
std::uint32_t UnixTime(std::uint32_t macTime);

} // namespace hfs
