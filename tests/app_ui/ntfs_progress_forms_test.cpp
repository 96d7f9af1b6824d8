// The NTFS deep scan's progress forms over the headless host: detection finds the volume
// of an image whose boot sectors are zeroed, and the long scan behind its form fills the
// tree result with the volume's files.

#include "app/recovery/ntfs_progress_forms.h"
#include "gui/gui_test_support.h"
#include "gui/sdl/headless_host.h"
#include "part/part_tree.h"
#include "scan/vstorage.h"
#include "support/fixtures.h"
#include "support/mem_io.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <thread>

namespace {

// Shows the form, which starts its job, and waits for the job's end; shot: the picture
// of the finished form.
void RunForm(cBasicProgressForm& form, const std::string& shot) {
    cHeadlessHost host(form, cBasicProgressForm::kWidth, cBasicProgressForm::kHeight, true);
    while (form.IsRunning()) {
        host.RunWakeUps();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    host.RunWakeUps();
    EXPECT_TRUE(host.SavePng(gui_test::ShotPath(shot)));
}

TEST(NtfsProgressForms, DetectionThenTheLongScan) {
    gui_test::RegisterPacks();
    std::ifstream in(fixtures::Image("ntfs-volume.sh", "ntfs.img"), std::ios::binary);
    std::vector<std::uint8_t> image(std::istreambuf_iterator<char>(in), {});
    ASSERT_GT(image.size(), 1024u);
    std::fill_n(image.begin(), 512, 0);
    std::fill_n(image.end() - 512, 512, 0);
    cMemIO io(std::move(image));
    cPartRecord record;
    record.SetRecord(&io, 0, io.GetSectorCount(), 0x07);

    cNTFSDetectProgressForm detect(record);
    RunForm(detect, "ntfs_detect_progress.png");
    ASSERT_TRUE(detect.Found().geometry);
    EXPECT_EQ(detect.Found().geometry->clusterSize, 1024u);

    cQORNVStorage tree;
    cQORNVStorage deleted;
    cQORNVStorage damaged;
    cNTFSLongScanProgressForm scan(record, *detect.Found().geometry, {&tree, &deleted, &damaged});
    RunForm(scan, "ntfs_long_scan_progress.png");
    EXPECT_TRUE(scan.Outcome().finished);
    EXPECT_GT(scan.Outcome().counts[0], 2000u);
    ASSERT_NE(tree.Root(), kNoItem);
    EXPECT_NE(tree.FirstSubfolder(tree.Root()), kNoItem);
}

} // namespace
