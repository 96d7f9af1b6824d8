// The imaging window over the headless host: a storage failing chosen sectors copied to a
// VMware disk, stopped by its Stop button and started again, ends with the image of the
// storage and the map of exactly the failed sectors; the figures of a run are drawn.

#include "app/imaging_window/imaging_form.h"
#include "base/lang/text_registry.h"
#include "base/utf.h"
#include "gui/gui_test_support.h"
#include "gui/sdl/headless_host.h"
#include "support/failing_io.h"
#include "support/fixtures.h"
#include "support/mem_io.h"

#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <thread>

namespace {

constexpr std::uint64_t kSectors = 30000;

std::u16string ImagingText(int number) {
    return std::u16string(lang::Registry().Text("qorns::imaging", number).value_or(u"?"));
}

void WaitForTheRun(imaging_window::cImagingForm& form, cHeadlessHost& host) {
    while (form.IsRunning()) {
        host.RunWakeUps();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    host.RunWakeUps();
}

std::vector<std::uint8_t> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(ImagingWindow, AStoppedRunGoesOnWhenStartedAgainAndEndsWithTheImageAndItsMap) {
    gui_test::RegisterPacks();
    std::vector<std::uint8_t> bytes(kSectors * 512);
    std::mt19937 random(5);
    for (auto& byte : bytes) {
        byte = std::uint8_t(random() | 1);
    }
    cFailingIO storage(std::make_unique<cMemIO>(bytes));
    const std::vector<std::uint64_t> bad = {17, 4000, 4001, 29999};
    for (const std::uint64_t sector : bad) {
        storage.FailSectors(sector);
        std::fill_n(bytes.begin() + std::ptrdiff_t(sector * 512), 512, 0);
    }

    imaging_window::cImagingForm form(storage);
    cHeadlessHost host(form, form.kWidth, form.kHeight, true);
    const std::string image = fixtures::ScratchDir() + "/window.vmdk";
    form.SetImagePath(utf::FromUtf8(image));
    form.SetFormat(imaging::eFormat::kVmdk);
    EXPECT_TRUE(host.SavePng(gui_test::ShotPath("imaging_window_ready.png")));

    // Stopped at once: the run ends at its first checkpoint, its map kept.
    host.Click(gui_test::Centre(*gui_test::FindButton(form, form.kCommandStart)).x,
               gui_test::Centre(*gui_test::FindButton(form, form.kCommandStart)).y);
    ASSERT_TRUE(form.IsRunning());
    const cPoint stop = gui_test::Centre(*gui_test::FindButton(form, form.kCommandStop));
    host.Click(stop.x, stop.y);
    WaitForTheRun(form, host);
    EXPECT_EQ(form.Status(), ImagingText(26));
    EXPECT_TRUE(host.SavePng(gui_test::ShotPath("imaging_window_stopped.png")));
    const std::vector<std::uint8_t> map = FileBytes(image + ".map");
    EXPECT_FALSE(map.empty());

    ASSERT_TRUE(form.StartImaging());
    EXPECT_EQ(form.Status(), ImagingText(24));
    WaitForTheRun(form, host);
    EXPECT_EQ(form.Status().substr(0, 5), ImagingText(25).substr(0, 5));
    EXPECT_TRUE(host.SavePng(gui_test::ShotPath("imaging_window_done.png")));
    const std::vector<std::uint8_t> text = FileBytes(image + ".map");
    EXPECT_EQ(std::string(text.begin(), text.end()),
              "# drovik image map: first sector, sector count, state\nsectors 30000\n"
              "0 17 good\n17 1 bad\n18 3982 good\n4000 2 bad\n4002 25997 good\n29999 1 bad\n");
    const std::string raw = image + ".raw";
    ASSERT_EQ(
        std::system(("qemu-img convert -f vmdk -O raw '" + image + "' '" + raw + "'").c_str()), 0);
    EXPECT_TRUE(FileBytes(raw) == bytes);

    // The figures of a run in its third pass, as the worker reports them.
    imaging::cProgress progress;
    progress.pass = 3;
    progress.rescuedBytes = 700ull << 20;
    progress.badBytes = 4096;
    progress.leftBytes = 324ull << 20;
    progress.bytesPerSecond = 85ull << 20;
    progress.secondsLeft = 3;
    form.ShowProgress(progress);
    EXPECT_TRUE(host.SavePng(gui_test::ShotPath("imaging_window_figures.png")));
}

} // namespace
