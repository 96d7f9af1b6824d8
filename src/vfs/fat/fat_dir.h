#pragma once
// Decoding FAT directory entries (the published FAT32 file-system document, "Directory Structure"
// and "Long File Name Implementation"). Pure functions over the 32-byte records, so that listing,
// path lookup and the fuzzer share one decoder.

#include "vfs/fs_object.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace fatdir {

inline constexpr std::size_t kEntrySize = 32;

inline constexpr std::uint8_t kAttrVolumeLabel = 0x08;
inline constexpr std::uint8_t kAttrDirectory = 0x10;
inline constexpr std::uint8_t kAttrLongName = 0x0F;
// Bits no valid entry carries; an entry with them means the folder's data is not a folder.
inline constexpr std::uint8_t kAttrInvalid = 0xC0;

inline constexpr std::uint8_t kDeletedMark = 0xE5;

// Windows NT keeps the case of an all-lower-case base name or extension in byte 12
// instead of writing long-name entries.
inline constexpr std::uint8_t kNtLowerBase = 0x08;
inline constexpr std::uint8_t kNtLowerExtension = 0x10;

// A legal long name has up to 255 characters plus its terminator: 20 entries of 13 units.
inline constexpr std::size_t kMaxLongNameEntries = 20;
inline constexpr std::size_t kLongNameUnits = kMaxLongNameEntries * 13;

using Entry = std::span<const std::uint8_t, kEntrySize>;

// True for the "." or ".." record that opens every folder but the root.
bool IsDotEntry(Entry entry, bool dotDot);

// The first cluster an entry names; FAT32 adds the high word at offset 20.
std::uint32_t FirstCluster(Entry entry, bool fat32);

// Walks a folder's entries in order and turns them into listing entries, carrying long
// names across the records that spell them.
class cEntryDecoder {
public:
    enum class Result {
        kEnd,      // first byte 0: the folder ends here
        kBroken,   // not a folder entry; the listing fails
        kConsumed, // a long-name piece, gathered for the next entry
        kEntry,    // Take() holds the decoded entry
    };

    cEntryDecoder(std::uint32_t codePage, bool fat32) : codePage_(codePage), fat32_(fat32) {}

    Result Feed(Entry entry);
    // The entry made by the last Feed that answered kEntry.
    std::unique_ptr<cFSObject> Take() { return std::move(decoded_); }

private:
    void GatherLongName(Entry entry);
    std::u16string ShortName(Entry entry) const;

    std::uint32_t codePage_;
    bool fat32_;
    char16_t longName_[kLongNameUnits] = {};
    std::size_t longNameEntries_ = 0;
    std::unique_ptr<cFSObject> decoded_;
};

} // namespace fatdir
