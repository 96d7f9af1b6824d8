// The scan command of the main window, headless: action 21 of the storage view opens a
// FAT32 partition whose boot sectors are zeroed and runs the recovery at once, its
// results join the partition as Scan0 to Scan3, unsaved, with the save button shown; a
// second scan from tool-bar button 52 numbers on from the last result; the rebuilt tree
// opens after each scan and browses like a volume.

#include "explorer_fixture.h"
#include "gui/controls/tool_bar_child.h"

namespace {

using explorer_test::ExplorerForm;

std::vector<std::u16string> ResultNames(cZelvaneForm& form) {
    std::vector<std::u16string> names;
    for (const auto& result : form.ScanResults().Results()) {
        names.push_back(result->Name());
    }
    return names;
}

TEST_F(ExplorerForm, ScanCommandsAddTheRecoveredResultsToThePartition) {
    cQORNDriveInstance* opened = OpenImage("fat32-noboot.img", "fat-scan.sh");
    ASSERT_NE(opened, nullptr);
    cBrowsing window(list_, false);
    window.form.StorageView().SelectNode(opened, &Root(*opened));
    window.form.OnCommand(nullptr, kActionActivate, explorer::kActScan);
    ASSERT_TRUE(window.form.BrowseShown());
    EXPECT_EQ(ResultNames(window.form),
              (std::vector<std::u16string>{u"Scan0", u"Scan1", u"Scan2", u"Scan3"}));
    EXPECT_TRUE(window.form.ScanResults().HasUnsaved());
    // The two detections, the table check, indexing and building, and the content scan
    // when rules lie beside the program.
    EXPECT_GE(jobWindows_, 5);
    // The closing box with the files each result holds.
    EXPECT_EQ(questions_, 1);
    const auto& rebuilt = *window.form.ScanResults().Results().front();
    EXPECT_EQ(rebuilt.Totals().files, 68u);
    EXPECT_EQ(&rebuilt.Scanned(), &Root(*opened));
    // The first result opens: its root lists the volume's folders.
    WaitForListing(window.form, window.host);
    EXPECT_EQ(window.form.ShownNode(), &rebuilt.Node());
    EXPECT_GE(RowOf(window.form, u"docs"), 0);

    window.form.OnCommand(&window.form.ToolBar(), kActionActivate, explorer::kCmdScan);
    ASSERT_EQ(window.form.ScanResults().Results().size(), 8u);
    EXPECT_EQ(window.form.ScanResults().Results()[4]->Name(), u"Scan4");
    WaitForListing(window.form, window.host);
    window.host.Render();
    EXPECT_TRUE(window.host.SavePng(gui_test::ShotPath("explorer-scanned.png")));
}

} // namespace
