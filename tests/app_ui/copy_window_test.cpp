// The copy window over a FAT image from the fixtures: a run without errors closes the
// window by itself; a run with errors keeps it open with "close" and the report; a name
// conflict asks the question over the window; stopping ends the run without a report.

#include "app/app_support.h"
#include "app/copy_window/copy_files_ui.h"
#include "app/copy_window/copy_window.h"
#include "app/copy_window/overwrite_action_ui.h"
#include "app/listed_fs.h"
#include "base/settings.h"
#include "base/utf.h"
#include "gui/controls/button_child.h"
#include "gui/controls/hint_master.h"
#include "gui/dialogs/file_choose_dialog.h"
#include "gui/dialogs/folder_choose_dialog.h"
#include "gui/gui_test_support.h"
#include "gui/message_form.h"
#include "gui/sdl/headless_maker.h"
#include "gui/views/simple_list_view_element.h"
#include "support/fixtures.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>

namespace fs = std::filesystem;

namespace {

std::string FatTree() {
    return fixtures::Folder("fat-images.sh") + "/tree/small";
}

void WriteText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

template <class Done> void Pump(cHeadlessHost& host, Done done) {
    for (int i = 0; i < 1000 && !host.EndCode() && !done(); ++i) {
        host.WaitForWakeUp(10);
        host.RunWakeUps();
    }
}

// The chooser's first listing has been shown (the folders listed hold something).
void Listed(cHeadlessHost& host, cChooserForm& chooser) {
    Pump(host, [&] {
        return !chooser.CurrentFolder().empty() && !chooser.IsListing() &&
               !chooser.Provider().IsRunning();
    });
    host.RunWakeUps();
}

void Click(cHeadlessHost& host, const cChildElement& element) {
    const cPoint centre = gui_test::Centre(element);
    host.Click(centre.x, centre.y);
}

class CopyWindow : public ::testing::Test {
protected:
    void SetUp() override {
        apptest::LoadTexts();
        fat_ = apptest::MountFat(fixtures::Image("fat-images.sh", "fat12.img"), false);
        ASSERT_TRUE(fat_);
        out_ = fixtures::ScratchDir() + "/out";
        fs::create_directories(out_);
    }
    std::u16string Target() const { return utf::FromUtf8(out_.string()); }
    std::vector<std::unique_ptr<cFSObject>> Objects(std::initializer_list<const char16_t*> paths) {
        std::vector<std::unique_ptr<cFSObject>> objects;
        for (const char16_t* path : paths) {
            objects.push_back(fat_->Entry(path));
        }
        return objects;
    }

    cCustomForm owner_{"qorns::zelvane"};
    std::unique_ptr<apptest::MountedFat> fat_;
    fs::path out_;
};

TEST_F(CopyWindow, RunWithoutErrorsClosesTheWindowByItself) {
    cHeadlessMaker maker([](cHeadlessHost& host) {
        auto& window = dynamic_cast<cCopyFilesUI&>(host.Form());
        EXPECT_EQ(window.Caption(), u"Копирование файлов");
        EXPECT_EQ(window.AbortButton().Caption(), u"Прервать");
        EXPECT_FALSE(window.ReportButton().IsVisible());
        Pump(host, [] { return false; });
    });
    EXPECT_EQ(CopyObjects(owner_, fat_->RootObjects(), Target()), eCopyOutcome::Copied);
    EXPECT_EQ(maker.ModalRuns(), 1);
    const auto differences = apptest::TreeDifferences(FatTree(), out_.string());
    EXPECT_TRUE(differences.empty()) << ::testing::PrintToString(differences);
}

TEST_F(CopyWindow, RunWithErrorsStaysOpenWithCloseAndTheReport) {
    WriteText(out_ / "Документы", "a file where a folder should go");
    const fs::path report = out_ / "report.txt";
    cHeadlessMaker maker([&](cHeadlessHost& host) {
        auto& window = dynamic_cast<cCopyFilesUI&>(host.Form());
        Pump(host, [&] { return !window.Running(); });
        ASSERT_FALSE(host.EndCode());
        EXPECT_EQ(window.AbortButton().Caption(), u"Закрыть");
        EXPECT_TRUE(window.ReportButton().IsVisible());
        EXPECT_FALSE(window.AbortButton().Rect().Intersects(window.ReportButton().Rect()));
        const std::vector<std::u16string> expected = {
            u"Ошибка обработки " + Target() +
                u"/Документы: Невозможно создать целевую папку (File exists)",
            u"Завершена."};
        EXPECT_EQ(window.LogLines(), expected);
        EXPECT_TRUE(host.SavePng(gui_test::ShotPath("copy_window_errors.png")));

        EXPECT_TRUE(window.SaveReport(utf::FromUtf8(report.string())));
        Click(host, window.AbortButton());
        EXPECT_EQ(host.EndCode(), 0);
    });
    EXPECT_EQ(CopyObjects(owner_, Objects({u"/Документы", u"/readme.txt"}), Target()),
              eCopyOutcome::Incomplete);
    EXPECT_EQ(apptest::ReadFileBytes((out_ / "readme.txt").string()),
              apptest::ReadFileBytes(FatTree() + "/readme.txt"));
    const auto bytes = apptest::ReadFileBytes(report.string());
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xFE);
}

// A log line cut at the window's edge is read whole, in a tool tip on the way or in a box
// on a double click; the report is offered beside the copies, and the folder chooser
// starts in the folder the last copy went to.
TEST_F(CopyWindow, ErrorLinesReadWholeAndChoosersStartWhereTheCopiesWent) {
    WriteText(out_ / "Документы", "a file where a folder should go");
    std::vector<std::u16string> seen;
    std::u16string errorLine;
    cHeadlessMaker maker([&](cHeadlessHost& host) {
        if (auto* folders = dynamic_cast<cFolderChooseDialog*>(&host.Form())) {
            Listed(host, *folders);
            seen.push_back(u"folders in " + folders->CurrentFolder());
            for (int i = 0; i < folders->List().ItemCount(); ++i) {
                if (folders->List().Item(i)->Text() == u"out") {
                    folders->List().Select(i);
                }
            }
            folders->Accept();
            return;
        }
        if (auto* saver = dynamic_cast<cFileChooseDialog*>(&host.Form())) {
            Listed(host, *saver);
            seen.push_back(u"report in " + saver->CurrentFolder());
            host.RequestClose();
            return;
        }
        if (auto* box = dynamic_cast<cMessageForm*>(&host.Form())) {
            seen.push_back(u"box: " + box->Message());
            host.Key(key::kEnter);
            return;
        }
        auto& window = dynamic_cast<cCopyFilesUI&>(host.Form());
        Pump(host, [&] { return !window.Running(); });
        const std::u16string line = window.LogLines().front();
        errorLine = line;
        const cRect log = window.Log().FormRect();
        const cPoint first{log.x + 40, log.y + 2 + cSimpleListViewElement::kRowHeight / 2};
        host.MouseMove(first.x, first.y);
        const cHintMaster* tip = cHintMaster::Of(window);
        ASSERT_NE(tip, nullptr);
        EXPECT_TRUE(tip->IsVisible());
        EXPECT_EQ(tip->Shown(), line);
        EXPECT_LE(tip->FormRect().Right(), window.Rect().w);
        EXPECT_TRUE(host.SavePng(gui_test::ShotPath("copy_window_log_tip.png")));
        host.DoubleClick(first.x, first.y);
        host.RunWakeUps();
        Click(host, window.ReportButton());
        Click(host, window.AbortButton());
    });
    ASSERT_TRUE(Settings().Load(utf::FromUtf8((out_.parent_path() / "config.hbin").string())));
    const std::u16string home = utf::FromUtf8(out_.parent_path().string());
    Settings().SetText(kSettingLastCopyFolder, home, true);
    EXPECT_EQ(CopyObjects(owner_, Objects({u"/Документы", u"/readme.txt"})),
              eCopyOutcome::Incomplete);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0], u"folders in " + home);
    EXPECT_EQ(seen[1], u"box: " + errorLine);
    EXPECT_EQ(errorLine.rfind(u"Ошибка обработки " + Target() + u"/Документы: ", 0), 0u);
    EXPECT_EQ(seen[2], u"report in " + Target());
    seen.clear();
    fs::remove(out_ / "readme.txt");
    EXPECT_EQ(CopyObjects(owner_, Objects({u"/Документы", u"/readme.txt"})),
              eCopyOutcome::Incomplete);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen[0], u"folders in " + Target());
    Settings().Close();
}

TEST_F(CopyWindow, ConflictIsAskedOverTheWindowAndRenameKeepsBoth) {
    WriteText(out_ / "readme.txt", "older");
    int questions = 0;
    cHeadlessMaker maker([&](cHeadlessHost& host) {
        if (auto* question = dynamic_cast<cCopyFilesOverwriteActionUI*>(&host.Form())) {
            ++questions;
            EXPECT_TRUE(host.SavePng(gui_test::ShotPath("copy_window_no_room.png")));
            Click(host, *gui_test::FindButton(*question, question->kCommandRename));
            return;
        }
        Pump(host, [] { return false; });
    });
    EXPECT_EQ(CopyObjects(owner_, Objects({u"/readme.txt", u"/UPPER.TXT"}), Target()),
              eCopyOutcome::Copied);
    EXPECT_EQ(questions, 1);
    EXPECT_EQ(apptest::ReadFileBytes((out_ / "readme.txt").string()).size(), 5u);
    EXPECT_EQ(apptest::ReadFileBytes((out_ / "readme(1).txt").string()),
              apptest::ReadFileBytes(FatTree() + "/readme.txt"));
}

TEST_F(CopyWindow, ACopyLargerThanTheFreeRoomIsAskedAboutFirst) {
    apptest::cListedFS volume;
    volume.folders[1] = {{false, u"small.txt", 2}, {false, u"huge.bin", 3, std::uint64_t(1) << 60}};
    int questions = 0;
    std::vector<std::u16string> log;
    cHeadlessMaker maker([&](cHeadlessHost& host) {
        if (auto* box = dynamic_cast<cMessageForm*>(&host.Form())) {
            ++questions;
            EXPECT_TRUE(host.SavePng(gui_test::ShotPath("copy_window_no_room.png")));
            Click(host, *gui_test::FindButton(*box, cMessageForm::kCommandNo));
            return;
        }
        auto& window = dynamic_cast<cCopyFilesUI&>(host.Form());
        Pump(host, [&] { return !window.Running(); });
        log = window.LogLines();
        Click(host, window.AbortButton());
    });
    std::vector<std::unique_ptr<cFSObject>> objects;
    for (const auto& entry : volume.folders[1]) {
        objects.push_back(volume.Make(entry, 1));
    }
    EXPECT_EQ(CopyObjects(owner_, std::move(objects), Target()), eCopyOutcome::Incomplete);
    EXPECT_EQ(questions, 1);
    ASSERT_FALSE(log.empty());
    EXPECT_NE(log[0].find(u"Недостаточно места на диске назначения (нужно "
                          u"1152921504606846985 байт"),
              std::u16string::npos)
        << utf::ToUtf8(log[0]);
    EXPECT_TRUE(fs::is_empty(out_));
}

TEST_F(CopyWindow, StoppingEndsTheRunWithoutAReport) {
    WriteText(out_ / "readme.txt", "older");
    cHeadlessHost* window = nullptr;
    cHeadlessMaker maker([&](cHeadlessHost& host) {
        if (auto* question = dynamic_cast<cCopyFilesOverwriteActionUI*>(&host.Form())) {
            // The user stops the copy while the question is up, then keeps the old file.
            auto& copy = dynamic_cast<cCopyFilesUI&>(window->Form());
            Click(*window, copy.AbortButton());
            Click(host, *gui_test::FindButton(*question, question->kCommandKeep));
            return;
        }
        window = &host;
        Pump(host, [] { return false; });
    });
    EXPECT_EQ(CopyObjects(owner_, Objects({u"/readme.txt", u"/UPPER.TXT"}), Target()),
              eCopyOutcome::Cancelled);
    EXPECT_FALSE(fs::exists(out_ / "UPPER.TXT"));
}

TEST_F(CopyWindow, OneFileGoesWhereTheSaveChooserSays) {
    // A deleted file alone is one file too, and comes back whole.
    const std::pair<const char16_t*, std::string> files[] = {
        {u"/readme.txt", FatTree() + "/readme.txt"},
        {u"/deleted file with a long name.bin",
         fixtures::Folder("fat-images.sh") + "/deleted/deleted file with a long name.bin"},
    };
    for (const auto& [path, source] : files) {
        const fs::path chosen = out_ / ("chosen name" + std::to_string(path[1]) + ".txt");
        std::vector<std::string> forms;
        cHeadlessMaker maker([&](cHeadlessHost& host) {
            if (auto* chooser = dynamic_cast<cFileChooseDialog*>(&host.Form())) {
                forms.push_back("save chooser");
                EXPECT_EQ(chooser->Caption(), u"Копировать файлы как");
                chooser->SetName(utf::FromUtf8(chosen.string()));
                chooser->Accept();
                return;
            }
            forms.push_back(host.Form().FormName());
            Pump(host, [] { return false; });
        });
        EXPECT_EQ(CopyObjects(owner_, Objects({path})), eCopyOutcome::Copied);
        EXPECT_EQ(forms, (std::vector<std::string>{"save chooser", "cCopyFilesUI"}));
        EXPECT_EQ(apptest::ReadFileBytes(chosen.string()), apptest::ReadFileBytes(source));
    }
}

TEST_F(CopyWindow, CancellingTheFolderChooserCopiesNothing) {
    cHeadlessMaker maker([&](cHeadlessHost& host) {
        EXPECT_TRUE(dynamic_cast<cFolderChooseDialog*>(&host.Form()));
        host.RequestClose();
    });
    EXPECT_EQ(CopyObjects(owner_, Objects({u"/readme.txt", u"/UPPER.TXT"})),
              eCopyOutcome::Cancelled);
    EXPECT_EQ(maker.ModalRuns(), 1);
    EXPECT_TRUE(fs::is_empty(out_));
}

TEST_F(CopyWindow, QuickViewCopiesASmallFileWithoutAWindow) {
    cHeadlessMaker maker;
    const fs::path target = out_ / "view.bin";
    EXPECT_EQ(CopyObjects(owner_, Objects({u"/exact64k.bin"}), utf::FromUtf8(target.string())),
              eCopyOutcome::Copied);
    EXPECT_EQ(maker.ModalRuns(), 0);
    EXPECT_EQ(apptest::ReadFileBytes(target.string()),
              apptest::ReadFileBytes(FatTree() + "/exact64k.bin"));
}

TEST_F(CopyWindow, NothingToCopyDoesNothing) {
    cHeadlessMaker maker;
    EXPECT_EQ(CopyObjects(owner_, {}, Target()), eCopyOutcome::Cancelled);
    EXPECT_EQ(maker.ModalRuns(), 0);
}

} // namespace

namespace {

// The program quits while the copy waits for an answer: the window goes with the job
// still running, and must neither hang nor ask again.
TEST_F(CopyWindow, WindowGoingWhileTheJobWaitsForAnAnswerEndsTheJob) {
    WriteText(out_ / "readme.txt", "older");
    std::optional<cCopyFilesUI> window;
    window.emplace(Objects({u"/readme.txt", u"/UPPER.TXT"}), Target());
    {
        cHeadlessHost host(*window, cCopyFilesUI::kWidth, cCopyFilesUI::kHeight, true);
        // The worker has sent its first log line and waits: nobody answers.
        EXPECT_TRUE(host.WaitForWakeUp(5000));
        EXPECT_TRUE(window->Running());
    }
    cHeadlessMaker maker([](cHeadlessHost&) { ADD_FAILURE() << "no question while closing"; });
    window.reset();
    EXPECT_EQ(apptest::ReadFileBytes((out_ / "readme.txt").string()).size(), 5u);
    EXPECT_FALSE(fs::exists(out_ / "UPPER.TXT"));
}

} // namespace
