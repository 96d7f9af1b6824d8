// The main window's commands for the smaller forms, headless: a partition defined at the
// known offset of a disk whose table is wiped (storage action 10), its file system tested
// (22), browsed, searched from the current folder (148), its selection evaluated (149)
// and an object's properties shown (136). The forms are played as a user would.

#include "app/engine.h"
#include "app/explorer/browse_view.h"
#include "app/explorer/def_part_form.h"
#include "app/explorer/eval_size_form.h"
#include "app/explorer/fs_test_form.h"
#include "app/explorer/obj_props_ui.h"
#include "app/explorer/search_forms.h"
#include "app/explorer/storage_view.h"
#include "app/explorer/zelvane_window.h"
#include "base/utf.h"
#include "explorer_fixture.h"
#include "gui/controls/edit_child.h"
#include "gui/sdl/headless_host.h"
#include "gui/sdl/headless_maker.h"
#include "gui/views/list_view_child.h"
#include "gui_test_support.h"
#include "io/storage_list.h"
#include "part/storage_tree_builder.h"
#include "support/fixtures.h"

#include <fstream>
#include <gtest/gtest.h>
#include <vector>

namespace {

using namespace explorer;
using gui_test::FindButton;
using gui_test::ShotPath;

constexpr int kWidth = 1000;
constexpr int kHeight = 700;

template <class Done> void Pump(cHeadlessHost& host, Done done) {
    for (int i = 0; i < 2000 && !host.EndCode() && !done(); ++i) {
        host.WaitForWakeUp(10);
        host.RunWakeUps();
    }
}

// The main window fixture, its forms played by this test's own driver.
class FsToolCommands : public explorer_test::ExplorerForm {
protected:
    void SetUp() override {
        ExplorerForm::SetUp();
        maker_.SetDriver([this](cHeadlessHost& host) { Drive(host); });
    }

    void Drive(cHeadlessHost& host) {
        cCustomForm& form = host.Form();
        opened_.push_back(form.FormName());
        if (auto* define = dynamic_cast<cDefPartForm*>(&form)) {
            define->StartField().SetText(u"2048");
            define->SizeField().SetText(u"20480");
            define->Define();
        } else if (auto* test = dynamic_cast<cFsTestForm*>(&form)) {
            test->StartButton().SendCommand(kActionActivate, cFsTestForm::kCommandStart);
            Pump(host, [&] { return !test->Running(); });
            tested_ = test->Job().Counters();
            test->OnCommand(nullptr, kActionActivate, cFsTestForm::kCommandClose);
        } else if (auto* params = dynamic_cast<cSearchParamsForm*>(&form)) {
            params->TextField().SetText(u"readme");
            params->OnCommand(nullptr, kActionActivate, cSearchParamsForm::kCommandSearch);
        } else if (auto* eval = dynamic_cast<cEvalDataSizeForm*>(&form)) {
            Pump(host, [&] { return !eval->Running(); });
            files_ = eval->ValueText(0);
            eval->OnCommand(nullptr, kActionActivate, cEvalDataSizeForm::kCommandStop);
        } else if (dynamic_cast<cObjPropsUI*>(&form)) {
            form.OnCommand(nullptr, kActionActivate, cObjPropsUI::kCommandClose);
        } else {
            Pump(host, [] { return false; }); // the search's progress ends by itself
        }
    }

    std::vector<std::string> opened_;
    cFsTestCounters tested_;
    std::u16string files_;
};

TEST_F(FsToolCommands, DefineTestBrowseSearchEvaluateAndShowProperties) {
    std::ifstream in(fixtures::Image("fat-images.sh", "disk.img"), std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    std::fill(bytes.begin(), bytes.begin() + 512, 0);
    const std::string wiped = fixtures::ScratchDir() + "/wiped-table.img";
    std::ofstream(wiped, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    ASSERT_NE(list_.AddImageFile(utf::FromUtf8(wiped)), nullptr);
    cQORNDriveInstance& entry = *list_.Entries().back();
    auto& tree = static_cast<cPartStorageTree*>(entry.Tree())->Tree();
    ASSERT_TRUE(tree.First()->Children().empty());

    cZelvaneForm form(list_);
    cHeadlessHost host(form, kWidth, kHeight);
    form.StorageView().SelectNode(&entry, nullptr);
    cButtonChild* define = FindButton(form, kActDefinePartition);
    ASSERT_NE(define, nullptr);
    host.Render();
    EXPECT_TRUE(host.SavePng(ShotPath("explorer-define-action.png")));
    define->SendCommand(kActionActivate, kActDefinePartition);
    ASSERT_EQ(tree.First()->Children().size(), 1u);
    cPartTreeItem& defined = *tree.First()->Children().front();
    EXPECT_EQ(defined.Start(), 2048u);
    EXPECT_TRUE(list_.IsChanged());
    EXPECT_EQ(form.StorageView().SelectedPartition(), &defined);

    cButtonChild* test = FindButton(form, kActTestFileSystem);
    ASSERT_NE(test, nullptr);
    host.Render();
    EXPECT_TRUE(host.SavePng(ShotPath("explorer-defined-partition.png")));
    test->SendCommand(kActionActivate, kActTestFileSystem);
    EXPECT_EQ(tested_.intactFolders, 5u);
    EXPECT_EQ(tested_.intactFiles, 11u);

    ASSERT_TRUE(form.Browse(entry, defined));
    WaitForListing(form, host);
    cBrowseViewChild& view = form.BrowseView();
    form.SearchInFolder();
    EXPECT_EQ(view.Rows().Count(), 2u); // readme.txt and, without regard to case, README.TXT.bak
    EXPECT_NE(view.StatusText().find(u"Поиск выполнен"), std::u16string_view::npos);
    host.Render();
    EXPECT_TRUE(host.SavePng(ShotPath("explorer-search-hits.png")));

    view.List().SelectAll();
    host.RunWakeUps();
    form.EvaluateSelection();
    EXPECT_EQ(files_, utf::FromAscii(std::to_string(view.Rows().Count())));
    view.List().Select(0);
    host.RunWakeUps();
    form.ShowObjectProperties();
    const std::vector<std::string> expected = {"cDefPartForm",      "cFsTestForm",
                                               "cSearchParamsForm", "cFileSearchForm",
                                               "cEvalDataSizeForm", "cObjPropsUI"};
    EXPECT_EQ(opened_, expected);
}

} // namespace
