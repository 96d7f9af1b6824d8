// The progress form: status texts with a controlled clock, the update limit, stages,
// the stop button, refused closing, and the end with the job's result.

#include "gui/basic_progress_form.h"
#include "gui/controls/progress_child.h"
#include "gui/progress_view_update_job.h"
#include "gui/sdl/headless_host.h"
#include "gui_test_support.h"

#include <atomic>
#include <cmath>
#include <gtest/gtest.h>
#include <set>

namespace {

// Runs until stopped, then ends with 7.
class cWaitingForm : public cBasicProgressForm {
public:
    using cBasicProgressForm::cBasicProgressForm;
    ~cWaitingForm() override { Stop(); }
    std::atomic<std::uint64_t> now{1000};

protected:
    unsigned Run() override {
        while (!IsStopRequested()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return 7;
    }
};

struct cProgressFixture : ::testing::Test {
    void Drain() { host.RunWakeUps(); }
    // Before the form: it takes its texts when the host creates it, so a fixture that
    // registered the packs in its body would see none when it runs first.
    bool packsRegistered = (gui_test::RegisterPacks(), true);
    // Stage 3 is named by text 3 of the form's section.
    cWaitingForm form{{{3, 3}}};
    // Before the host exists: creating the form takes the start time.
    bool clockSet = (form.SetClock([this] { return form.now.load(); }), true);
    cHeadlessHost host{form, cBasicProgressForm::kWidth, cBasicProgressForm::kHeight, true};
};

TEST_F(cProgressFixture, StatusShowsStageShareSpentAndLeftTime) {
    EXPECT_EQ(form.StatusText(), u"Инициализация...");
    form.now = 1000 + 3723000; // 1 h 2 min 3 s later
    EXPECT_TRUE(form.OnProgress(25.0));
    Drain();
    EXPECT_EQ(form.BarPosition(), 250);
    EXPECT_EQ(form.StatusText(), u"Инициализация...: выполнено 25.0%. Затраченное время: 01:02:03. "
                                 u"Осталось примерно: 03:06:09.");
    EXPECT_TRUE(host.SavePng(gui_test::ShotPath("progress_form_status.png")));
}

TEST_F(cProgressFixture, UpdatesComeAtMostEvery500MsAndNaNChangesNothing) {
    form.now = 2000;
    form.OnProgress(10.0);
    Drain();
    form.now = 2400;
    form.OnProgress(20.0); // too soon
    form.now = 2600;
    EXPECT_TRUE(form.OnProgress(std::nan(""))); // not a number: dropped
    Drain();
    EXPECT_EQ(form.BarPosition(), 100);
    form.now = 2501 + 500;
    form.OnProgress(30.0);
    Drain();
    EXPECT_EQ(form.BarPosition(), 300);
}

TEST_F(cProgressFixture, StagesNameTheWorkAndRestartTheClock) {
    form.now = 50000;
    form.SetStage(99); // not in the form's table
    Drain();
    EXPECT_EQ(form.StatusText(), u"Прогресс операции");
    EXPECT_EQ(form.BarPosition(), 0);
    form.now = 50000 + 61000;
    form.OnProgress(50.0);
    Drain();
    EXPECT_EQ(form.StatusText(), u"Прогресс операции: выполнено 50.0%. Затраченное время: "
                                 u"00:01:01. Осталось примерно: 00:01:01.");
    form.SetStage(3);
    Drain();
    EXPECT_EQ(form.StatusText(), u"Прогресс операции"); // text 3 of the section, by the table
}

TEST_F(cProgressFixture, CloseIsRefusedWhileRunningAndStopEndsWithTheJobsResult) {
    host.RequestClose();
    EXPECT_FALSE(host.EndCode());
    EXPECT_TRUE(form.IsStopRequested());
    EXPECT_FALSE(form.OnProgress(1.0)); // the worker learns it should stop
    // The job ends by itself now; its end arrives as an action.
    for (int i = 0; i < 200 && !host.EndCode(); ++i) {
        host.WaitForWakeUp(20);
        Drain();
    }
    EXPECT_EQ(host.EndCode(), 7);
}

TEST_F(cProgressFixture, StopButtonRequestsStop) {
    const cPoint at =
        gui_test::Centre(*gui_test::FindButton(form, cBasicProgressForm::kCommandStop));
    EXPECT_EQ(gui_test::FindButton(form, cBasicProgressForm::kCommandStop)->Caption(),
              u"Остановить");
    host.Click(at.x, at.y);
    EXPECT_TRUE(form.IsStopRequested());
    EXPECT_TRUE(host.SavePng(gui_test::ShotPath("progress_form.png")));
}

} // namespace

namespace {

TEST(GuiProgressView, UpdateJobPulsesTheBarUntilStopped) {
    cCustomForm form;
    cHeadlessHost host(form, 200, 40);
    auto* bar = form.Add<cProgressChild>(10, 10, 180, 10);
    std::set<int> seen;
    {
        cProgressViewUpdateJob pulse(*bar);
        ASSERT_TRUE(pulse.Start());
        for (int i = 0; i < 100 && seen.size() < 3; ++i) {
            host.WaitForWakeUp(200);
            host.RunWakeUps();
            seen.insert(bar->Opacity());
        }
    }
    EXPECT_GE(seen.size(), 3u);
    host.RunWakeUps();
    EXPECT_EQ(host.PostedWakeUps(), 0);
    EXPECT_EQ(cProgressViewUpdateJob::OpacityAt(0),
              cProgressViewUpdateJob::OpacityAt(20)); // periodic
}

} // namespace
