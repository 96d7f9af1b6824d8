// The FAT reconstruction's progress forms over the headless host: the four steps run one
// after the other on a floppy whose boot sector is zeroed, and a check form of the wrong
// width refusing to run its step.

#include "app/recovery/fat_progress_forms.h"
#include "gui/gui_test_support.h"
#include "gui/sdl/headless_host.h"
#include "scan/vstorage.h"
#include "support/fixtures.h"
#include "support/mem_io.h"

#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <thread>

namespace {

// Shows the form, which starts its job, and waits for the job's end; shot: the picture
// of the finished form.
void RunForm(cFATStepForm& form, const std::string& shot = {}) {
    cHeadlessHost host(form, cBasicProgressForm::kWidth, cBasicProgressForm::kHeight, true);
    while (form.IsRunning()) {
        host.RunWakeUps();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    host.RunWakeUps();
    if (!shot.empty()) {
        EXPECT_TRUE(host.SavePng(gui_test::ShotPath(shot)));
    }
}

TEST(FatProgressForms, TheStepsRunBehindTheirForms) {
    gui_test::RegisterPacks();
    std::ifstream in(fixtures::Image("fat-scan.sh", "fat12-noboot.img"), std::ios::binary);
    cMemIO io(std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {}));
    cFATReconstructor reconstructor(io, 0, io.GetSectorCount());

    cFATDetectProgressForm detect(reconstructor, true);
    RunForm(detect, "fat_detect_progress.png");
    ASSERT_EQ(reconstructor.Geometry().fatType, fatscan::FatType::kFat12);

    cCheckFAT32ProgressForm wrongWidth(reconstructor);
    RunForm(wrongWidth);
    EXPECT_FALSE(reconstructor.Table().IsLoaded());
    cCheckFATProgressForm check(reconstructor);
    RunForm(check);
    EXPECT_TRUE(reconstructor.Table().IsLoaded());

    cFATIndexProgressForm index(reconstructor);
    RunForm(index);
    EXPECT_FALSE(reconstructor.Records().empty());

    cQORNVStorage tree;
    cFATRecoverProgressForm recover(reconstructor, {&tree, nullptr, nullptr});
    RunForm(recover, "fat_recover_progress.png");
    ASSERT_NE(tree.Root(), kNoItem);
    EXPECT_NE(tree.FirstFile(tree.Root()), kNoItem);
}

} // namespace
