#pragma once
// Decoding exFAT directory entries (the published exFAT file-system documentation,
// "Directory Structure"). A file is a set of entries: a file entry, a stream extension
// with its data's place and lengths, then name entries of fifteen UTF-16 units each. A
// deleted set keeps its bytes with the in-use bit (bit 7) of every type cleared.

#include "vfs/fs_time.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace exfatdir {

inline constexpr std::size_t kEntrySize = 32;

inline constexpr std::uint8_t kEndOfDirectory = 0x00;
inline constexpr std::uint8_t kInUse = 0x80;
inline constexpr std::uint8_t kBitmap = 0x81;
inline constexpr std::uint8_t kUpcase = 0x82;
inline constexpr std::uint8_t kVolumeLabel = 0x83;
inline constexpr std::uint8_t kFile = 0x85;
inline constexpr std::uint8_t kStream = 0xC0;
inline constexpr std::uint8_t kName = 0xC1;

inline constexpr std::uint16_t kAttrDirectory = 0x10;
inline constexpr std::uint8_t kNoFatChain = 0x02;

// The stream extension and up to seventeen name entries (255 units) follow a file entry.
inline constexpr std::size_t kNameUnitsPerEntry = 15;
inline constexpr std::size_t kMaxSetEntries = 1 + 1 + 17 + 2; // room for vendor entries too
inline constexpr std::size_t kMaxSetBytes = kMaxSetEntries * kEntrySize;

// Checksums of the format: the set checksum leaves out its own field (bytes 2 and 3 of
// the file entry); the name hash runs over the up-cased name's UTF-16 units, low byte
// first. upcase holds the up-cased form of every UTF-16 unit.
std::uint16_t SetChecksum(std::span<const std::uint8_t> set);
std::uint16_t NameHash(std::u16string_view name, std::span<const char16_t> upcase);

// A 32-bit timestamp with its 10-millisecond increment and UTC offset byte: the offset,
// when marked valid, is taken out so that the time shows in UTC like other readers'.
cFSTime FromTimestamp(std::uint32_t stamp, std::uint8_t tenMs, std::uint8_t utcOffset);

struct cEntrySet {
    std::size_t entries = 0; // the file entry and its secondaries
    bool deleted = false;
    bool folder = false;
    bool checksumOk = false;
    bool noFatChain = false;
    std::uint16_t attributes = 0;
    std::uint16_t nameHash = 0;
    std::uint32_t firstCluster = 0;
    std::uint64_t validLength = 0;
    std::uint64_t dataLength = 0;
    std::u16string name;
    cFSTime mtime;
};

// The set whose file entry opens data (whole entries, at least one): a live set when the
// file entry is live, a deleted one when it is deleted, with every secondary in the same
// state. No when the set does not fit, its count is impossible, the stream entry does
// not follow, or its name needs more entries than the set has; set is then left partly
// filled. A listing passes the same set for every entry so that names keep their room.
bool DecodeSet(std::span<const std::uint8_t> data, cEntrySet& set);

} // namespace exfatdir
