// The lost-partition search window over a disk whose partition table was wiped, headless:
// the search fills the list, the questions guard unsaved rows, kept partitions join the
// storage's tree, a saved list loads back into the same rows. Pictures are saved for
// people to look at (DROVIK_GUI_SHOTS).

#include "app/engine.h"
#include "app/explorer/find_part_form.h"
#include "base/utf.h"
#include "gui/controls/static_element.h"
#include "gui/message_form.h"
#include "gui/sdl/headless_host.h"
#include "gui/sdl/headless_maker.h"
#include "gui/views/list_view_child.h"
#include "gui_test_support.h"
#include "io/storage_list.h"
#include "part/storage_tree_builder.h"
#include "support/fixtures.h"

#include <chrono>
#include <gtest/gtest.h>

namespace {

using explorer::cFindPartMainForm;
using gui_test::Centre;
using gui_test::FindButton;
using gui_test::ShotPath;

class FindPartForm : public ::testing::Test {
protected:
    void SetUp() override {
        gui_test::RegisterPacks();
        maker_.SetDriver([this](cHeadlessHost& host) {
            auto* box = dynamic_cast<cMessageForm*>(&host.Form());
            ASSERT_NE(box, nullptr) << host.Form().FormName();
            questions_.emplace_back(box->Message());
            const int press = FindButton(*box, cMessageForm::kCommandYes)
                                  ? (answer_ ? cMessageForm::kCommandYes : cMessageForm::kCommandNo)
                                  : cMessageForm::kCommandOk;
            const cPoint at = Centre(*FindButton(*box, press));
            host.Click(at.x, at.y);
        });
        const std::string image = fixtures::Image("findpart.sh", "mbr.img");
        storage_ = list_.AddImageFile(utf::FromUtf8(image));
        ASSERT_NE(storage_, nullptr);
        form_ = std::make_unique<cFindPartMainForm>(list_, *storage_);
        host_ = std::make_unique<cHeadlessHost>(*form_, cFindPartMainForm::kWidth,
                                                cFindPartMainForm::kHeight, true);
    }
    void TearDown() override {
        host_.reset();
        form_.reset();
    }

    void Press(int command) {
        cButtonChild* button = FindButton(*form_, command);
        ASSERT_NE(button, nullptr) << command;
        button->SendCommand(kActionActivate, command);
    }
    // Plays the window thread until the search has ended and its rows are shown.
    void Search() {
        Press(cFindPartMainForm::kCmdSearch);
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < until) {
            host_->WaitForWakeUp(50);
            host_->RunWakeUps();
            if (!form_->Searching() && host_->PostedWakeUps() == 0) {
                host_->RunWakeUps();
                return;
            }
        }
        ADD_FAILURE() << "the search did not end";
    }
    cPartTree& StorageTree() {
        return static_cast<cPartStorageTree*>(list_.FindTree(storage_))->Tree();
    }

    cStorageList list_{EngineTreeBuilder()};
    cHeadlessMaker maker_;
    cBaseIO* storage_ = nullptr;
    std::unique_ptr<cFindPartMainForm> form_;
    std::unique_ptr<cHeadlessHost> host_;
    std::vector<std::u16string> questions_;
    bool answer_ = false;
};

TEST_F(FindPartForm, SearchListsTheVolumesAndKeepsTheSelectedOnes) {
    EXPECT_EQ(form_->Caption(), u"Найти потерянный раздел");
    EXPECT_FALSE(FindButton(*form_, cFindPartMainForm::kCmdSave)->IsEnabled());
    EXPECT_FALSE(FindButton(*form_, cFindPartMainForm::kCmdKeep)->IsEnabled());
    Search();
    cListViewChild& list = form_->List();
    ASSERT_EQ(list.ItemCount(), 6);
    EXPECT_EQ(list.Item(0)->Text(0), u"FAT32");
    EXPECT_EQ(list.Item(0)->Text(1), u"2048");
    EXPECT_EQ(list.Item(0)->Text(2), u"81920 (0.03GB)");
    EXPECT_EQ(list.Item(0)->Text(3), u"BIGFAT");
    EXPECT_EQ(list.Item(0)->Icon(), 0);
    EXPECT_EQ(form_->Status().substr(0, 20), u"Ход операции: 100.0%");
    EXPECT_TRUE(FindButton(*form_, cFindPartMainForm::kCmdKeep)->IsEnabled());
    host_->Render();
    EXPECT_TRUE(host_->SavePng(ShotPath("find-partitions.png")));

    // Closing, a new search and keeping some of the rows all ask while the rows are unsaved.
    answer_ = false;
    Press(cFindPartMainForm::kCmdClose);
    Press(cFindPartMainForm::kCmdSearch);
    ASSERT_EQ(questions_.size(), 2u);
    EXPECT_EQ(questions_[0], form_->Text(13).value_or(u""));
    EXPECT_EQ(questions_[1], form_->Text(15).value_or(u""));
    EXPECT_EQ(host_->EndCode(), std::nullopt);

    Press(cFindPartMainForm::kCmdKeep);
    ASSERT_EQ(questions_.size(), 3u);
    EXPECT_EQ(questions_[2], form_->Text(26).value_or(u""));

    list.Select(0);
    list.Select(2, mods::kCtrl);
    answer_ = true;
    Press(cFindPartMainForm::kCmdKeep);
    ASSERT_EQ(questions_.size(), 4u);
    EXPECT_EQ(questions_[3], form_->Text(25).value_or(u""));
    EXPECT_EQ(host_->EndCode(), 1);
    EXPECT_TRUE(list_.IsChanged());
    const cPartTreeItem& root = *StorageTree().First();
    ASSERT_EQ(root.Children().size(), 2u);
    EXPECT_EQ(root.Children()[0]->Start(), 2048u);
    EXPECT_EQ(root.Children()[1]->Start(), 100352u);
    EXPECT_NE(root.Children()[1]->FindExtension(part_ext::kFileSystem), nullptr);
}

TEST_F(FindPartForm, ASavedListLoadsBackAndKeepingEveryRowDoesNotAsk) {
    Search();
    const std::string path = fixtures::ScratchDir() + "/found.qornpl";
    ASSERT_TRUE(form_->SaveTo(path));
    EXPECT_TRUE(form_->Found().Saved());
    ASSERT_TRUE(form_->LoadFrom(path));
    EXPECT_TRUE(questions_.empty());
    ASSERT_EQ(form_->List().ItemCount(), 6);
    EXPECT_EQ(form_->List().Item(5)->Text(1), u"155648");

    form_->List().SelectAll();
    Press(cFindPartMainForm::kCmdKeep);
    EXPECT_TRUE(questions_.empty());
    EXPECT_EQ(StorageTree().First()->Children().size(), 6u);
}

TEST_F(FindPartForm, AFileThatIsNotAListIsRefused) {
    const std::string path = fixtures::ScratchDir() + "/not-a-list.qornpl";
    FILE* file = std::fopen(path.c_str(), "wb");
    std::fputs("not a partition list", file);
    std::fclose(file);
    EXPECT_FALSE(form_->LoadFrom(path));
    EXPECT_FALSE(form_->LoadFrom(path + ".missing"));
    ASSERT_EQ(questions_.size(), 2u);
    EXPECT_EQ(questions_[0], form_->Text(23).value_or(u""));
    EXPECT_EQ(questions_[1], form_->Text(22).value_or(u""));
}

} // namespace
