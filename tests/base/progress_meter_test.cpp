#include "base/progress_meter.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

TEST(ProgressMeterTest, NanAndTooFrequentReportsAreDropped) {
    cProgressMeter meter(1000);
    EXPECT_FALSE(meter.Accept(std::nan(""), 1000));
    ASSERT_TRUE(meter.Accept(10.0, 1000));  // the first report always shows
    EXPECT_FALSE(meter.Accept(11.0, 1500)); // not more than 500 ms later
    EXPECT_TRUE(meter.Accept(11.0, 1501));
    // A NaN does not count as an accepted update either.
    EXPECT_FALSE(meter.Accept(std::nan(""), 2100));
    EXPECT_TRUE(meter.Accept(12.0, 2100));
}

TEST(ProgressMeterTest, Readings) {
    struct Case {
        double percent;
        int bar;
        std::optional<std::uint64_t> remainingMs;
    };
    const double inf = std::numeric_limits<double>::infinity();
    // Elapsed is always 60 s below.
    const Case cases[] = {
        {25.0, 250, 180000},     {12.34, 123, 426223}, {100.0, 1000, 0}, {0.0, 0, std::nullopt},
        {-3.0, 0, std::nullopt}, {250.0, 1000, 0},     {inf, 1000, 0},   {-inf, 0, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.percent);
        cProgressMeter meter(0);
        const auto reading = meter.Accept(c.percent, 60000);
        ASSERT_TRUE(reading);
        EXPECT_EQ(reading->barPosition, c.bar);
        EXPECT_DOUBLE_EQ(reading->shownPercent, c.bar / 10.0);
        EXPECT_EQ(reading->elapsedMs, 60000u);
        EXPECT_EQ(reading->remainingMs, c.remainingMs);
    }
}

TEST(ProgressMeterTest, RestartCountsFromTheNewStage) {
    cProgressMeter meter(0);
    meter.Restart(10000);
    EXPECT_EQ(meter.Accept(50.0, 12000)->elapsedMs, 2000u);
}

TEST(ProgressMeterTest, HoursAreNotWrapped) {
    const cClockTime t = SplitMilliseconds((27ull * 3600 + 5 * 60 + 9) * 1000 + 999);
    EXPECT_EQ(t.hours, 27u);
    EXPECT_EQ(t.minutes, 5);
    EXPECT_EQ(t.seconds, 9);
}

} // namespace
