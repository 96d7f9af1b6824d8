// The SDL window maker on a real X server (run through with_xvfb.sh; skipped without a
// display). While the window thread waits, a push from another thread makes SDL send an
// X message to its newest window, whatever window the event is for: modal windows that
// open and close under a stream of wake-ups from workers must never be such a target
// after they are gone, and an X error, should one come anyway, must not end the
// program (Xlib's own handler exits).

#include "gui/custom_form.h"
#include "gui/sdl/ww_maker.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <thread>
#include <vector>
// Xlib's macros (None, Bool) would break the test framework's headers: last.
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>

namespace {

constexpr int kTickKind = 301;
constexpr int kEndKind = 302;
constexpr int kRounds = 300;

class cCountingForm : public cCustomForm {
public:
    void OnAction(cChildAction& action) override {
        if (action.Kind() == kTickKind) {
            ++ticks;
        }
    }
    std::atomic<int> ticks{0};
};

// Ends itself through a wake-up from a worker of its own, a moment after it opened,
// so that the loop waits while it is the newest window.
class cBriefForm : public cCustomForm {
public:
    explicit cBriefForm(int delayUs) : delayUs_(delayUs) {}
    ~cBriefForm() override { ender_.join(); }
    void OnCreate() override {
        ender_ = std::thread([this] {
            std::this_thread::sleep_for(std::chrono::microseconds(delayUs_));
            PostChildAction(*this, std::make_unique<cChildAction>(kEndKind));
        });
    }
    void OnAction(cChildAction& action) override {
        if (action.Kind() == kEndKind) {
            EndForm(7);
        }
    }

private:
    int delayUs_;
    std::thread ender_;
};

class cWWMakerX11Test : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY")) {
            GTEST_SKIP() << "no X display";
        }
        setenv("SDL_VIDEODRIVER", "x11", 1);
        if (!maker_.Initialise()) {
            GTEST_SKIP() << "SDL cannot open the X display";
        }
    }
    cWWMaker maker_;
};

TEST_F(cWWMakerX11Test, ModalWindowsComeAndGoWhileWorkersWakeTheMainWindow) {
    cCountingForm main;
    cWindowHolder* holder = maker_.CreateWindow(main, {20, 20, 300, 200}, nullptr, 0);
    ASSERT_NE(holder, nullptr);

    std::atomic<bool> stop{false};
    std::atomic<int> posted{0};
    std::vector<std::thread> workers;
    for (int i = 0; i < 3; ++i) {
        workers.emplace_back([&, i] {
            while (!stop) {
                if (PostChildAction(main, std::make_unique<cChildAction>(kTickKind))) {
                    ++posted;
                }
                std::this_thread::sleep_for(std::chrono::microseconds(300 + 400 * i));
            }
        });
    }
    int ended = 0;
    for (int i = 0; i < kRounds; ++i) {
        cBriefForm dialog(500 + 250 * (i % 8));
        ended += maker_.RunModal(dialog, 120, 80, &main, false) == 7 ? 1 : 0;
    }
    stop = true;
    for (std::thread& worker : workers) {
        worker.join();
    }
    EXPECT_EQ(ended, kRounds);
    EXPECT_GT(posted.load(), 0);
    EXPECT_GT(main.ticks.load(), 0);
    maker_.Destroy(holder);
}

// A request about a window that is gone, as a wake-up racing with a window's
// destruction would make, on the display SDL draws with.
TEST_F(cWWMakerX11Test, AnXErrorIsLoggedAndTheProgramGoesOn) {
    cCustomForm form;
    cWindowHolder* holder = maker_.CreateWindow(form, {0, 0, 100, 80}, nullptr, 0);
    ASSERT_NE(holder, nullptr);
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    ASSERT_TRUE(SDL_GetWindowWMInfo(static_cast<SDL_Window*>(holder->Host().Self()), &info));
    ASSERT_EQ(info.subsystem, SDL_SYSWM_X11);
    Display* display = info.info.x11.display;
    const Window gone =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 10, 10, 0, 0, 0);
    XDestroyWindow(display, gone);
    XEvent message{};
    message.xclient.type = ClientMessage;
    message.xclient.window = gone;
    message.xclient.format = 8;
    XSendEvent(display, gone, False, NoEventMask, &message);
    XSync(display, False);
    // Still here, and the window still works.
    EXPECT_TRUE(PostChildAction(form, std::make_unique<cChildAction>(kTickKind)));
    maker_.Destroy(holder);
}

} // namespace
