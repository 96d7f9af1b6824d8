// The SDL window maker on SDL's "dummy" video driver: modal runs end through wake-ups
// posted from worker threads, and a quit ends nested runs.

#include "base/job.h"
#include "gui/basic_progress_form.h"
#include "gui/sdl/ww_maker.h"
#include "gui_test_support.h"

#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <thread>

namespace {

constexpr int kEndKind = 300;

class cEndAction : public cChildAction {
public:
    explicit cEndAction(int code) : cChildAction(kEndKind), code(code) {}
    int code;
};

// Ends itself with the code a worker sends after a short while.
class cSelfEndingForm : public cCustomForm {
public:
    explicit cSelfEndingForm(int code) : code_(code) {}
    ~cSelfEndingForm() override { worker_.join(); }
    void OnCreate() override {
        worker_ = std::thread([this] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            PostChildAction(*this, std::make_unique<cEndAction>(code_));
        });
    }
    void OnAction(cChildAction& action) override {
        if (action.Kind() == kEndKind) {
            EndForm(static_cast<cEndAction&>(action).code);
        }
    }

private:
    int code_;
    std::thread worker_;
};

class cQuickProgressForm : public cBasicProgressForm {
public:
    ~cQuickProgressForm() override { Stop(); }

protected:
    unsigned Run() override {
        for (int i = 0; i <= 10; ++i) {
            OnProgress(i * 10.0);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return 5;
    }
};

class cWWMakerTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        if (!maker_.Initialise()) {
            GTEST_SKIP() << "SDL has no dummy video driver";
        }
    }
    cWWMaker maker_;
};

TEST_F(cWWMakerTest, ModalRunEndsWithTheCodeAWorkerSent) {
    cSelfEndingForm form(42);
    EXPECT_EQ(maker_.RunModal(form, 200, 100, nullptr, false), 42);
    EXPECT_EQ(form.FormHost(), nullptr); // the window is gone, and the form knows it
}

TEST_F(cWWMakerTest, ProgressFormEndsWithItsJobsResult) {
    gui_test::RegisterPacks();
    cQuickProgressForm form;
    EXPECT_EQ(maker_.RunModal(form, cBasicProgressForm::kWidth, cBasicProgressForm::kHeight,
                              nullptr, false),
              5);
}

TEST_F(cWWMakerTest, WindowsAreSizedToTheirClientArea) {
    cCustomForm form;
    cWindowHolder* holder =
        maker_.CreateWindow(form, {10, 20, 300, 150}, nullptr, window_style::kHidden);
    ASSERT_NE(holder, nullptr);
    EXPECT_EQ(form.Rect(), (cRect{0, 0, 300, 150}));
    const cRect placed = holder->Host().WindowRect();
    EXPECT_EQ(placed.w, 300);
    EXPECT_EQ(placed.h, 150);
    maker_.Destroy(holder);
    EXPECT_EQ(form.FormHost(), nullptr);
}

TEST_F(cWWMakerTest, QuitEndsTheMessageLoopWithItsCode) {
    std::thread quitter([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        maker_.PostQuit(3);
    });
    EXPECT_EQ(maker_.RunMessageLoop(), 3);
    quitter.join();
}

} // namespace

namespace {

TEST_F(cWWMakerTest, RawBytesStayOnTheClipboardUntilTextReplacesThem) {
    cCustomForm form;
    cWindowHolder* holder =
        maker_.CreateWindow(form, {0, 0, 100, 100}, nullptr, window_style::kHidden);
    ASSERT_NE(holder, nullptr);
    cWindowRequestTarget& host = holder->Host();
    const std::uint8_t bytes[] = {0x00, 0xFF, 0x10};
    ASSERT_TRUE(host.SetClipboardBytes(bytes));
    ASSERT_TRUE(host.ClipboardBytes());
    EXPECT_EQ(*host.ClipboardBytes(),
              std::vector<std::uint8_t>(std::begin(bytes), std::end(bytes)));
    EXPECT_TRUE(host.ClipboardHasData(false));
    ASSERT_TRUE(host.SetClipboardText(u"текст"));
    EXPECT_FALSE(host.ClipboardBytes());
    EXPECT_EQ(host.ClipboardText().value_or(u""), u"текст");
    EXPECT_TRUE(host.ClipboardHasData(true));
    maker_.Destroy(nullptr);
}

TEST_F(cWWMakerTest, ControlsMeasureTextBeforeTheirFormHasAWindow) {
    cCustomForm form;
    auto* label = form.Add<cChildElement>(0, 0, 10, 10);
    EXPECT_GT(label->TextExtent(u"Остановить").w, 40);
}

} // namespace
