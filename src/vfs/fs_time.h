#pragma once
// Modification times of listing entries in calendar form. Every file system stores time
// its own way; these turn each form into the same fields. Nothing here consults the
// local time zone: FAT stores local time and the others UTC, and both are shown as stored.

#include <cstdint>

struct cFSTime {
    std::uint16_t year = 0; // 0 when the time is unknown
    std::uint8_t month = 0;
    std::uint8_t day = 0;
    std::uint8_t hour = 0;
    std::uint8_t minute = 0;
    std::uint8_t second = 0;

    bool operator==(const cFSTime&) const = default;
};

namespace fstime {

// FAT directory entry date and time words (the published FAT32 file-system document, "Date and Time
// Formats"): fields are taken as stored, so a damaged word gives odd but harmless values.
cFSTime FromFatDateTime(std::uint16_t date, std::uint16_t time);

// 100-nanosecond intervals since 1601-01-01 (NTFS). Counts from 2^63 on are not valid
// file times and give the unknown time, as the platform's conversion refuses them.
cFSTime FromFileTime(std::uint64_t ticks);

// Seconds since 1970-01-01 (Unix-style file systems), through the 1601 count.
cFSTime FromUnixTime(std::int64_t seconds);

// Seconds between 1601-01-01 and 1970-01-01.
constexpr std::uint64_t kUnixEpochIn1601Seconds = 11644473600ull;

} // namespace fstime
