// The file and folder choosers over a real temporary folder: listing through the
// provider's worker, filters, going into folders, refusing paths that are no folders,
// and what each mode accepts.

#include "app/local_folders.h"
#include "base/utf.h"
#include "gui/controls/edit_child.h"
#include "gui/dialogs/file_choose_dialog.h"
#include "gui/dialogs/folder_choose_dialog.h"
#include "gui/dialogs/new_folder_name_req_form.h"
#include "gui/navigation/navigation_child.h"
#include "gui/sdl/headless_host.h"
#include "gui/views/list_view_child.h"
#include "gui/views/simple_list_view_element.h"
#include "views_support.h"

#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class cTempFolder {
public:
    cTempFolder() {
        path_ = fs::temp_directory_path() / ("drovik-choose-" + std::to_string(::getpid()));
        fs::remove_all(path_);
        fs::create_directories(path_ / "Sub");
        fs::create_directories(path_ / "another");
        for (const char* name : {"disk.IMG", "b.dd", "notes.txt", "Ёлка.vmdk"}) {
            std::ofstream(path_ / name) << "data";
        }
        std::ofstream(path_ / "Sub" / "inner.img") << "x";
    }
    ~cTempFolder() { fs::remove_all(path_); }
    std::u16string Path(const char* below = nullptr) const {
        return utf::FromUtf8((below ? path_ / below : path_).string());
    }

private:
    fs::path path_;
};

// Runs wake-ups until the chooser's listing has arrived.
void WaitListed(cHeadlessHost& host, cChooserForm& chooser) {
    for (int i = 0; i < 500 && (chooser.IsListing() || chooser.Provider().IsRunning()); ++i) {
        host.WaitForWakeUp(10);
        host.RunWakeUps();
    }
    host.RunWakeUps();
}

std::vector<std::u16string> Names(cListViewChild& list) {
    std::vector<std::u16string> names;
    for (int i = 0; i < list.ItemCount(); ++i) {
        names.emplace_back(list.Item(i)->Text(0));
    }
    return names;
}

cFileChooseDialog::cOptions ImageOptions(std::u16string folder) {
    cFileChooseDialog::cOptions options;
    options.filters = {{u"Образы диска и виртуальные диски",
                        u"*.img;*.dd;*.flp;*.vmdk;*.vhd;*.vfd;*.hdd;*.dmg;*.kvbs;*.uci"},
                       {u"Все файлы", u"*"}};
    options.initialFolder = std::move(folder);
    return options;
}

TEST(FileChooser, ListsARealFolderAndFiltersByPattern) {
    gui_test::RegisterPacks();
    cTempFolder temp;
    const std::string dated = utf::ToUtf8(temp.Path()) + "/b.dd";
    const timespec times[2] = {{1700000000, 0}, {1700000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, dated.c_str(), times, 0), 0);
    cFileChooseDialog dialog(LocalFolders(), ImageOptions(temp.Path()));
    cHeadlessHost host(dialog, cFileChooseDialog::kWidth, cFileChooseDialog::kHeight, true);
    WaitListed(host, dialog);
    EXPECT_EQ(dialog.CurrentFolder(), temp.Path());
    // Folders first, then the files matching the filter (case aside), each by name.
    EXPECT_EQ(Names(dialog.List()), (std::vector<std::u16string>{u"another", u"Sub", u"b.dd",
                                                                 u"disk.IMG", u"Ёлка.vmdk"}));
    EXPECT_EQ(dialog.List().Item(0)->Text(2), u"Папка");
    // Sizes and dates are written as everywhere in the program.
    EXPECT_EQ(dialog.List().Item(2)->Text(1), u"4 Б");
    EXPECT_EQ(dialog.List().Item(2)->Text(3), u"14.11.2023 22:13:20");
    host.Render();
    EXPECT_TRUE(host.SavePng(views_test::ShotPath("dialogs_file_open.png")));
    dialog.SetFilter(1);
    EXPECT_EQ(dialog.List().ItemCount(), 6);
    EXPECT_TRUE(dialog.Matches(u"x.VHD", 0));
    EXPECT_FALSE(dialog.Matches(u"x.vhdx", 0));
}

TEST(FileChooser, GoesIntoFoldersAndRefusesWhatIsNoFolder) {
    gui_test::RegisterPacks();
    cTempFolder temp;
    cFileChooseDialog dialog(LocalFolders(), ImageOptions(temp.Path()));
    cHeadlessHost host(dialog, cFileChooseDialog::kWidth, cFileChooseDialog::kHeight, true);
    WaitListed(host, dialog);
    // A file is no place to list; the view and the folder stay as they were.
    EXPECT_FALSE(dialog.Provider().IsValidPath(temp.Path("notes.txt")));
    EXPECT_FALSE(dialog.Go(temp.Path("notes.txt")));
    EXPECT_FALSE(dialog.Go(temp.Path("missing")));
    EXPECT_EQ(dialog.CurrentFolder(), temp.Path());
    EXPECT_TRUE(dialog.Provider().IsValidPath(u""));

    // Double click on "Sub" (row 1) goes into it; Up comes back.
    const cRect list = dialog.List().FormRect();
    const int y = list.y + 1 + cHeaderChild::kHeight + cListViewChild::kRowHeight + 10;
    host.DoubleClick(list.x + 80, y);
    host.RunWakeUps();
    WaitListed(host, dialog);
    EXPECT_EQ(dialog.CurrentFolder(), temp.Path("Sub"));
    EXPECT_EQ(Names(dialog.List()), std::vector<std::u16string>{u"inner.img"});
    dialog.OnCommand(nullptr, kActionActivate, cChooserForm::kCommandUp);
    WaitListed(host, dialog);
    EXPECT_EQ(dialog.CurrentFolder(), temp.Path());
    // Typing a folder into the name field and accepting goes there too.
    dialog.SetName(u"another");
    dialog.Accept();
    WaitListed(host, dialog);
    EXPECT_EQ(dialog.CurrentFolder(), temp.Path("another"));
    EXPECT_FALSE(host.EndCode().has_value());
    // Above the root: the machine's roots, named by kind.
    ASSERT_TRUE(dialog.Go(u""));
    WaitListed(host, dialog);
    ASSERT_GE(dialog.List().ItemCount(), 1);
    EXPECT_EQ(dialog.List().Item(0)->Text(0), u"/");
    EXPECT_EQ(dialog.List().Item(0)->Text(2), u"Компьютер");
}

TEST(FileChooser, OpenAcceptsOnlyExistingFilesAndSaveAddsTheExtension) {
    gui_test::RegisterPacks();
    cTempFolder temp;
    {
        cFileChooseDialog dialog(LocalFolders(), ImageOptions(temp.Path()));
        cHeadlessHost host(dialog, cFileChooseDialog::kWidth, cFileChooseDialog::kHeight, true);
        WaitListed(host, dialog);
        dialog.SetName(u"nothing.img");
        dialog.Accept(); // no window maker: the message is not shown, nothing is chosen
        EXPECT_FALSE(host.EndCode().has_value());
        // Selecting a file row puts its name in the field; Enter accepts.
        dialog.List().Select(3);
        host.RunWakeUps();
        host.Key(key::kEnter);
        EXPECT_EQ(host.EndCode(), 1);
        EXPECT_EQ(dialog.Chosen(), temp.Path("disk.IMG"));
    }
    {
        auto options = ImageOptions(temp.Path());
        options.mode = cFileChooseDialog::eMode::Save;
        options.defaultExtension = u"img";
        options.proposedName = u"backup";
        cFileChooseDialog dialog(LocalFolders(), std::move(options));
        cHeadlessHost host(dialog, cFileChooseDialog::kWidth, cFileChooseDialog::kHeight, true);
        WaitListed(host, dialog);
        EXPECT_EQ(dialog.Caption(), u"Сохранить как");
        dialog.Accept();
        EXPECT_EQ(host.EndCode(), 1);
        EXPECT_EQ(dialog.Chosen(), temp.Path("backup.img"));
    }
}

TEST(FolderChooser, ListsOnlyFoldersAndChoosesOne) {
    gui_test::RegisterPacks();
    cTempFolder temp;
    cFolderChooseDialog dialog(LocalFolders(), temp.Path());
    cHeadlessHost host(dialog, cFolderChooseDialog::kWidth, cFolderChooseDialog::kHeight, true);
    WaitListed(host, dialog);
    ASSERT_EQ(dialog.List().ItemCount(), 2);
    EXPECT_EQ(dialog.List().Item(0)->Text(), u"another");
    EXPECT_EQ(dialog.List().Item(1)->Text(), u"Sub");
    dialog.List().Select(1);
    host.Render();
    EXPECT_TRUE(host.SavePng(views_test::ShotPath("dialogs_folder.png")));
    dialog.Accept();
    EXPECT_EQ(host.EndCode(), 1);
    EXPECT_EQ(dialog.Chosen(), temp.Path("Sub"));
}

TEST(FolderChooser, BrowsesFromTheMachinesRootsIntoTheRealFileSystem) {
    gui_test::RegisterPacks();
    cTempFolder temp;
    cFolderChooseDialog dialog(LocalFolders(), temp.Path());
    cHeadlessHost host(dialog, cFolderChooseDialog::kWidth, cFolderChooseDialog::kHeight, true);
    WaitListed(host, dialog);
    // Up from the temporary folder, then up until the roots: "/" first.
    for (int i = 0; i < 64 && !dialog.CurrentFolder().empty(); ++i) {
        dialog.OnCommand(nullptr, kActionActivate, cChooserForm::kCommandUp);
        WaitListed(host, dialog);
    }
    ASSERT_TRUE(dialog.CurrentFolder().empty());
    ASSERT_GE(dialog.List().ItemCount(), 1);
    EXPECT_EQ(dialog.List().Item(0)->Text(), u"/");
    dialog.List().Select(0);
    host.Key(key::kEnter, 0); // Enter in the list goes into the folder
    host.RunWakeUps();
    WaitListed(host, dialog);
    EXPECT_EQ(dialog.CurrentFolder(), u"/");
    bool hasEtc = false;
    for (int i = 0; i < dialog.List().ItemCount(); ++i) {
        hasEtc |= dialog.List().Item(i)->Text() == u"etc";
    }
    EXPECT_TRUE(hasEtc);
}

TEST(NewFolderPrompt, AcceptsOnlyANameThatCanBeAFolder) {
    gui_test::RegisterPacks();
    cNewFolderNameReqForm prompt;
    cHeadlessHost host(prompt, cNewFolderNameReqForm::kWidth, cNewFolderNameReqForm::kHeight, true);
    EXPECT_EQ(prompt.Caption(), u"Новая папка");
    host.Type(u"a/b");
    host.Key(key::kEnter);
    EXPECT_FALSE(host.EndCode().has_value());
    host.Key(key::kBackspace);
    host.Key(key::kBackspace);
    host.Type(u"-копии");
    host.Render();
    EXPECT_TRUE(host.SavePng(views_test::ShotPath("dialogs_new_folder.png")));
    host.Key(key::kEnter);
    EXPECT_EQ(host.EndCode(), 1);
    EXPECT_EQ(prompt.Name(), u"a-копии");
}

TEST(FolderChooser, RootsAndPaths) {
    EXPECT_EQ(chooser_path::Parent(u"/a/b"), u"/a");
    EXPECT_EQ(chooser_path::Parent(u"/a"), u"/");
    EXPECT_EQ(chooser_path::Parent(u"/"), u"");
    EXPECT_EQ(chooser_path::Parent(u"/a/b/"), u"/a");
    EXPECT_EQ(chooser_path::Join(u"/", u"x"), u"/x");
    EXPECT_EQ(chooser_path::Join(u"/a", u"x"), u"/a/x");
    EXPECT_TRUE(cNewFolderNameReqForm::IsValidName(u"New folder"));
    for (const char16_t* bad : {u"", u".", u"..", u"a/b"}) {
        EXPECT_FALSE(cNewFolderNameReqForm::IsValidName(bad)) << utf::ToUtf8(bad);
    }
}

} // namespace
