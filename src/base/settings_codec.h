#pragma once
// The settings file "config.hbin", little-endian:
//
//   0  4  magic "QNCF"
//   4  4  length of the uncompressed record area; 0 means no records and nothing follows
//   8  .. one zlib stream (compression level 5) holding the record area
//
// The record area is a run of records in ascending key order (signed), without gaps:
// key (i32), value length (u32), value bytes. The writer never truncates the file, so
// bytes after the end of the zlib stream are leftovers of an older, longer content and
// are ignored.
//
// The file lives in the user's home folder, but it is still read as hostile input: the
// declared area length is capped and the area is inflated as it arrives, so a forged
// header cannot make the reader allocate gigabytes.

#include "base/bytes.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace settings_codec {

using Table = std::map<std::int32_t, std::vector<std::uint8_t>>;

constexpr std::size_t kHeaderSize = 8;
// Settings hold a few folder names; an area beyond this is not one the program wrote.
constexpr std::uint32_t kMaxAreaLength = 16u << 20;
// The most compressed bytes that can hold an area of kMaxAreaLength; reading more of the
// file is pointless.
std::size_t MaxStreamLength();

// The area length a header declares, or nothing when the header is short or foreign.
std::optional<std::uint32_t> ParseHeader(bytes::Span header);
std::vector<std::uint8_t> MakeHeader(std::uint32_t areaLength);

// Inflates one zlib stream that must produce exactly areaLength bytes; bytes after the
// stream's end are ignored. Nothing when the stream is damaged, ends early, runs longer
// than declared, or areaLength exceeds kMaxAreaLength.
std::optional<std::vector<std::uint8_t>> InflateArea(bytes::Span stream, std::uint32_t areaLength);

// Adds the area's records to table. False at the first record that is truncated or whose
// key is already present; the records before it stay in the table.
bool ParseRecords(bytes::Span area, Table& table);

// The record area for table and its compressed form (level 5, one finished stream).
std::vector<std::uint8_t> SerialiseRecords(const Table& table);
std::optional<std::vector<std::uint8_t>> DeflateArea(bytes::Span area);

} // namespace settings_codec
