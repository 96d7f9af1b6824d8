// The program's run over the headless window maker: the order of its steps, the start-up
// window's look while the storages are found on another thread, and the exit codes.

#include "app/application.h"
#include "app/startup/bg_init_ui.h"
#include "gui/controls/static_element.h"
#include "gui/gui_test_support.h"
#include "gui/sdl/headless_maker.h"

#include <future>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace {

// Records every modal run: its size and whether it can be resized.
class cRecordingMaker : public cHeadlessMaker {
public:
    struct cRun {
        int width, height;
        bool resizable;
    };
    std::vector<cRun> runs;
    int RunModal(cCustomForm& form, int width, int height, cCustomForm* parent,
                 bool resizable) override {
        runs.push_back({width, height, resizable});
        return cHeadlessMaker::RunModal(form, width, height, parent, resizable);
    }
};

// Plays the window thread until the form has ended or `done` says so.
template <class Done> void Pump(cHeadlessHost& host, Done done) {
    for (int i = 0; i < 500 && !host.EndCode() && !done(); ++i) {
        host.WaitForWakeUp(10);
        host.RunWakeUps();
    }
}

class cMainStandIn : public cCustomForm {
public:
    cMainStandIn() : cCustomForm("qorns::zelvane") {}
};

struct cSteps {
    std::mutex lock;
    std::vector<std::string> names;
    void Add(std::string name) {
        std::lock_guard guard(lock);
        names.push_back(std::move(name));
    }
};

cApplicationParts RecordedParts(cSteps& steps, std::function<void()> findStorages) {
    cApplicationParts parts;
    parts.openSettings = [&] { steps.Add("settings"); };
    parts.registerPacks = [&] {
        gui_test::RegisterPacks();
        steps.Add("packs");
    };
    parts.findStorages = [&steps, findStorages] {
        steps.Add("storages");
        findStorages();
    };
    parts.makeMainForm = [&] {
        steps.Add("main form");
        return std::make_unique<cMainStandIn>();
    };
    parts.releaseStorages = [&] { steps.Add("release"); };
    return parts;
}

constexpr std::u16string_view kStarting = u"Запуск Drovik...";
constexpr std::u16string_view kScanning = u"Сканирование наличия подключенных хранилищ...";

TEST(Startup, StepsRunInOrderWhileTheStartupWindowWaitsForTheStorages) {
    cSteps steps;
    std::promise<void> shown;
    std::thread::id windowThread = std::this_thread::get_id(), storageThread;
    const cApplicationParts parts = RecordedParts(steps, [&] {
        storageThread = std::this_thread::get_id();
        // The start-up window stays up until the storages are found.
        shown.get_future().wait();
    });

    cRecordingMaker maker;
    maker.SetDriver([&](cHeadlessHost& host) {
        if (auto* startup = dynamic_cast<cBgInitUI*>(&host.Form())) {
            steps.Add("startup window");
            EXPECT_EQ(startup->Caption(), u"Drovik");
            EXPECT_EQ(startup->Status()->ShownText(), kStarting);
            Pump(host, [&] { return startup->Status()->ShownText() == kScanning; });
            EXPECT_EQ(startup->Status()->ShownText(), kScanning);
            host.RequestClose(); // refused: the storages are being found
            EXPECT_FALSE(host.EndCode());
            shown.set_value();
            Pump(host, [] { return false; });
            EXPECT_EQ(host.EndCode(), 0);
            return;
        }
        steps.Add("main window");
        host.Form().EndForm(7);
    });

    EXPECT_EQ(RunApplication(maker, parts), 7);
    EXPECT_EQ(steps.names,
              (std::vector<std::string>{"settings", "packs", "startup window", "storages",
                                        "main form", "main window", "release"}));
    EXPECT_NE(storageThread, windowThread);
    ASSERT_EQ(maker.runs.size(), 2u);
    EXPECT_EQ(maker.runs[0].width, 350);
    EXPECT_EQ(maker.runs[0].height, 90);
    EXPECT_FALSE(maker.runs[0].resizable);
    EXPECT_EQ(maker.runs[1].width, 700);
    EXPECT_EQ(maker.runs[1].height, 440);
    EXPECT_TRUE(maker.runs[1].resizable);
}

// A quit request (a signal, the session closing) ends the main window's run without an
// end code: the run ends as a closed window does, after the form had its close request.
TEST(Startup, AQuitWhileTheMainWindowIsOpenEndsTheRunCleanly) {
    class cClosable : public cCustomForm {
    public:
        explicit cClosable(int& asked) : cCustomForm("qorns::zelvane"), asked_(asked) {}
        void OnCloseRequest() override { ++asked_; }

    private:
        int& asked_;
    };
    cSteps steps;
    int asked = 0;
    cApplicationParts parts = RecordedParts(steps, [] {});
    parts.makeMainForm = [&] { return std::make_unique<cClosable>(asked); };
    cHeadlessMaker maker;
    maker.SetDriver([](cHeadlessHost& host) {
        if (dynamic_cast<cBgInitUI*>(&host.Form())) {
            Pump(host, [] { return false; });
        }
        // The main window's run ends as a quit ends it: no end code.
    });
    EXPECT_EQ(RunApplication(maker, parts), 0);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(steps.names.back(), "release");
}

// A maker that cannot open windows.
class cBrokenMaker : public cHeadlessMaker {
public:
    int RunModal(cCustomForm&, int, int, cCustomForm*, bool) override { return -1; }
};

TEST(Startup, NoWindowMeansExitCodeOneAndTheStoragesAreStillReleased) {
    cSteps steps;
    cBrokenMaker maker;
    EXPECT_EQ(RunApplication(maker, RecordedParts(steps, [] {})), kStartupFailed);
    EXPECT_EQ(steps.names, (std::vector<std::string>{"settings", "packs", "release"}));
}

TEST(Startup, WindowsColourValuesAreConvertedFromBlueGreenRed) {
    EXPECT_EQ(cBgInitUI::kTextColor, Rgb(0x40, 0x40, 0x40));
    EXPECT_EQ(cBgInitUI::kTextBackground, Rgb(0xDF, 0xE5, 0xF3));
}

TEST(Startup, StatusLineIsDrawnInItsOwnColours) {
    gui_test::RegisterPacks();
    cBgInitUI form([] {});
    cHeadlessHost host(form, cBgInitUI::kWidth, cBgInitUI::kHeight, true);
    const cBitmap& frame = host.Render();
    ASSERT_TRUE(host.SavePng(gui_test::ShotPath("startup_window.png")));

    // The line's background fills its 340 x 40 (two lines) and stops there.
    EXPECT_EQ(frame.At(339, 0), cBgInitUI::kTextBackground);
    EXPECT_EQ(frame.At(339, 15), cBgInitUI::kTextBackground);
    EXPECT_NE(frame.At(345, 8), cBgInitUI::kTextBackground);
    EXPECT_NE(frame.At(10, 40), cBgInitUI::kTextBackground);
    // The text itself: its darkest pixels are the text colour.
    int darkest = 255;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 340; ++x) {
            darkest = std::min(darkest, int(frame.At(x, y) & 0xFF));
        }
    }
    EXPECT_EQ(darkest, 0x40);
    Pump(host, [] { return false; });
    EXPECT_EQ(host.EndCode(), 0);
}

} // namespace
