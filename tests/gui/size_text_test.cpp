// Sizes and dates in the one form every window uses: whole bytes, then two decimals in
// the largest unit that keeps the number at 1 or more, with the language's units and
// decimal mark; day, month, year and the time of day.

#include "gui/size_text.h"
#include "gui_test_support.h"

#include <gtest/gtest.h>

namespace {

TEST(SizeText, BytesThenTwoDecimalsInTheLargestUnit) {
    gui_test::RegisterPacks();
    EXPECT_EQ(ByteSizeText(0), u"0 Б");
    EXPECT_EQ(ByteSizeText(775), u"775 Б");
    EXPECT_EQ(ByteSizeText(1023), u"1023 Б");
    EXPECT_EQ(ByteSizeText(1024), u"1,00 КБ");
    EXPECT_EQ(ByteSizeText(1536), u"1,50 КБ");
    EXPECT_EQ(ByteSizeText(171798692), u"163,84 МБ");
    EXPECT_EQ(ByteSizeText(3ull << 30), u"3,00 ГБ");
    // Past the largest unit the number grows instead.
    EXPECT_EQ(ByteSizeText(2048ull << 40), u"2048,00 ТБ");
    EXPECT_EQ(ByteSizeText(UINT64_MAX), u"16777216,00 ТБ");
    EXPECT_EQ(GigabytesText(0.16), u"0,16 ГБ");
    EXPECT_EQ(GigabytesText(0.0), u"0,00 ГБ");
}

TEST(SizeText, DatesAsDayMonthYearAndTime) {
    EXPECT_EQ(DateTimeText(2024, 12, 31, 23, 59, 58), u"31.12.2024 23:59:58");
    EXPECT_EQ(DateTimeText(1980, 1, 1, 0, 0, 0), u"01.01.1980 00:00:00");
}

} // namespace
