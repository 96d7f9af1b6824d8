#include "vfs/fs_time.h"

namespace fstime {
namespace {

constexpr std::uint64_t kTicksPerSecond = 10'000'000;
constexpr std::uint64_t kSecondsPerDay = 86'400;

// Proleptic Gregorian calendar: the day count since 1601-01-01 (a year following a
// 400-year cycle start) split into year, month and day by whole cycles first.
void CivilFromDays(std::uint64_t days, cFSTime& out) {
    constexpr std::uint64_t kDaysPer400 = 146'097, kDaysPer100 = 36'524, kDaysPer4 = 1'461;
    std::uint64_t year = 1601 + 400 * (days / kDaysPer400);
    days %= kDaysPer400;
    std::uint64_t centuries = days / kDaysPer100;
    if (centuries == 4) { // last day of a 400-year cycle belongs to its leap year
        centuries = 3;
    }
    days -= centuries * kDaysPer100;
    year += 100 * centuries;
    year += 4 * (days / kDaysPer4);
    days %= kDaysPer4;
    std::uint64_t years = days / 365;
    if (years == 4) { // last day of a 4-year cycle is 31 December of its leap year
        years = 3;
    }
    days -= years * 365;
    year += years;

    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const std::uint8_t monthDays[12] = {
        31, std::uint8_t(leap ? 29 : 28), 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    std::uint8_t month = 0;
    while (days >= monthDays[month]) {
        days -= monthDays[month];
        ++month;
    }
    out.year = std::uint16_t(year);
    out.month = std::uint8_t(month + 1);
    out.day = std::uint8_t(days + 1);
}

} // namespace

cFSTime FromFatDateTime(std::uint16_t date, std::uint16_t time) {
    cFSTime out;
    out.day = date & 0x1F;
    out.month = (date >> 5) & 0x0F;
    out.year = std::uint16_t(1980 + (date >> 9));
    out.second = std::uint8_t(2 * (time & 0x1F));
    out.minute = (time >> 5) & 0x3F;
    out.hour = std::uint8_t(time >> 11);
    return out;
}

cFSTime FromFileTime(std::uint64_t ticks) {
    cFSTime out;
    if (ticks >> 63) {
        return out;
    }
    const std::uint64_t seconds = ticks / kTicksPerSecond;
    const std::uint64_t secondOfDay = seconds % kSecondsPerDay;
    CivilFromDays(seconds / kSecondsPerDay, out);
    out.hour = std::uint8_t(secondOfDay / 3600);
    out.minute = std::uint8_t(secondOfDay / 60 % 60);
    out.second = std::uint8_t(secondOfDay % 60);
    return out;
}

cFSTime FromUnixTime(std::int64_t seconds) {
    // Times before 1601 or beyond the file-time range are not representable: unknown.
    constexpr std::int64_t kEarliest = -std::int64_t(kUnixEpochIn1601Seconds);
    constexpr std::int64_t kLatest = std::int64_t((~0ull >> 1) / kTicksPerSecond) - kEarliest;
    if (seconds < kEarliest || seconds > kLatest) {
        return {};
    }
    return FromFileTime(std::uint64_t(seconds - kEarliest) * kTicksPerSecond);
}

} // namespace fstime
