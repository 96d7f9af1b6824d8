// Every window and message box of the program in each interface language: no text may be
// missing or drawn cut because a translation outgrew its control. Each window is saved as
// a picture per language (DROVIK_GUI_SHOTS), to be looked at.

#include "app/copy_window/copy_files_ui.h"
#include "app/copy_window/overwrite_action_ui.h"
#include "app/engine.h"
#include "app/explorer/about_form.h"
#include "app/explorer/settings_sheet.h"
#include "app/explorer/storage_view.h"
#include "app/explorer/zelvane_form.h"
#include "app/explorer/zelvane_window.h"
#include "app/imaging_window/imaging_form.h"
#include "app/local_folders.h"
#include "app/startup/bg_init_ui.h"
#include "base/lang/builtin_packs.h"
#include "base/settings.h"
#include "base/utf.h"
#include "gui/controls/button_child.h"
#include "gui/controls/combo_box_child.h"
#include "gui/controls/static_element.h"
#include "gui/dialogs/file_choose_dialog.h"
#include "gui/dialogs/folder_choose_dialog.h"
#include "gui/dialogs/new_folder_name_req_form.h"
#include "gui/message_form.h"
#include "gui/painter.h"
#include "gui/sdl/headless_host.h"
#include "gui/sdl/headless_maker.h"
#include "gui/views/prop_sheet_child.h"
#include "gui_test_support.h"
#include "io/storage_list.h"
#include "part/storage_tree_builder.h"
#include "support/fixtures.h"
#include "support/mem_io.h"

#include <gtest/gtest.h>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

using lang::eLanguage;

// The texts the message boxes of the program show, by section and number.
struct cMessageText {
    const char* section;
    int number;
};
const cMessageText kMessages[] = {
    {"qorns::explorer", 32},  {"qorns::explorer", 96},  {"qorns::explorer", 97},
    {"qorns::explorer", 98},  {"qorns::explorer", 121}, {"qorns::explorer", 123},
    {"qorns::explorer", 126}, {"qorns::explorer", 156}, {"qorns::explorer", 157},
    {"qorns::explorer", 158}, {"qorns::explorer", 171}, {"qorns::explorer", 174},
    {"qorns::explorer", 181}, {"qorns::explorer", 190}, {"qorns::explorer", 192},
    {"qorns::copyfiles", 26}, {"qorns::copyfiles", 25},
};

// Whether a text drawn cut is a pack's text or a wrapped line of one. Names from the disk
// and values filled into a text (a partition's sector and size) may be cut, as long
// names in a list are.
bool FromPack(std::u16string_view cut) {
    static const char* const kSections[] = {
        "tusk::filechoose", "tusk::folderchoose", "tusk::messages",      "tusk::propsheet",
        "tusk::units",      "qorns::about",       "qorns::copyfiles",    "qorns::explorer",
        "qorns::progress",  "qorns::startup",     "qorns::overwritereq", "qorns::props",
    };
    cut = cut.substr(0, cut.find_last_not_of(u' ') + 1);
    for (const char* name : kSections) {
        const cTextSection* section = lang::Registry().FindSection(name);
        for (int i = 0; section && i < section->Count(); ++i) {
            const auto text = section->Text(i);
            if (text && text->find(cut) != std::u16string_view::npos) {
                return true;
            }
        }
    }
    return false;
}

// Buttons, labels and check boxes that name a text but show none.
void ExpectCaptions(const cChildElement& element, const std::string& where) {
    for (const auto& child : element.Children()) {
        if (const auto* button = dynamic_cast<const cButtonChild*>(child.get())) {
            EXPECT_FALSE(button->Caption().empty()) << where << ": a button without caption";
        }
        ExpectCaptions(*child, where);
    }
}

class Languages : public ::testing::TestWithParam<eLanguage> {
protected:
    void SetUp() override {
        lang::RegisterPacksFor(GetParam());
        painter::SetCutTextListener(
            [this](std::u16string_view text) { cut_.emplace_back(current_, text); });
        // Every window the program opens is looked at, pictured, and closed.
        maker_.SetDriver([this](cHeadlessHost& host) { Look(host); });
        const std::string scratch = fixtures::ScratchDir();
        ASSERT_TRUE(Settings().Load(utf::FromUtf8(scratch + "/config.hbin")));
    }
    void TearDown() override {
        painter::SetCutTextListener({});
        Settings().Close();
        // The rest of the binary's tests read the Russian texts the program starts with.
        lang::RegisterPacksFor(eLanguage::Russian);
    }

    std::string Suffix() const { return GetParam() == eLanguage::Russian ? "ru" : "en"; }

    void Look(cHeadlessHost& host) {
        cCustomForm& form = host.Form();
        current_ = form.FormName();
        // Forms that start a job on opening are pictured once it has ended.
        for (int i = 0;
             i < 200 && (dynamic_cast<cBgInitUI*>(&form) || dynamic_cast<cCopyFilesUI*>(&form)) &&
             !host.EndCode() && !host.Destroyed();
             ++i) {
            host.WaitForWakeUp(50);
            host.RunWakeUps();
        }
        Picture(host, form.FormName());
        if (auto* box = dynamic_cast<cMessageForm*>(&form)) {
            EXPECT_FALSE(box->Message().empty());
        }
        if (!host.EndCode()) {
            host.RequestClose();
        }
        if (!host.EndCode()) {
            form.EndForm(0);
        }
    }

    void Picture(cHeadlessHost& host, const std::string& name) {
        current_ = name;
        EXPECT_FALSE(host.Form().Caption().empty()) << name;
        ExpectCaptions(host.Form(), name);
        host.Render();
        const std::string file = "lang-" + Suffix() + "-" + name + ".png";
        if (pictured_.insert(file).second) {
            EXPECT_TRUE(host.SavePng(gui_test::ShotPath(file)));
        }
    }

    cHeadlessMaker maker_;
    std::string current_;
    std::vector<std::pair<std::string, std::u16string>> cut_;
    std::set<std::string> pictured_;
};

TEST_P(Languages, EveryWindowShowsItsTextsWhole) {
    cStorageList list(EngineTreeBuilder());
    const std::string image = fixtures::Image("fat-images.sh", "fat16.img");
    ASSERT_TRUE(list.AddImageFile(utf::FromUtf8(image)));
    cQORNDriveInstance& entry = *list.Entries().back();
    {
        cZelvaneForm main(list);
        // At the size the window opens with; the user may make it larger, not smaller.
        cHeadlessHost host(main, kZelvaneWidth, kZelvaneHeight);
        Picture(host, "main-storages");
        cPartTreeItem& root = *static_cast<cPartStorageTree*>(entry.Tree())->Tree().First();
        main.StorageView().SelectNode(&entry, nullptr);
        Picture(host, "main-storage");
        main.StorageView().SelectNode(&entry, &root);
        Picture(host, "main-partition");
        ASSERT_TRUE(main.Browse(entry, root));
        for (int i = 0; i < 200 && (main.IsRunning() || host.PostedWakeUps() != 0); ++i) {
            host.WaitForWakeUp(50);
            host.RunWakeUps();
        }
        Picture(host, "main-browse");

        // The message boxes, over the main window.
        for (const cMessageText& message : kMessages) {
            const auto text = lang::Registry().Text(message.section, message.number);
            ASSERT_TRUE(text) << message.section << " " << message.number;
            MessageBoxQuestion(&main, std::u16string(*text));
        }
        MessageBoxInformation(&main, u"i");
        MessageBoxWarning(&main, u"w");
        MessageBoxError(&main, u"e");
    }

    cBgInitUI startup([] {});
    maker_.RunModal(startup, cBgInitUI::kWidth, cBgInitUI::kHeight, nullptr, false);
    explorer::cAboutForm about;
    maker_.RunModal(about, about.kWidth, about.kHeight, nullptr, false);
    explorer::cProgramSettingsForm settings;
    maker_.RunModal(settings, settings.kWidth, settings.kHeight, nullptr, false);
    cCopyFilesOverwriteActionUI conflict;
    maker_.RunModal(conflict, conflict.PreferredWidth(), conflict.kHeight, nullptr, false);
    cCopyFilesUI copy({}, utf::FromUtf8(fixtures::ScratchDir()));
    maker_.RunModal(copy, copy.kWidth, copy.kHeight, nullptr, false);
    cFileChooseDialog open(LocalFolders(), {});
    maker_.RunModal(open, open.kWidth, open.kHeight, nullptr, true);
    cFileChooseDialog save(LocalFolders(), {.mode = cFileChooseDialog::eMode::Save});
    maker_.RunModal(save, save.kWidth, save.kHeight, nullptr, true);
    cFolderChooseDialog folder(LocalFolders());
    maker_.RunModal(folder, folder.kWidth, folder.kHeight, nullptr, true);
    cNewFolderNameReqForm newFolder;
    maker_.RunModal(newFolder, newFolder.kWidth, newFolder.kHeight, nullptr, false);
    cMemIO blank(std::vector<std::uint8_t>(8 * 512));
    imaging_window::cImagingForm imaging(blank);
    maker_.RunModal(imaging, imaging.kWidth, imaging.kHeight, nullptr, true);

    EXPECT_GE(pictured_.size(), 13u);
    for (const auto& [form, text] : cut_) {
        EXPECT_FALSE(FromPack(text)) << form << " cuts \"" << utf::ToUtf8(text) << "\"";
    }
}

// The settings sheet's list stores the choice the next start reads, and says so.
TEST_P(Languages, TheSettingsSheetStoresTheChoiceForTheNextStart) {
    explorer::cProgramSettingsForm form;
    cHeadlessHost host(form, form.kWidth, form.kHeight, true);
    cComboBoxChild& list = form.LanguageList();
    ASSERT_EQ(list.Items().size(), 3u);
    EXPECT_EQ(list.Items()[1], u"English");
    EXPECT_EQ(list.Items()[2], u"Русский");
    EXPECT_EQ(list.Selected(), form.kLanguageFromLocale);
    const lang::cLocaleVariables german{"", "", "", "de_DE.UTF-8"};
    const std::size_t before = pictured_.size();

    list.Select(form.kLanguageRussian, true);
    EXPECT_EQ(Settings().GetText(kSettingLanguage), u"RUS");
    EXPECT_EQ(lang::ChooseLanguage(Settings().GetText(kSettingLanguage), german),
              eLanguage::Russian);
    EXPECT_EQ(pictured_.size(), before + 1); // the note about the next start
    list.Select(form.kLanguageEnglish, true);
    EXPECT_EQ(Settings().GetText(kSettingLanguage), u"ENG");
    list.Select(form.kLanguageFromLocale, true);
    EXPECT_EQ(Settings().GetText(kSettingLanguage), u"");
    EXPECT_EQ(lang::ChooseLanguage(Settings().GetText(kSettingLanguage), german),
              eLanguage::English);

    // The sheet opens on what was stored.
    Settings().SetText(kSettingLanguage, u"RUS", true);
    explorer::cProgramSettingsForm again;
    cHeadlessHost shown(again, again.kWidth, again.kHeight, true);
    EXPECT_EQ(again.LanguageList().Selected(), again.kLanguageRussian);
    // The sheet's row names the language the interface speaks now.
    const cPropDispAreaChild::cRow* row = again.Sheet().Area().RowById(again.kRowLanguage);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->value, GetParam() == eLanguage::Russian ? u"Русский" : u"English");
}

INSTANTIATE_TEST_SUITE_P(, Languages, ::testing::Values(eLanguage::English, eLanguage::Russian),
                         [](const auto& info) {
                             return info.param == eLanguage::English ? "English" : "Russian";
                         });

} // namespace
