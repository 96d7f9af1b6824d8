// Scan results in the main window, headless: a result drovik-cli made of a FAT32 volume
// without boot sectors loaded, browsed, copied out and compared with the volume's source
// tree, saved and loaded again by a new window; results added as the recovery flow adds
// them, their numbers, their deletion from the partition tree's menu, and the questions
// before they are lost.

#include "app_support.h"
#include "explorer_fixture.h"
#include "gui/controls/popup_master.h"
#include "gui/controls/tool_bar_child.h"
#include "part/part_tree.h"
#include "scan/result_file.h"
#include "scan/vstorage.h"
#include "support/mem_io.h"
#include "vfs/vfs.h"

#include <cstring>

namespace {

using explorer::cScanResult;
using explorer_test::ExplorerForm;
using explorer_test::ReadFile;
using gui_test::ShotPath;

// A tree as a scan leaves it: a folder holding one raw file of size bytes at sector at.
std::unique_ptr<cQORNVStorage> SmallTree(std::uint64_t at = 0, std::uint64_t size = 0) {
    auto tree = std::make_unique<cQORNVStorage>();
    const cVSItemId folder = tree->NewFolder("found");
    cVSFileInfo info;
    info.size = size;
    info.position = at;
    const cVSItemId file = tree->NewFile("file.bin", info);
    EXPECT_TRUE(tree->Insert(folder) && tree->Insert(file, folder));
    return tree;
}

class ScanResultCommands : public ExplorerForm {
protected:
    // The partition tree's captions, top to bottom.
    static std::vector<std::u16string> TreeRows(cZelvaneForm& form) {
        std::vector<std::u16string> rows;
        cTreeViewChild& tree = form.BrowseView().Partitions();
        for (int row = 0; row < tree.RowCount(); ++row) {
            rows.push_back(tree.RowItem(row)->Text());
        }
        return rows;
    }
    static std::vector<std::u16string> ResultNames(cZelvaneForm& form) {
        std::vector<std::u16string> names;
        for (const auto& result : form.ScanResults().Results()) {
            names.push_back(result->Name());
        }
        return names;
    }
    static int ToolCount(cZelvaneForm& form) { return int(form.ToolBar().Children().size()); }
    // Right-clicks the result's node in the partition tree and chooses the menu's command.
    void DeleteFromMenu(cZelvaneForm& form, cHeadlessHost& host, const cScanResult& result) {
        cTreeViewChild& tree = form.BrowseView().Partitions();
        int row = 0;
        while (row < tree.RowCount() && tree.RowItem(row)->Text().rfind(result.Name(), 0) != 0) {
            ++row;
        }
        ASSERT_LT(row, tree.RowCount());
        const cRect at = tree.FormRect();
        const int x = at.x + tree.Viewport().x + 60;
        const int y = at.y + tree.Viewport().y + row * cTreeViewChild::kRowHeight + 10;
        host.Press(x, y, eMouseButton::Right);
        host.Release(x, y, eMouseButton::Right);
        host.RunWakeUps();
        cPopupMaster* menu = nullptr;
        for (const auto& child : form.Children()) {
            menu = menu ? menu : dynamic_cast<cPopupMaster*>(child.get());
        }
        ASSERT_NE(menu, nullptr);
        host.Render();
        EXPECT_TRUE(host.SavePng(ShotPath("explorer-scan-result-menu.png")));
        menu->Choose(explorer::kCmdDeleteResult);
        host.RunWakeUps();
    }
};

TEST_F(ScanResultCommands, ALoadedResultBrowsesCopiesOutAndComesBackAfterARestart) {
    const std::string scratch = UseScratchSettings();
    const std::string image = fixtures::Image("fat-scan.sh", "fat32-noboot.img");
    const std::string source = fixtures::Folder("fat-scan.sh") + "/tree-32";
    const std::string base = scratch + "/cli";
    const auto scan = apptest::RunCli("scan " + apptest::Quoted(image) + " --method fat --out " +
                                      apptest::Quoted(base));
    ASSERT_EQ(scan.status, 0) << scan.output;
    cQORNDriveInstance* opened = OpenImage("fat32-noboot.img", "fat-scan.sh");
    ASSERT_NE(opened, nullptr);
    {
        cZelvaneForm form(list_);
        cHeadlessHost host(form, kZelvaneWidth, kZelvaneHeight);
        // Nothing to browse without boot sectors, but the partition opens for a scan.
        EXPECT_FALSE(form.Browse(*opened, Root(*opened)));
        EXPECT_EQ(questions_, 1);
        ASSERT_TRUE(form.Browse(*opened, Root(*opened), true));
        ASSERT_EQ(form.OpenedPartition(), &Root(*opened));
        const int plainTools = ToolCount(form);

        cScanResult* loaded = form.LoadScanResult(utf::FromUtf8(base + "-tree.drdb"));
        ASSERT_NE(loaded, nullptr);
        EXPECT_EQ(loaded->Name(), u"Scan0");
        EXPECT_TRUE(loaded->Saved());
        EXPECT_EQ(ToolCount(form), plainTools); // nothing to save
        WaitForListing(form, host);
        EXPECT_EQ(form.ShownNode(), &loaded->Node());
        ASSERT_GE(RowOf(form, u"Папка"), 0);
        // The result sits under its partition.
        const std::vector<std::u16string> rows = TreeRows(form);
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows[1], u"Scan0");
        // What the whole result holds, under the listing of its root.
        const std::vector<std::string> sourceFiles = [&] {
            std::vector<std::string> files;
            for (const auto& entry : std::filesystem::recursive_directory_iterator(source)) {
                if (entry.is_regular_file()) {
                    files.push_back(entry.path().string());
                }
            }
            return files;
        }();
        std::uint64_t sourceBytes = 0;
        for (const std::string& file : sourceFiles) {
            sourceBytes += std::filesystem::file_size(file);
        }
        EXPECT_EQ(loaded->Totals().files, sourceFiles.size());
        EXPECT_EQ(loaded->Totals().bytes, sourceBytes);
        EXPECT_EQ(utf::ToUtf8(form.BrowseView().StatusText()),
                  std::to_string(form.BrowseView().Rows().Count()) +
                      " объект(ов) в директории. В результате Scan0 найдено файлов: " +
                      std::to_string(sourceFiles.size()) + ", их общий размер " +
                      std::to_string(sourceBytes) + " байт.");
        host.Render();
        EXPECT_TRUE(host.SavePng(ShotPath("explorer-scan-result.png")));

        // A folder out through the copy window, as it was put on the volume.
        const std::string out = scratch + "/out";
        std::filesystem::create_directories(out);
        form.BrowseView().List().Select(RowOf(form, u"Папка"));
        host.RunWakeUps();
        chosen_ = utf::FromUtf8(out);
        const int jobWindows = jobWindows_;
        form.CopySelected();
        EXPECT_EQ(jobWindows_, jobWindows + 1); // the copy window
        EXPECT_EQ(apptest::TreeDifferences(source + "/Папка", out + "/Папка"),
                  std::vector<std::string>{});

        // As the recovery flow adds one: unsaved, the save command offered.
        auto tree = std::make_unique<cQORNVStorage>();
        ASSERT_EQ(drdb::LoadFile(base + "-tree.drdb", *tree), drdb::LoadError::None);
        cScanResult* added = form.AddScanResult(std::move(tree));
        ASSERT_NE(added, nullptr);
        EXPECT_EQ(added->Name(), u"Scan1");
        EXPECT_FALSE(added->Saved());
        EXPECT_EQ(TreeRows(form).back(), u"Scan1 (Не сохранен)");
        EXPECT_EQ(ToolCount(form), plainTools + 1);
        host.Render();
        EXPECT_TRUE(host.SavePng(ShotPath("explorer-scan-result-unsaved.png")));
        // Only the unsaved one is written, under the base name and its own.
        chosen_ = utf::FromUtf8(scratch + "/saved");
        form.SaveScanResults();
        EXPECT_TRUE(added->Saved());
        EXPECT_TRUE(std::filesystem::exists(scratch + "/saved-Scan1.drdb"));
        EXPECT_FALSE(std::filesystem::exists(scratch + "/saved-Scan0.drdb"));
        EXPECT_EQ(ReadFile(scratch + "/saved-Scan1.drdb"), ReadFile(base + "-tree.drdb"));
        EXPECT_EQ(TreeRows(form).back(), u"Scan1");
        EXPECT_EQ(ToolCount(form), plainTools);
        EXPECT_EQ(questions_, 1);
    }
    // A new window, as after the program was started again: the saved result loads
    // through the chooser of command 70 and browses into its folders.
    cZelvaneForm form(list_);
    cHeadlessHost host(form, kZelvaneWidth, kZelvaneHeight);
    ASSERT_TRUE(form.Browse(*opened, Root(*opened), true));
    chosen_ = utf::FromUtf8(scratch + "/saved-Scan1.drdb");
    form.OnCommand(nullptr, kActionActivate, explorer::kCmdLoadResult);
    ASSERT_EQ(ResultNames(form), std::vector<std::u16string>{u"Scan0"});
    WaitForListing(form, host);
    ASSERT_TRUE(form.OpenFolder(u"/Папка/Вложенная папка"));
    WaitForListing(form, host);
    EXPECT_GE(RowOf(form, u"Глубже"), 0);
    host.Render();
    EXPECT_TRUE(host.SavePng(ShotPath("explorer-scan-result-reloaded.png")));

    // Anything else is refused with message 146 and adds nothing.
    const std::string bogus = scratch + "/bogus.drdb";
    std::ofstream(bogus) << "QORNSRB0 but nothing after it";
    questions_ = 0;
    EXPECT_EQ(form.LoadScanResult(utf::FromUtf8(bogus)), nullptr);
    EXPECT_EQ(questions_, 1);
    EXPECT_EQ(form.ScanResults().Results().size(), 1u);
}

// Numbers follow the last result in the list; deleting asks only for an unsaved result,
// and a deleted result that was shown gives the partition back to the view.
TEST_F(ScanResultCommands, NumbersFollowTheLastResultAndDeletingAsksOnlyWhenUnsaved) {
    auto window = BrowseImage("fat12.img");
    ASSERT_NE(window, nullptr);
    cZelvaneForm& form = window->form;
    cHeadlessHost& host = window->host;
    cScanResult* first = form.AddScanResult(SmallTree());
    cScanResult* second = form.AddScanResult(SmallTree());
    ASSERT_TRUE(first && second);
    EXPECT_EQ(ResultNames(form), (std::vector<std::u16string>{u"Scan0", u"Scan1"}));

    form.ShowScanResult(*second);
    WaitForListing(form, host);
    EXPECT_GE(RowOf(form, u"found"), 0);
    answer_ = false;
    DeleteFromMenu(form, host, *second);
    EXPECT_EQ(questions_, 1); // 140, answered no
    ASSERT_EQ(form.ScanResults().Results().size(), 2u);
    answer_ = true;
    DeleteFromMenu(form, host, *second);
    EXPECT_EQ(questions_, 2);
    EXPECT_EQ(ResultNames(form), std::vector<std::u16string>{u"Scan0"});
    EXPECT_EQ(form.ShownNode(), form.OpenedPartition());
    WaitForListing(form, host);
    EXPECT_GE(RowOf(form, u"readme.txt"), 0);

    ASSERT_NE(form.AddScanResult(SmallTree()), nullptr);
    EXPECT_EQ(ResultNames(form), (std::vector<std::u16string>{u"Scan0", u"Scan1"}));
    ASSERT_TRUE(form.SaveScanResults(utf::FromUtf8(fixtures::ScratchDir() + "/kept")));
    DeleteFromMenu(form, host, *form.ScanResults().Results().front());
    EXPECT_EQ(questions_, 2); // saved: no question
    EXPECT_EQ(ResultNames(form), std::vector<std::u16string>{u"Scan1"});
    ASSERT_NE(form.AddScanResult(SmallTree()), nullptr);
    EXPECT_EQ(ResultNames(form).back(), u"Scan2");
    DeleteFromMenu(form, host, *form.ScanResults().Results().front());
    DeleteFromMenu(form, host, *form.ScanResults().Results().front());
    ASSERT_NE(form.AddScanResult(SmallTree()), nullptr);
    EXPECT_EQ(ResultNames(form), std::vector<std::u16string>{u"Scan0"});
}

TEST_F(ScanResultCommands, GoingBackAndOpeningAnotherPartitionAskWhileAResultIsUnsaved) {
    const std::string path = fixtures::Image("fat-images.sh", "disk.img");
    ASSERT_NE(list_.AddImageFile(utf::FromUtf8(path)), nullptr);
    cQORNDriveInstance& entry = *list_.Entries().back();
    cPartTreeItem& partition = *Root(entry).Children().front();
    cZelvaneForm form(list_);
    cHeadlessHost host(form, kZelvaneWidth, kZelvaneHeight);
    struct cCase {
        bool saved;
        bool answer;
        int questions;
        bool leaves;
    };
    for (const cCase& c : {cCase{true, false, 0, true}, cCase{false, false, 1, false},
                           cCase{false, true, 1, true}}) {
        SCOPED_TRACE(testing::Message() << c.saved << c.answer);
        for (const bool back : {true, false}) {
            if (!form.BrowseShown() || form.OpenedPartition() != &partition) {
                ASSERT_TRUE(form.Browse(entry, partition));
                WaitForListing(form, host);
            }
            form.ScanResults().Clear();
            ASSERT_NE(form.AddScanResult(SmallTree()), nullptr);
            if (c.saved) {
                form.ScanResults().Results().back()->MarkSaved();
            }
            questions_ = 0;
            answer_ = c.answer;
            // Back to the storages (126), or the whole disk opened to be scanned.
            EXPECT_EQ(back ? form.BackToStorages() : form.Browse(entry, Root(entry), true),
                      c.leaves);
            EXPECT_EQ(questions_, c.questions);
            EXPECT_EQ(form.OpenedPartition() == &partition, !c.leaves);
            EXPECT_EQ(form.ScanResults().Empty(), c.leaves);
        }
    }
}

TEST_F(ScanResultCommands, ClosingAsksWhileBrowsingWithUnsavedResults) {
    auto window = BrowseImage("fat12.img", true);
    ASSERT_NE(window, nullptr);
    cZelvaneForm& form = window->form;
    cHeadlessHost& host = window->host;
    ASSERT_NE(form.AddScanResult(SmallTree()), nullptr);
    answer_ = false;
    host.RequestClose();
    EXPECT_EQ(questions_, 1); // 174
    EXPECT_FALSE(host.EndCode().has_value());
    answer_ = true;
    host.RequestClose();
    EXPECT_EQ(questions_, 2);
    EXPECT_EQ(host.EndCode(), 0);
}

// A FAT volume found to start later than its partition: the result's raw files read from
// the corrected start, and a correction that leaves nothing makes no result.
TEST(ScanResultList, AStartShiftMovesWhereRawFilesRead) {
    std::vector<std::uint8_t> disk(64 * 512);
    std::memcpy(&disk[(4 + 10 + 3) * 512], "shifted", 7);
    cMemIO storage(disk);
    cPartTree tree;
    auto node = std::make_unique<cPartTreeItem>();
    node->SetRecord(&storage, 4, 40, 0);
    cPartTreeItem& partition = tree.AddChild(nullptr, std::move(node));

    explorer::cScanResults results;
    EXPECT_EQ(results.Add(partition, SmallTree(3, 7), false, 40), nullptr);
    cScanResult* result = results.Add(partition, SmallTree(3, 7), false, 10);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->Number(), 0);
    EXPECT_EQ(result->Node().Start(), 14u);
    EXPECT_EQ(result->Node().Length(), 40u);
    EXPECT_EQ(result->Totals().files, 1u);
    EXPECT_EQ(result->Totals().bytes, 7u);
    cVFS& fs = result->FileSystem();
    auto file = fs.FindByPath(u"/found/file.bin", 0);
    ASSERT_NE(file, nullptr);
    auto handle = fs.OpenObject(*file);
    ASSERT_NE(handle, nullptr);
    char bytes[7] = {};
    ASSERT_EQ(handle->Read(bytes, 7), 7u);
    EXPECT_EQ(std::string(bytes, 7), "shifted");
    EXPECT_EQ(results.Find(&result->Node()), result);
    EXPECT_EQ(results.Find(&partition), nullptr);
}

} // namespace
