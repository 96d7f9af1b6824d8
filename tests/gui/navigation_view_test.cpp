// The navigation view and its provider: refused requests change nothing, a short listing
// never moves the strip (the curve is stepped by hand), a provider without a view still
// lists, and the history is shown sorted.

#include "gui/controls/combo_box_child.h"
#include "gui/controls/progress_child.h"
#include "gui/navigation/navigation_child.h"
#include "gui/navigation/navigation_provider.h"
#include "gui/sdl/headless_host.h"
#include "views_support.h"

#include <chrono>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <vector>

using views_test::cRecordingForm;

namespace {

// Steps of the fake progress curve, given by the test instead of the clock.
class cStepTicker : public cNavigationTicker {
public:
    void Wait(std::uint32_t) override {
        std::unique_lock lock(mutex_);
        waiting_ = true;
        changed_.notify_all();
        changed_.wait(lock, [&] { return permits_ > 0 || woken_; });
        if (permits_ > 0) {
            --permits_;
            ++taken_;
        }
        waiting_ = false;
        changed_.notify_all();
    }
    void Wake() override {
        std::lock_guard lock(mutex_);
        woken_ = true;
        changed_.notify_all();
    }
    // Lets the job take one step and waits until it has finished it.
    void Step() {
        std::unique_lock lock(mutex_);
        const int target = taken_ + 1;
        ++permits_;
        changed_.notify_all();
        changed_.wait(lock, [&] { return (taken_ >= target && waiting_) || woken_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int permits_ = 0;
    int taken_ = 0;
    bool waiting_ = false;
    bool woken_ = false;
};

// Lists nothing; each listing waits until the test releases it.
class cGateProvider : public cNavigationProvider {
public:
    ~cGateProvider() override {
        Release();
        Stop();
    }
    bool IsValidPath(std::u16string_view path) override { return !path.empty() && path != u"/bad"; }
    void Release() {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    void Hold() {
        std::lock_guard lock(mutex_);
        open_ = false;
    }
    void WaitIdle() {
        for (int i = 0; i < 500 && IsRunning(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    std::vector<std::u16string> listed;
    std::vector<int> done;

protected:
    int List(const std::u16string& path) override {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return open_; });
        listed.push_back(path);
        return path == u"/empty" ? 3 : 0;
    }
    void NavigationDone(int result) override { done.push_back(result); }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
};

struct cNaviFixture {
    cNaviFixture()
        : form([&](cRecordingForm& f) {
              auto view = std::make_unique<cNavigationChild>(&provider, std::move(ownedTicker));
              navi = static_cast<cNavigationChild*>(
                  f.AddChild(std::move(view), 10, 10, -11, cNavigationChild::kHeight));
          }),
          host(form, 420, 200) {}

    // Lets the listing end and hands its actions to the view.
    void Finish() {
        provider.Release();
        provider.WaitIdle();
        host.RunWakeUps();
        provider.Hold();
    }
    int NaviDoneCommands() const {
        int n = 0;
        for (const auto& c : form.commands) {
            n += c.kind == kNaviDone;
        }
        return n;
    }

    cGateProvider provider;
    std::unique_ptr<cStepTicker> ownedTicker = std::make_unique<cStepTicker>();
    cStepTicker* ticker = ownedTicker.get();
    cNavigationChild* navi = nullptr;
    cRecordingForm form;
    cHeadlessHost host;
};

TEST(NavigationView, RefusesWhileListingAndChangesNothing) {
    cNaviFixture f;
    EXPECT_FALSE(f.navi->NavigateTo(u"/bad"));
    EXPECT_FALSE(f.navi->NavigateTo(u""));
    EXPECT_EQ(f.navi->State(), cNavigationChild::kIdle);
    EXPECT_TRUE(f.navi->History().empty());

    ASSERT_TRUE(f.navi->NavigateTo(u"/a"));
    EXPECT_EQ(f.navi->State(), cNavigationChild::kListing);
    EXPECT_TRUE(f.navi->Strip().IsVisible());
    EXPECT_FALSE(f.navi->NavigateTo(u"/b"));
    EXPECT_FALSE(f.provider.Navigate(nullptr, u"/c"));
    EXPECT_EQ(f.navi->ShownPath(), u"/a");
    EXPECT_EQ(f.provider.Path(), u"/a");
    EXPECT_EQ(f.navi->History(), (std::set<std::u16string>{u"/a"}));
    EXPECT_EQ(f.navi->State(), cNavigationChild::kListing);
    EXPECT_TRUE(f.host.SavePng(views_test::ShotPath("navigation_listing.png")));

    f.Finish();
    EXPECT_EQ(f.navi->State(), cNavigationChild::kIdle);
    EXPECT_FALSE(f.navi->Strip().IsVisible());
    EXPECT_EQ(f.provider.listed, std::vector<std::u16string>{u"/a"});
    EXPECT_EQ(f.provider.done, std::vector<int>{0});
    EXPECT_EQ(f.NaviDoneCommands(), 1);
    // A missing path is refused by the provider itself.
    EXPECT_FALSE(f.provider.Navigate(nullptr, std::nullopt));
}

TEST(NavigationView, ShortListingNeverMovesTheStrip) {
    cNaviFixture f;
    ASSERT_TRUE(f.navi->NavigateTo(u"/a"));
    // Five steps of 200 ms: 1 s, still inside the quiet 1.25 s.
    for (int step = 0; step < 5; ++step) {
        f.ticker->Step();
        f.host.RunWakeUps();
        EXPECT_EQ(f.navi->Strip().Position(), 0) << "step " << step;
    }
    f.Finish();
    EXPECT_EQ(f.navi->State(), cNavigationChild::kIdle);
    EXPECT_FALSE(f.navi->Strip().IsVisible());
}

TEST(NavigationView, LongListingFollowsTheCurve) {
    cNaviFixture f;
    ASSERT_TRUE(f.navi->NavigateTo(u"/a"));
    std::vector<int> positions;
    for (int step = 0; step < 12; ++step) {
        f.ticker->Step();
        f.host.RunWakeUps();
        positions.push_back(f.navi->Strip().Position());
    }
    // Quiet for five steps, 0 at the sixth (value 0.25), then rising ever more slowly.
    const std::vector<int> expected = {0, 0, 0, 0, 0, 0, 32, 63, 95, 126, 156, 186};
    EXPECT_EQ(positions, expected);
    EXPECT_TRUE(f.host.SavePng(views_test::ShotPath("navigation_progress.png")));
    f.Finish();
    EXPECT_EQ(f.navi->Strip().Position(), 1000); // the last value, 1.0
    EXPECT_FALSE(f.navi->Strip().IsVisible());
    // A second listing starts the curve again from zero.
    ASSERT_TRUE(f.navi->NavigateTo(u"/b"));
    EXPECT_EQ(f.navi->Strip().Position(), 0);
    f.ticker->Step();
    f.host.RunWakeUps();
    EXPECT_EQ(f.navi->Strip().Position(), 0);
    f.Finish();
}

TEST(NavigationView, ProviderWithoutViewStillListsAndCompletes) {
    cGateProvider provider;
    provider.Release();
    ASSERT_TRUE(provider.Navigate(nullptr, u"/empty"));
    provider.WaitIdle();
    EXPECT_EQ(provider.listed, std::vector<std::u16string>{u"/empty"});
    EXPECT_EQ(provider.done, std::vector<int>{3});
}

TEST(NavigationView, ViewGoneBeforeTheListingEnds) {
    cGateProvider provider;
    {
        cRecordingForm form([&](cRecordingForm& f) {
            f.Add<cNavigationChild>(0, 0, 300, cNavigationChild::kHeight, &provider);
        });
        cHeadlessHost host(form, 300, 60);
        auto* navi = static_cast<cNavigationChild*>(form.Children().front().get());
        ASSERT_TRUE(navi->NavigateTo(u"/a"));
    }
    provider.Release();
    provider.WaitIdle();
    EXPECT_EQ(provider.done, std::vector<int>{0});
}

TEST(NavigationView, HistoryShowsSortedAndChoosingNavigates) {
    cNaviFixture f;
    for (const char16_t* path : {u"/c", u"/a", u"/b", u"/a"}) {
        ASSERT_TRUE(f.navi->NavigateTo(path));
        f.Finish();
    }
    f.navi->ShowHistory();
    EXPECT_EQ(f.navi->State(), cNavigationChild::kHistoryShown);
    const cComboBoxChild* combo = nullptr;
    for (const auto& child : f.navi->Children()) {
        if (auto* c = dynamic_cast<cComboBoxChild*>(child.get())) {
            combo = c;
        }
    }
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->Items(), (std::vector<std::u16string>{u"/a", u"/b", u"/c"}));
    EXPECT_TRUE(f.host.SavePng(views_test::ShotPath("navigation_history.png")));
    // To the top of the open list, one down, Enter: "/b".
    for (int i = 0; i < 4; ++i) {
        f.host.Key(key::kUp);
    }
    f.host.Key(key::kDown);
    f.host.Key(key::kEnter);
    EXPECT_EQ(f.navi->State(), cNavigationChild::kListing);
    EXPECT_EQ(f.navi->ShownPath(), u"/b");
    f.Finish();
    EXPECT_EQ(f.provider.listed.back(), u"/b");
}

} // namespace
