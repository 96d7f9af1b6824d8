#include "vfs/fs_time.h"

#include <gtest/gtest.h>

namespace {

cFSTime Time(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return cFSTime{std::uint16_t(y), std::uint8_t(mo), std::uint8_t(d),
                   std::uint8_t(h),  std::uint8_t(mi), std::uint8_t(s)};
}

std::uint16_t FatDate(int y, int m, int d) {
    return std::uint16_t(((y - 1980) << 9) | (m << 5) | d);
}
std::uint16_t FatTime(int h, int m, int s) {
    return std::uint16_t((h << 11) | (m << 5) | (s / 2));
}

TEST(FsTime, FatWordsAtTheEndsOfTheirRange) {
    struct Case {
        std::uint16_t date, time;
        cFSTime expected;
    };
    const Case cases[] = {
        {FatDate(1980, 1, 1), FatTime(0, 0, 0), Time(1980, 1, 1)},
        {FatDate(2107, 12, 31), FatTime(23, 59, 58), Time(2107, 12, 31, 23, 59, 58)},
        {FatDate(2000, 2, 29), FatTime(12, 30, 10), Time(2000, 2, 29, 12, 30, 10)},
        {0xFFFF, 0xFFFF, Time(2107, 15, 31, 31, 63, 62)}, // damaged words: fields as stored
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fstime::FromFatDateTime(c.date, c.time), c.expected) << c.date << " " << c.time;
    }
}

TEST(FsTime, UnixSecondsAcrossLeapRules) {
    struct Case {
        std::int64_t seconds;
        cFSTime expected;
    };
    const Case cases[] = {
        {0, Time(1970, 1, 1)},
        {315532800, Time(1980, 1, 1)},
        {951782400, Time(2000, 2, 29)}, // 2000 is a leap year (divisible by 400)
        {951868800, Time(2000, 3, 1)},
        {978220800, Time(2000, 12, 31)}, // day 366 of a leap year
        {4107456000, Time(2100, 2, 28)},
        {4107542400, Time(2100, 3, 1)}, // 2100 is not
        {4354819199, Time(2107, 12, 31, 23, 59, 59)},
        {-1, Time(1969, 12, 31, 23, 59, 59)},
        {-11644473600, Time(1601, 1, 1)},
        {-11644473601, cFSTime{}}, // before 1601: unknown
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fstime::FromUnixTime(c.seconds), c.expected) << c.seconds;
    }
}

TEST(FsTime, FileTimeTicks) {
    EXPECT_EQ(fstime::FromFileTime(0), Time(1601, 1, 1));
    // 2020-06-15 08:09:10.5 UTC
    EXPECT_EQ(fstime::FromFileTime(132366821505000000ull), Time(2020, 6, 15, 8, 9, 10));
    // 1604-12-31 is the last day of the first leap year after 1601
    EXPECT_EQ(fstime::FromFileTime((365ull * 3 + 365) * 86400 * 10000000), Time(1604, 12, 31));
    EXPECT_EQ(fstime::FromFileTime(1ull << 63), cFSTime{});
}

} // namespace
