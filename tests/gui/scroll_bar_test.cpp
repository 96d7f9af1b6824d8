// Scroll-bar arithmetic and the scroll-bar control, up to the content heights of
// recovered folders with hundreds of thousands of rows.

#include "gui/controls/scroll_axis.h"
#include "gui/controls/scroll_bar.h"
#include "gui/custom_form.h"
#include "gui/sdl/headless_host.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

TEST(ScrollAxis, ClampsAndMapsTheThumb) {
    cScrollAxis axis;
    axis.SetExtent(1000, 100);
    EXPECT_TRUE(axis.SetPosition(5000));
    EXPECT_EQ(axis.Position(), 900);
    EXPECT_EQ(axis.Thumb(200), (std::pair<int, int>{180, 20}));
    EXPECT_EQ(axis.PositionForThumb(200, 180), 900);
    EXPECT_EQ(axis.PositionForThumb(200, -50), 0);
    // A thumb that fills its track leaves the position alone.
    EXPECT_EQ(axis.PositionForThumb(10, 0), 900);
    // Shrinking content pulls the position back; huge content keeps a grabbable thumb
    // and does not overflow.
    axis.SetExtent(300, 100);
    EXPECT_EQ(axis.Position(), 200);
    axis.SetExtent(200'000 * 22, 400);
    EXPECT_EQ(axis.Thumb(400).second, cScrollAxis::kMinThumb);
    axis.SetPosition(axis.MaxPosition());
    EXPECT_EQ(axis.Thumb(400).first, 400 - cScrollAxis::kMinThumb);
    axis.SetExtent(50, 100);
    EXPECT_FALSE(axis.Needed());
    EXPECT_EQ(axis.Position(), 0);
}

TEST(ScrollAxis, WheelDistanceIsThreeLinesANotchAndNeverNothing) {
    struct cCase {
        int delta, line, distance;
    };
    constexpr int kMax = std::numeric_limits<int>::max();
    const cCase cases[] = {
        {120, 22, -66},      {-120, 22, 66}, {-240, 1, 6}, {10, 22, -5},
        {1, 22, -1},         {-1, 22, 1},    {0, 22, 0},   {kMax, kMax, -kMax - 1},
        {-kMax, kMax, kMax},
    };
    for (const cCase& c : cases) {
        EXPECT_EQ(cScrollAxis::WheelDistance(c.delta, c.line), c.distance)
            << c.delta << " " << c.line;
    }
}

struct cScrollLog : cCustomForm {
    bool OnCommand(cChildElement* source, int kind, int item) override {
        if (kind == kActionScroll) {
            positions.push_back(item);
        }
        return true;
    }
    std::vector<int> positions;
};

// A vertical bar with a 600-pixel track between its 14-pixel arrows.
struct cBarFixture {
    cBarFixture() : host(form, 100, 700) {
        bar = form.Add<cVScroll>(0, 0, cScrollBarBase::kThickness, 628);
    }
    cScrollLog form;
    cHeadlessHost host;
    cScrollBarBase* bar;
};

TEST(ScrollBar, ArrowsStepLinesWheelsThreeAndTheTrackPages) {
    cBarFixture f;
    f.bar->SetRange(10, 109, 20); // positions 10..90
    EXPECT_EQ(f.bar->Position(), 10);
    f.host.Click(7, 620); // the lower arrow
    f.host.Click(7, 500); // the track below the thumb
    f.host.Click(7, 5);   // the upper arrow
    EXPECT_EQ(f.form.positions, (std::vector<int>{11, 31, 30}));
    f.bar->SetPosition(1000);
    EXPECT_EQ(f.bar->Position(), 90);
    // With a line of 5 units an arrow moves 5 and a wheel notch 15.
    f.bar->SetLineStep(5);
    f.host.Click(7, 5);
    f.host.Wheel(120, 7, 300);
    EXPECT_EQ(f.bar->Position(), 70);
}

TEST(ScrollBar, HugeRangesDragAndPaintWithoutOverflow) {
    // 200,000 rows of 22 pixels on a 600-pixel track: travel times range is past 2^31.
    constexpr int kContent = 200'000 * 22, kPage = 600, kMax = kContent - kPage;
    cBarFixture f;
    f.bar->SetRange(0, kContent - 1, kPage);
    // The smallest thumb sits at the top of the track: drag it to the bottom.
    f.host.Press(7, 14 + 9);
    f.host.MouseMove(7, 14 + 600);
    f.host.Release(7, 14 + 600);
    EXPECT_EQ(f.bar->Position(), kMax);
    f.host.Render();
    // Halfway down the track is halfway through the content.
    f.host.Press(7, 14 + 600 - 9);
    f.host.MouseMove(7, 14 + 291 + 9);
    f.host.Release(7, 14 + 291 + 9);
    EXPECT_EQ(f.bar->Position(), (std::int64_t(291) * kMax + 291) / 582);
    f.host.Render();

    // The whole int range is cut to a span the int holds; no step leaves it.
    constexpr int kLow = std::numeric_limits<int>::min(), kHigh = std::numeric_limits<int>::max();
    f.bar->SetRange(kLow, kHigh, 10);
    f.bar->Step(kHigh);
    f.bar->Step(kHigh);
    EXPECT_EQ(f.bar->Position(), kLow + (kHigh - 10));
    f.bar->Step(kLow);
    f.bar->Step(kLow);
    EXPECT_EQ(f.bar->Position(), kLow);
    f.host.Render();
}

} // namespace
