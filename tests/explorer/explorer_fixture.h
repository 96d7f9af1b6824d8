#pragma once
// The main window over fixture images, headless, as the explorer's tests drive it: message
// boxes answered as a test says, choosers given a name, the windows of jobs run to their
// end, and the navigation job waited for.

#include "app/copy_window/copy_files_ui.h"
#include "app/engine.h"
#include "app/explorer/about_form.h"
#include "app/explorer/browse_view.h"
#include "app/explorer/quick_view_folder.h"
#include "app/explorer/settings_sheet.h"
#include "app/explorer/storage_view.h"
#include "app/explorer/zelvane_form.h"
#include "app/explorer/zelvane_window.h"
#include "app/imaging_window/imaging_form.h"
#include "app/startup/bg_init_ui.h"
#include "base/settings.h"
#include "base/utf.h"
#include "gui/basic_progress_form.h"
#include "gui/controls/combo_box_child.h"
#include "gui/controls/static_element.h"
#include "gui/dialogs/file_choose_dialog.h"
#include "gui/dialogs/folder_choose_dialog.h"
#include "gui/message_form.h"
#include "gui/sdl/headless_host.h"
#include "gui/sdl/headless_maker.h"
#include "gui/views/list_view_child.h"
#include "gui/views/prop_sheet_child.h"
#include "gui/views/tree_view_child.h"
#include "gui_test_support.h"
#include "io/storage_list.h"
#include "part/storage_tree_builder.h"
#include "support/fixtures.h"
#include "support/sim_device.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <thread>
#include <vector>

namespace explorer_test {

using gui_test::Centre;
using gui_test::FindButton;
using gui_test::ShotPath;

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

class ExplorerForm : public ::testing::Test {
protected:
    void SetUp() override {
        gui_test::RegisterPacks();
        // Message boxes record their question and answer with `answer_`.
        maker_.SetDriver([this](cHeadlessHost& host) {
            if (auto* chooser = dynamic_cast<cFileChooseDialog*>(&host.Form())) {
                ++choosers_;
                chooser->SetName(chosen_);
                chooser->Accept();
                // Gone between the choice and the opening, as a file on a pulled stick.
                if (vanish_) {
                    std::filesystem::remove(utf::ToUtf8(chosen_));
                }
                return;
            }
            // Copies of several objects or of a folder go into the folder chosen_.
            if (auto* folders = dynamic_cast<cFolderChooseDialog*>(&host.Form())) {
                ++choosers_;
                for (int i = 0;
                     i < 400 && (folders->IsListing() || folders->CurrentFolder() != chosen_);
                     ++i) {
                    if (!folders->IsListing()) {
                        folders->Go(chosen_);
                    }
                    host.WaitForWakeUp(50);
                    host.RunWakeUps();
                }
                folders->Accept();
                return;
            }
            if (dynamic_cast<cBgInitUI*>(&host.Form()) ||
                dynamic_cast<cCopyFilesUI*>(&host.Form()) ||
                dynamic_cast<cBasicProgressForm*>(&host.Form())) {
                ++jobWindows_;
                for (int i = 0; i < 400 && !host.EndCode(); ++i) {
                    host.WaitForWakeUp(50);
                    host.RunWakeUps();
                }
                if (auto* busy = dynamic_cast<cBgInitUI*>(&host.Form())) {
                    busyLines_.emplace_back(busy->Status()->ShownText());
                }
                return;
            }
            if (dynamic_cast<imaging_window::cImagingForm*>(&host.Form())) {
                ++imagingWindows_;
                return;
            }
            auto* box = dynamic_cast<cMessageForm*>(&host.Form());
            ASSERT_NE(box, nullptr) << host.Form().FormName();
            ++questions_;
            messages_.push_back(box->Message());
            const int press = FindButton(*box, cMessageForm::kCommandYes)
                                  ? (answer_ ? cMessageForm::kCommandYes : cMessageForm::kCommandNo)
                                  : cMessageForm::kCommandOk;
            const cPoint at = Centre(*FindButton(*box, press));
            host.Click(at.x, at.y);
        });
    }

    cQORNDriveInstance* OpenImage(const std::string& name,
                                  const std::string& script = "fat-images.sh") {
        const std::string path = fixtures::Image(script, name);
        return list_.AddImageFile(utf::FromUtf8(path)) ? list_.Entries().back().get() : nullptr;
    }
    static cPartTreeItem& Root(cQORNDriveInstance& entry) {
        return *static_cast<cPartStorageTree*>(entry.Tree())->Tree().First();
    }
    // Plays the window thread until the navigation job has handed over its listing.
    void WaitForListing(cZelvaneForm& form, cHeadlessHost& host) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < until) {
            host.WaitForWakeUp(50);
            host.RunWakeUps();
            if (!form.IsRunning() && host.PostedWakeUps() == 0 &&
                form.BrowseView().StatusText() != form.BrowseView().Text(135).value_or(u"")) {
                return;
            }
        }
        ADD_FAILURE() << "the listing did not end";
    }
    // A main window over a fixture image, its root folder listed in the browse view.
    struct cBrowsing {
        cBrowsing(cStorageList& list, bool modal)
            : form(list), host(form, kZelvaneWidth, kZelvaneHeight, modal) {}
        cZelvaneForm form;
        cHeadlessHost host;
    };
    std::unique_ptr<cBrowsing> BrowseImage(const std::string& name, bool modal = false,
                                           const std::string& script = "fat-images.sh") {
        cQORNDriveInstance* opened = OpenImage(name, script);
        if (!opened) {
            ADD_FAILURE() << name << " did not open";
            return nullptr;
        }
        auto window = std::make_unique<cBrowsing>(list_, modal);
        if (!window->form.Browse(*opened, Root(*opened))) {
            ADD_FAILURE() << name << " could not be browsed";
            return nullptr;
        }
        WaitForListing(window->form, window->host);
        return window;
    }
    int RowOf(cZelvaneForm& form, std::u16string_view name) {
        cListViewChild& list = form.BrowseView().List();
        for (int i = 0; i < list.ItemCount(); ++i) {
            if (list.Item(i)->Text(0) == name) {
                return i;
            }
        }
        return -1;
    }

    // A settings file of the test's own.
    std::string UseScratchSettings() {
        const std::string scratch = fixtures::ScratchDir();
        EXPECT_TRUE(Settings().Load(utf::FromUtf8(scratch + "/config.hbin")));
        return scratch;
    }
    void TearDown() override { Settings().Close(); }

    cStorageList list_{EngineTreeBuilder()};
    cHeadlessMaker maker_;
    int questions_ = 0;
    std::vector<std::u16string> messages_; // what each message box said
    int choosers_ = 0;
    int imagingWindows_ = 0;
    int jobWindows_ = 0;                    // the start-up window of a rescan, the copy window
    std::vector<std::u16string> busyLines_; // what each start-up window said last
    bool answer_ = false;
    bool vanish_ = false;
    std::u16string chosen_;
};

} // namespace explorer_test
