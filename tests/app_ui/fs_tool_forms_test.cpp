// The explorer's smaller forms over the headless host, each rendered to a picture: the
// object properties, the size evaluation and the file-system test running their jobs to
// the end, the search parameters making their pattern, and the partition definition on
// a disk whose table is wiped, with its questions.

#include "app/app_support.h"
#include "app/explorer/def_part_form.h"
#include "app/explorer/eval_size_form.h"
#include "app/explorer/fs_test_form.h"
#include "app/explorer/obj_props_ui.h"
#include "app/explorer/search_forms.h"
#include "app/fs_tools/def_part.h"
#include "base/utf.h"
#include "gui/controls/button_child.h"
#include "gui/controls/check_box_child.h"
#include "gui/controls/combo_box_child.h"
#include "gui/controls/edit_child.h"
#include "gui/gui_test_support.h"
#include "gui/message_form.h"
#include "gui/sdl/headless_maker.h"
#include "gui/views/prop_sheet_child.h"
#include "io/storage_list.h"
#include "support/fixtures.h"
#include "support/mem_io.h"

#include <gtest/gtest.h>

namespace {

using namespace explorer;

template <class Done> void Pump(cHeadlessHost& host, Done done) {
    for (int i = 0; i < 3000 && !host.EndCode() && !done(); ++i) {
        host.WaitForWakeUp(10);
        host.RunWakeUps();
    }
}

void Click(cHeadlessHost& host, const cChildElement& element) {
    const cPoint centre = gui_test::Centre(element);
    host.Click(centre.x, centre.y);
}

class FsToolForms : public ::testing::Test {
protected:
    void SetUp() override {
        apptest::LoadTexts();
        fat_ = apptest::MountFat(fixtures::Image("fat-images.sh", "fat12.img"), false);
        ASSERT_TRUE(fat_);
    }
    cCustomForm owner_{"qorns::zelvane"};
    std::unique_ptr<apptest::MountedFat> fat_;
};

TEST_F(FsToolForms, PropertiesShowTheRowsWithTheirHelp) {
    const auto file = fat_->Entry(u"/readme.txt");
    cHeadlessMaker maker([&](cHeadlessHost& host) {
        auto& form = dynamic_cast<cObjPropsUI&>(host.Form());
        EXPECT_EQ(form.Caption(), u"Свойства объекта");
        const cPropDispAreaChild& area = form.Sheet().Area();
        EXPECT_EQ(area.RowById(3)->value, u"readme.txt");
        EXPECT_EQ(area.RowById(3)->help, u"Имя объекта в файловой системе.");
        EXPECT_EQ(area.RowById(5)->value, u"Файл");
        EXPECT_EQ(area.RowById(9)->value, utf::FromAscii(std::to_string(file->id)));
        EXPECT_EQ(area.RowById(11)->value, u"22");
        EXPECT_EQ(area.RowById(13)->value, u"15.06.2007 10:20:30");
        EXPECT_TRUE(host.SavePng(gui_test::ShotPath("obj_props.png")));
        Click(host, *gui_test::FindButton(form, cObjPropsUI::kCommandClose));
    });
    cObjPropsUI form(*file);
    EXPECT_EQ(maker.RunModal(form, cObjPropsUI::kWidth, cObjPropsUI::kHeight, &owner_, false), 1);
}

TEST_F(FsToolForms, SizeEvaluationCountsTheSelectionAndThenOffersClose) {
    cEvalSizeCounters expected;
    for (const auto& object : fat_->RootObjects()) {
        std::vector<std::unique_ptr<cFSObject>> one;
        one.push_back(object->Clone());
        EvalSize(*fat_->reader, one, expected, [] { return false; });
    }
    cHeadlessMaker maker([&](cHeadlessHost& host) {
        auto& form = dynamic_cast<cEvalDataSizeForm&>(host.Form());
        Pump(host, [&] { return !form.Running(); });
        EXPECT_EQ(form.StopButton().Caption(), u"Закрыть");
        EXPECT_EQ(form.ValueText(0), utf::FromAscii(std::to_string(expected.files)));
        EXPECT_EQ(form.ValueText(1), utf::FromAscii(std::to_string(expected.bytes)));
        EXPECT_EQ(form.ValueText(2 + 3), utf::FromAscii(std::to_string(expected.blocks[3] * 4096)));
        EXPECT_TRUE(host.SavePng(gui_test::ShotPath("eval_size.png")));
        Click(host, form.StopButton());
    });
    cEvalDataSizeForm form(*fat_->reader, fat_->RootObjects());
    EXPECT_EQ(
        maker.RunModal(form, cEvalDataSizeForm::kWidth, cEvalDataSizeForm::kHeight, &owner_, false),
        1);
}

TEST_F(FsToolForms, FileSystemTestRunsFromTheButtonAndSavesItsReport) {
    const std::string report = fixtures::ScratchDir() + "/fstest-form.txt";
    cHeadlessMaker maker([&](cHeadlessHost& host) {
        auto& form = dynamic_cast<cFsTestForm&>(host.Form());
        EXPECT_EQ(form.Cell(0), u"Нет данных");
        EXPECT_FALSE(form.ReportButton().IsEnabled());
        EXPECT_TRUE(host.SavePng(gui_test::ShotPath("fs_test_before.png")));
        Click(host, form.ReadAllBox());
        EXPECT_TRUE(form.ReadAllBox().IsChecked());
        Click(host, form.StartButton());
        Pump(host, [&] { return !form.Running(); });
        const cFsTestCounters counters = form.Job().Counters();
        EXPECT_EQ(form.Cell(0), utf::FromAscii(std::to_string(counters.intactFolders)));
        EXPECT_EQ(form.Cell(2), utf::FromAscii(std::to_string(counters.intactFiles)));
        EXPECT_EQ(form.Cell(3), u"0");
        EXPECT_GT(counters.intactFiles, 5u);
        EXPECT_TRUE(form.Job().Result().readAll);
        EXPECT_TRUE(form.ReportButton().IsEnabled());
        EXPECT_EQ(form.StartButton().Caption(), u"Начать тестирование");
        EXPECT_TRUE(host.SavePng(gui_test::ShotPath("fs_test_after.png")));
        EXPECT_TRUE(form.SaveReport(utf::FromUtf8(report)));
        Click(host, *gui_test::FindButton(form, cFsTestForm::kCommandClose));
    });
    cFsTestForm form(*fat_->reader);
    EXPECT_EQ(maker.RunModal(form, cFsTestForm::kWidth, cFsTestForm::kHeight, &owner_, false), 1);
    const std::string bytes = apptest::ReadFileText(report);
    EXPECT_EQ(bytes, BuildFsTestReport(form.Job().Result()));
}

TEST_F(FsToolForms, SearchParametersMakeThePatternAndSizeCondition) {
    cHeadlessMaker maker([&](cHeadlessHost& host) {
        auto& form = dynamic_cast<cSearchParamsForm&>(host.Form());
        EXPECT_EQ(form.Params()->pattern, u"*");
        form.TextField().SetText(u"read");
        form.SizeCondition().Select(1);
        form.SizeField().SetText(u"x");
        EXPECT_FALSE(form.Params());
        Click(host, *gui_test::FindButton(form, cSearchParamsForm::kCommandSearch));
        EXPECT_FALSE(host.EndCode()); // the size is not a number yet
        form.SizeField().SetText(u"0");
        Click(host, form.FoldersBox());
        EXPECT_TRUE(host.SavePng(gui_test::ShotPath("search_params.png")));
        Click(host, *gui_test::FindButton(form, cSearchParamsForm::kCommandSearch));
    });
    cSearchParamsForm form(u"/Документы");
    EXPECT_EQ(
        maker.RunModal(form, cSearchParamsForm::kWidth, cSearchParamsForm::kHeight, &owner_, false),
        1);
    const cSearchParams params = *form.Params();
    EXPECT_EQ(params.pattern, u"*read*");
    EXPECT_EQ(params.sizeCondition, cSearchParams::eSize::Equal);
    EXPECT_EQ(params.size, 0u);
    EXPECT_TRUE(params.includeFolders);
    EXPECT_FALSE(params.caseSensitive);
}

TEST_F(FsToolForms, SearchFormHandsAtMostAThousandHits) {
    const auto fat16 = apptest::MountFat(fixtures::Image("fat-images.sh", "fat16.img"), false);
    ASSERT_TRUE(fat16);
    cHeadlessMaker maker([&](cHeadlessHost& host) { Pump(host, [] { return false; }); });
    cSearchHits hits;
    cFileSearchForm form(*fat16->reader, *fat16->Entry(u"/many"), cSearchParams{}, hits);
    EXPECT_EQ(
        maker.RunModal(form, cFileSearchForm::kWidth, cFileSearchForm::kHeight, &owner_, false),
        int(eSearchEnd::TooMany));
    EXPECT_EQ(hits.Take().size(), cSearchHits::kMaxHits);
}

class DefPartFormTest : public FsToolForms {
protected:
    void SetUp() override {
        FsToolForms::SetUp();
        auto bytes = apptest::ReadFileBytes(fixtures::Image("fat-images.sh", "disk.img"));
        std::fill(bytes.begin(), bytes.begin() + 512, 0);
        disk_ = std::make_unique<cMemIO>(std::move(bytes));
        auto root = std::make_unique<cPartTreeItem>();
        root->SetRecord(disk_.get(), 0, disk_->GetSectorCount(), 0);
        tree_.AddChild(nullptr, std::move(root));
    }
    // Plays the form, answering each question with `answers` in turn; the questions
    // asked are kept.
    int Run(const std::u16string& start, const std::u16string& size, std::vector<bool> answers) {
        cHeadlessMaker maker([&](cHeadlessHost& host) {
            if (auto* question = dynamic_cast<cMessageForm*>(&host.Form())) {
                asked_.push_back(question->Message());
                const bool yes = !answers.empty() && answers.front();
                if (!answers.empty()) {
                    answers.erase(answers.begin());
                }
                host.Form().OnCommand(nullptr, kActionActivate,
                                      yes ? cMessageForm::kCommandYes : cMessageForm::kCommandNo);
                return;
            }
            auto& form = dynamic_cast<cDefPartForm&>(host.Form());
            form.StartField().SetText(start);
            form.SizeField().SetText(size);
            form.Define();
            shown_ = form.TypeField().Text() + u"|" + form.LabelField().Text() + u"|" +
                     form.SizeField().Text();
            if (!host.EndCode()) {
                EXPECT_TRUE(host.SavePng(gui_test::ShotPath("def_part.png")));
                form.OnCommand(nullptr, kActionActivate, cDefPartForm::kCommandCancel);
            }
        });
        cDefPartForm form(list_, tree_);
        const int result =
            maker.RunModal(form, cDefPartForm::kWidth, cDefPartForm::kHeight, &owner_, false);
        defined_ = form.Defined();
        return result;
    }
    std::unique_ptr<cMemIO> disk_;
    cPartTree tree_;
    cStorageList list_{cStorageTreeBuilder{}};
    std::vector<std::u16string> asked_;
    std::u16string shown_;
    cPartTreeItem* defined_ = nullptr;
};

TEST_F(DefPartFormTest, VolumeFoundOffersItsOwnSize) {
    EXPECT_EQ(Run(u"2048", u"100", {true}), 1);
    ASSERT_EQ(asked_.size(), 1u);
    EXPECT_EQ(asked_[0].substr(0, 30), u"Размер файловой системы отлича");
    EXPECT_EQ(shown_, u"FAT|PARTVOL|20480");
    ASSERT_TRUE(defined_);
    EXPECT_EQ(defined_->Length(), 20480u);
    EXPECT_TRUE(defined_->FindExtension(part_ext::kFileSystem));
    EXPECT_TRUE(list_.IsChanged());
}

TEST_F(DefPartFormTest, NothingFoundAsksBeforeDefining) {
    EXPECT_EQ(Run(u"100", u"50", {false}), 0);
    ASSERT_EQ(asked_.size(), 1u);
    EXPECT_EQ(asked_[0].substr(0, 20), u"По указанному смещен");
    EXPECT_EQ(shown_, u"Не идентифицирован||50");
    EXPECT_FALSE(defined_);
    EXPECT_FALSE(list_.IsChanged());
    EXPECT_EQ(tree_.First()->Children().size(), 0u);
}

} // namespace
