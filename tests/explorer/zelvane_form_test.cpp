// The main window over real FAT images, headless: the storage view's pages, browsing a
// volume through the navigation job, paging, the questions of closing.
// Pictures of each view are saved for people to look at (DROVIK_GUI_SHOTS).

#include "base/format_text.h"
#include "explorer_fixture.h"

namespace {

using explorer_test::ExplorerForm;
using explorer_test::ReadFile;
using gui_test::Centre;
using gui_test::FindButton;
using gui_test::ShotPath;

TEST_F(ExplorerForm, StorageViewShowsGroupsAndPartitionFacts) {
    cQORNDriveInstance* opened = OpenImage("fat16.img");
    ASSERT_NE(opened, nullptr);
    cQORNDriveInstance& entry = *opened;
    auto form = std::make_unique<cZelvaneForm>(list_);
    cHeadlessHost host(*form, kZelvaneWidth, kZelvaneHeight);
    cTreeViewChild& tree = form->StorageView().Tree();
    ASSERT_GE(tree.RowCount(), 6); // root, three groups, the image, its volume
    EXPECT_EQ(tree.RowItem(0)->Text(), u"Этот компьютер");
    EXPECT_EQ(tree.RowItem(1)->Text(), u"Физические устройства");
    host.Render();
    EXPECT_TRUE(host.SavePng(ShotPath("explorer-storages.png")));

    form->StorageView().SelectNode(&entry, &Root(entry));
    const cPropDispAreaChild& area = form->StorageView().Sheet().Area();
    ASSERT_NE(area.RowById(65), nullptr);
    EXPECT_EQ(area.RowById(65)->value, u"FAT");
    EXPECT_EQ(area.RowById(57)->value, u"0 (0x00000000)");
    EXPECT_EQ(area.RowById(61)->value, u"32768 (0x00008000)");
    EXPECT_EQ(area.RowById(61)->help, u"Размер раздела в секторах по 512 байт.");
    EXPECT_EQ(area.RowById(101)->value, u"VOLUME16");
    EXPECT_EQ(area.RowById(70)->value, u"Доступна");
    EXPECT_EQ(area.RowById(108), nullptr); // neither damaged nor larger than its partition
    EXPECT_NE(FindButton(*form, explorer::kActBrowse), nullptr);
    EXPECT_EQ(FindButton(*form, explorer::kActDeletePartition), nullptr); // the whole storage
    host.Render();
    EXPECT_TRUE(host.SavePng(ShotPath("explorer-partition-page.png")));

    form->StorageView().SelectNode(&entry, nullptr);
    EXPECT_EQ(area.RowById(48)->value, u"32768 (0.02GB)");
    EXPECT_NE(FindButton(*form, explorer::kActCloseStorage), nullptr);
    ASSERT_NE(FindButton(*form, explorer::kActImageStorage), nullptr);
    FindButton(*form, explorer::kActImageStorage)
        ->SendCommand(kActionActivate, explorer::kActImageStorage);
    EXPECT_EQ(imagingWindows_, 1);
    host.Render();
    EXPECT_TRUE(host.SavePng(ShotPath("explorer-storage-page.png")));
    answer_ = false;
    FindButton(*form, explorer::kActCloseStorage)
        ->SendCommand(kActionActivate, explorer::kActCloseStorage);
    EXPECT_EQ(questions_, 1);
    EXPECT_EQ(list_.Entries().size(), 1u);
    answer_ = true;
    form->CloseStorage();
    EXPECT_TRUE(list_.Entries().empty());
    EXPECT_TRUE(list_.IsChanged());
}

// A Mac hybrid disc: its HFS+ partition shows the type and label, and its root lists
// the names as they were typed.
TEST_F(ExplorerForm, MacVolumesShowTheirTypeAndLabel) {
    cQORNDriveInstance* opened = OpenImage("hfsplus.iso", "hfs-plus.sh");
    ASSERT_NE(opened, nullptr);
    cPartTreeItem* hfs = Root(*opened).FirstChild();
    for (int i = 0; hfs && i < 2; ++i) {
        hfs = hfs->Next();
    }
    ASSERT_NE(hfs, nullptr);
    auto form = std::make_unique<cZelvaneForm>(list_);
    cHeadlessHost host(*form, kZelvaneWidth, kZelvaneHeight);
    form->StorageView().SelectNode(opened, hfs);
    const cPropDispAreaChild& area = form->StorageView().Sheet().Area();
    ASSERT_NE(area.RowById(65), nullptr);
    EXPECT_EQ(area.RowById(65)->value, u"HFS+");
    EXPECT_EQ(area.RowById(101)->value, u"HFSPLUS_VOL");
    host.Render();
    EXPECT_TRUE(host.SavePng(ShotPath("explorer-hfsplus-partition.png")));
    ASSERT_TRUE(form->Browse(*opened, *hfs));
    WaitForListing(*form, host);
    EXPECT_GE(RowOf(*form, u"Résumé.txt"), 0);
    EXPECT_GE(RowOf(*form, u"Кириллица"), 0);
    host.Render();
    EXPECT_TRUE(host.SavePng(ShotPath("explorer-hfsplus-root.png")));
}

// Drives are told apart by their device node, beside the name that says what they are.
TEST_F(ExplorerForm, ExtVolumesShowTheirTypeLabelAndFolders) {
    if (!fixtures::IsRoot()) {
        GTEST_SKIP() << "making the images needs a loop mount";
    }
    auto window = BrowseImage("ext4.img", false, "ext-images.sh");
    ASSERT_TRUE(window);
    EXPECT_GE(RowOf(window->form, u"deep"), 0);
    EXPECT_GE(RowOf(window->form, u"readme.txt"), 0);
    EXPECT_EQ(RowOf(window->form, u"link-short"), -1);
    window->host.Render();
    EXPECT_TRUE(window->host.SavePng(ShotPath("explorer-browse-ext4.png")));

    cQORNDriveInstance& entry = *list_.Entries().back();
    auto form = std::make_unique<cZelvaneForm>(list_);
    cHeadlessHost host(*form, kZelvaneWidth, kZelvaneHeight);
    form->StorageView().SelectNode(&entry, &Root(entry));
    const cPropDispAreaChild& area = form->StorageView().Sheet().Area();
    ASSERT_NE(area.RowById(65), nullptr);
    EXPECT_EQ(area.RowById(65)->value, u"Ext2/3/4");
    ASSERT_NE(area.RowById(101), nullptr);
    EXPECT_EQ(area.RowById(101)->value, u"drovik-ext4");
    host.Render();
    EXPECT_TRUE(host.SavePng(ShotPath("explorer-ext4-partition.png")));
}

TEST_F(ExplorerForm, DrivesShowTheirDeviceNode) {
    SimDevices devices;
    devices.Drive(0) = MakeSimDisk(64 * 512);
    cStorageList drives(EngineTreeBuilder(), devices);
    ASSERT_NE(drives.AddPhysicalDrive(0), nullptr);
    cZelvaneForm form(drives);
    cHeadlessHost host(form, kZelvaneWidth, kZelvaneHeight);
    cTreeViewChild& tree = form.StorageView().Tree();
    ASSERT_GE(tree.RowCount(), 3);
    EXPECT_EQ(tree.RowItem(2)->Text(), u"Drive0 (sim:drive0)");
    form.StorageView().SelectNode(drives.Entries().front().get(), nullptr);
    EXPECT_EQ(form.StorageView().Sheet().Area().RowById(46)->value, u"Drive0 (sim:drive0)");
}

// The help line under the property rows speaks of the row under the pointer or selected
// on the page shown, never of a row of the page before.
TEST_F(ExplorerForm, StorageHelpLineFollowsThePage) {
    cQORNDriveInstance* opened = OpenImage("fat16.img");
    ASSERT_NE(opened, nullptr);
    cZelvaneForm form(list_);
    cHeadlessHost host(form, kZelvaneWidth, kZelvaneHeight);
    cPropSheetChild& sheet = form.StorageView().Sheet();
    const std::u16string devices(form.StorageView().Text(35).value_or(u""));
    ASSERT_FALSE(devices.empty());
    // The first row of the root page: the physical devices.
    const cRect rows = sheet.Area().FormRect();
    host.MouseMove(rows.x + 40, rows.y + sheet.Area().Viewport().y + 10);
    EXPECT_EQ(sheet.HelpText(), devices);

    form.StorageView().SelectNode(opened, &Root(*opened));
    host.RunWakeUps();
    EXPECT_NE(sheet.HelpText(), devices);
    const cRect page = sheet.Area().FormRect();
    // The partition's first value, under its section head.
    host.MouseMove(page.x + 40,
                   page.y + sheet.Area().Viewport().y + cPropDispAreaChild::kRowHeight + 10);
    EXPECT_EQ(sheet.HelpText(), sheet.Area().RowById(57)->help);
    form.StorageView().SelectNode(opened, nullptr);
    host.RunWakeUps();
    EXPECT_EQ(sheet.HelpText(), u"");
}

TEST_F(ExplorerForm, BrowsesAVolumeAndItsFolders) {
    auto window = BrowseImage("fat16.img");
    ASSERT_NE(window, nullptr);
    cZelvaneForm& form = window->form;
    cHeadlessHost& host = window->host;
    ASSERT_TRUE(form.BrowseShown());
    explorer::cBrowseViewChild& view = form.BrowseView();
    ASSERT_GT(view.Rows().Count(), 5u);
    // Folders first: the listing's folders, then its files.
    EXPECT_EQ(view.Rows().Row(0).type, fskind::kFolder);
    EXPECT_EQ(view.Rows().Row(view.Rows().Count() - 1).type, fskind::kFile);
    EXPECT_GE(RowOf(form, u"many"), 0);
    EXPECT_NE(view.StatusText().find(u"объект(ов) в директории."), std::u16string_view::npos);

    const int zero = RowOf(form, u"zero.bin");
    ASSERT_GE(zero, 0);
    EXPECT_EQ(view.List().Item(zero)->Text(1), u"0 КБ");
    EXPECT_EQ(view.List().Item(zero)->Text(3), u"15.06.2007 10:20:30");
    view.List().Select(zero);
    host.RunWakeUps();
    EXPECT_EQ(view.StatusText(), u"Выбран файл «zero.bin». Собственный размер 0 байт.");
    host.Render();
    EXPECT_TRUE(host.SavePng(ShotPath("explorer-browse-root.png")));

    // Into a folder by activating its row, as a double click does.
    view.List().Select(RowOf(form, u"many"));
    host.RunWakeUps();
    view.ActivateFocused();
    WaitForListing(form, host);
    EXPECT_EQ(view.FolderPath(), u"/many");
    EXPECT_EQ(view.Rows().Count(), 2500u);
    EXPECT_EQ(view.List().Item(0)->Text(0), u"f0001.txt");
    host.Render();
    EXPECT_TRUE(host.SavePng(ShotPath("explorer-browse-many.png")));

    // Backspace in the list goes back up.
    view.List().SetFocus();
    host.Key(key::kBackspace);
    WaitForListing(form, host);
    EXPECT_EQ(view.FolderPath(), u"/");
}

// As a person does it: a click on the row, Enter to open it, Backspace to come back.
TEST_F(ExplorerForm, EnterAndBackspaceFromTheKeyboardGoDownAndUp) {
    auto window = BrowseImage("fat16.img");
    ASSERT_NE(window, nullptr);
    cZelvaneForm& form = window->form;
    cHeadlessHost& host = window->host;
    explorer::cBrowseViewChild& view = form.BrowseView();
    const int row = RowOf(form, u"many");
    ASSERT_GE(row, 0);
    cListViewChild& list = view.List();
    const cRect at = list.FormRect();
    host.Click(at.x + 60, at.y + list.Viewport().y + row * cListViewChild::kRowHeight + 10);
    host.RunWakeUps();
    ASSERT_EQ(view.FocusedObject() ? view.FocusedObject()->name : u"", u"many");

    host.Key(key::kEnter);
    WaitForListing(form, host);
    EXPECT_EQ(view.FolderPath(), u"/many");
    host.Key(key::kBackspace);
    WaitForListing(form, host);
    EXPECT_EQ(view.FolderPath(), u"/");
}

TEST_F(ExplorerForm, LargeFoldersArePaged) {
    auto window = BrowseImage("fat12.img");
    ASSERT_NE(window, nullptr);
    cZelvaneForm& form = window->form;
    cHeadlessHost& host = window->host;
    explorer::cFolderRows rows;
    cFSFile file;
    for (int i = 0; i < 5001; ++i) {
        file.name = u"f" + utf::FromAscii(std::to_string(i));
        rows.Offer(file);
    }
    rows.Finish();
    form.BrowseView().ShowFolder(u"/big", std::move(rows));
    EXPECT_EQ(form.BrowseView().PageSelector().Items(), (std::vector<std::u16string>{u"1", u"2"}));
    EXPECT_EQ(form.BrowseView().List().ItemCount(), 5000);
    form.BrowseView().PageSelector().Select(1, true);
    host.RunWakeUps();
    EXPECT_EQ(form.BrowseView().Page(), 1);
    ASSERT_EQ(form.BrowseView().List().ItemCount(), 1);
    EXPECT_EQ(form.BrowseView().List().Item(0)->Text(0), u"f999"); // ordinal: last of all
}

// Escape and the window's close button ask first while disk images are open, and only
// then; no answers keep the window.
TEST_F(ExplorerForm, EscapeAndClosingAskWhileImagesAreOpen) {
    {
        cZelvaneForm form(list_);
        cHeadlessHost host(form, kZelvaneWidth, kZelvaneHeight, true);
        host.Key(key::kEscape);
        EXPECT_EQ(questions_, 0);
        EXPECT_EQ(host.EndCode(), 0);
    }
    ASSERT_NE(OpenImage("fat12.img"), nullptr);
    cZelvaneForm form(list_);
    cHeadlessHost host(form, kZelvaneWidth, kZelvaneHeight, true);
    answer_ = false;
    host.Key(key::kEscape);
    EXPECT_EQ(questions_, 1);
    host.RequestClose();
    EXPECT_EQ(questions_, 2);
    EXPECT_FALSE(host.EndCode().has_value());
    answer_ = true;
    host.Key(key::kEscape);
    EXPECT_EQ(questions_, 3);
    EXPECT_EQ(host.EndCode(), 0);
}

// A volume reaching past the end of its partition may be one member of a striped set:
// the page says so, and the volume still browses.
TEST_F(ExplorerForm, AVolumeLargerThanItsPartitionShowsAsPartial) {
    cQORNDriveInstance* opened = OpenImage("raid-member.img");
    ASSERT_NE(opened, nullptr);
    cZelvaneForm form(list_);
    cHeadlessHost host(form, kZelvaneWidth, kZelvaneHeight);
    cPartTreeItem& root = Root(*opened);
    ASSERT_EQ(root.Children().size(), 1u);
    cPartTreeItem& member = *root.Children().front();
    form.StorageView().SelectNode(opened, &member);
    const cPropDispAreaChild& area = form.StorageView().Sheet().Area();
    ASSERT_NE(area.RowById(108), nullptr);
    EXPECT_EQ(area.RowById(108)->value, u"Частичный (RAID)");
    EXPECT_EQ(area.RowById(108)->help.rfind(form.StorageView().Text(107).value_or(u"-"), 0), 0u);
    EXPECT_EQ(area.RowById(70)->value, u"Доступна");
    host.Render();
    EXPECT_TRUE(host.SavePng(ShotPath("explorer-raid-member.png")));
}

TEST_F(ExplorerForm, DeletingAPartitionAsksAndMarksTheListChanged) {
    const std::string path = fixtures::Image("fat-images.sh", "disk.img");
    ASSERT_NE(list_.AddImageFile(utf::FromUtf8(path)), nullptr);
    cQORNDriveInstance& entry = *list_.Entries().back();
    cZelvaneForm form(list_);
    cHeadlessHost host(form, kZelvaneWidth, kZelvaneHeight);
    cPartTreeItem& root = Root(entry);
    ASSERT_EQ(root.Children().size(), 1u);
    form.StorageView().SelectNode(&entry, root.Children().front().get());
    ASSERT_NE(FindButton(form, explorer::kActDeletePartition), nullptr);
    answer_ = false;
    form.DeletePartition();
    EXPECT_EQ(root.Children().size(), 1u);
    EXPECT_FALSE(list_.IsChanged());
    answer_ = true;
    form.DeletePartition();
    EXPECT_TRUE(root.Children().empty());
    EXPECT_TRUE(list_.IsChanged());
    EXPECT_EQ(questions_, 2);
}

TEST_F(ExplorerForm, OpeningAnImageRemembersItsFolderAndReportsFailures) {
    const std::string scratch = UseScratchSettings();
    const std::string image = fixtures::Image("fat-images.sh", "fat12.img");
    cZelvaneForm form(list_);
    cHeadlessHost host(form, kZelvaneWidth, kZelvaneHeight);
    chosen_ = utf::FromUtf8(image);
    form.OpenImage();
    EXPECT_EQ(choosers_, 1);
    EXPECT_EQ(questions_, 0);
    ASSERT_EQ(list_.Entries().size(), 1u);
    EXPECT_TRUE(list_.IsChanged());
    EXPECT_EQ(Settings().GetText(kSettingLastImageFolder),
              utf::FromUtf8(image.substr(0, image.rfind('/'))));
    // The new image is selected, its page shown.
    EXPECT_EQ(form.StorageView().SelectedEntry(), list_.Entries().front().get());

    const std::string doomed = scratch + "/doomed.img";
    std::ofstream(doomed) << "bytes";
    chosen_ = utf::FromUtf8(doomed);
    vanish_ = true;
    form.OpenImage();
    EXPECT_EQ(questions_, 1); // message 32
    EXPECT_EQ(list_.Entries().size(), 1u);
    // Both were opened, and their file systems looked for, off the window thread.
    const std::u16string detecting(form.Text(120).value_or(u"-"));
    EXPECT_EQ(busyLines_, (std::vector<std::u16string>{detecting, detecting}));
}

// An image made by imaging opens with the sectors its map did not rescue failing, as on
// the drive, and says how many there are; a map that does not fit is left out, saying so.
TEST_F(ExplorerForm, AnImageOpensWithTheMapBesideIt) {
    const std::string scratch = UseScratchSettings();
    const std::string image = scratch + "/card.img";
    std::filesystem::copy_file(fixtures::Image("fat-images.sh", "fat12.img"), image);
    const std::uint64_t sectors = std::filesystem::file_size(image) / 512;
    std::ofstream(image + ".map") << "sectors " << sectors << "\n0 40 good\n40 5 bad\n45 "
                                  << sectors - 45 << " good\n";
    cZelvaneForm form(list_);
    cHeadlessHost host(form, kZelvaneWidth, kZelvaneHeight);
    chosen_ = utf::FromUtf8(image);
    form.OpenImage();
    ASSERT_EQ(list_.Entries().size(), 1u);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0], FormatText(*form.Text(196), {5}));
    const auto readsSector = [&](std::uint64_t sector) {
        const std::unique_ptr<cBaseIO> reader = list_.Entries().back()->Reader().Duplicate();
        std::uint8_t bytes[512];
        return reader->SeekSector(sector) == std::int64_t(sector) &&
               reader->ReadSectors(bytes, 1) == 1;
    };
    EXPECT_FALSE(readsSector(42));
    EXPECT_TRUE(readsSector(39));

    std::ofstream(image + ".map") << "sectors 8\n0 8 good\n";
    form.OpenImage();
    ASSERT_EQ(list_.Entries().size(), 2u);
    ASSERT_EQ(messages_.size(), 2u);
    EXPECT_NE(messages_[1].find(u"describes 8 sectors"), std::u16string::npos);
    EXPECT_TRUE(readsSector(42));
}

// A partition whose file system is not known yet is recognised off the window thread,
// under the small window's line; one with nothing recognisable says so and stays.
TEST_F(ExplorerForm, BrowsingRecognisesTheFileSystemFirst) {
    cQORNDriveInstance* opened = OpenImage("fat12.img");
    ASSERT_NE(opened, nullptr);
    cPartTreeItem& volume = Root(*opened);
    volume.DestroyExtensions();
    ASSERT_EQ(explorer::MountedFileSystem(volume), nullptr);
    cZelvaneForm form(list_);
    cHeadlessHost host(form, kZelvaneWidth, kZelvaneHeight);
    ASSERT_TRUE(form.Browse(*opened, volume));
    WaitForListing(form, host);
    EXPECT_NE(explorer::MountedFileSystem(volume), nullptr);
    EXPECT_GE(RowOf(form, u"readme.txt"), 0);
    const std::u16string detecting(form.Text(120).value_or(u"-"));
    EXPECT_EQ(busyLines_, std::vector<std::u16string>{detecting});
    EXPECT_TRUE(form.BackToStorages());

    const std::string blank = fixtures::ScratchDir() + "/blank.img";
    std::ofstream(blank, std::ios::binary).close();
    std::filesystem::resize_file(blank, 1 << 20); // zeros: no map, no file system
    ASSERT_NE(list_.AddImageFile(utf::FromUtf8(blank)), nullptr);
    cQORNDriveInstance& empty = *list_.Entries().back();
    EXPECT_FALSE(form.Browse(empty, Root(empty)));
    EXPECT_EQ(questions_, 1); // message 121
    EXPECT_FALSE(form.BrowseShown());
    EXPECT_EQ(busyLines_.size(), 2u);
}

TEST_F(ExplorerForm, QuickViewCopiesIntoTheKeptFolderOrAsksForOne) {
    const std::string scratch = UseScratchSettings();
    auto window = BrowseImage("fat12.img");
    ASSERT_NE(window, nullptr);
    cZelvaneForm& form = window->form;
    cHeadlessHost& host = window->host;
    form.BrowseView().List().Select(RowOf(form, u"readme.txt"));
    host.RunWakeUps();

    // No folder yet: the question, answered no, ends it.
    answer_ = false;
    form.QuickView();
    EXPECT_EQ(questions_, 1);

    ASSERT_TRUE(Settings().SetText(kSettingQuickViewFolder, utf::FromUtf8(scratch), true));
    questions_ = 0;
    form.QuickView();
    std::ifstream copy(scratch + "/readme.txt", std::ios::binary);
    ASSERT_TRUE(copy.good());
    std::stringstream bytes;
    bytes << copy.rdbuf();
    EXPECT_EQ(bytes.str(), "lower case short name\n");
    // Without a desktop handler the opening fails with message 171.
    EXPECT_LE(questions_, 1);
}

TEST_F(ExplorerForm, QuickSearchSelectsTheFirstMatchingRow) {
    auto window = BrowseImage("fat16.img");
    ASSERT_NE(window, nullptr);
    cZelvaneForm& form = window->form;
    cHeadlessHost& host = window->host;
    ASSERT_TRUE(form.OpenFolder(u"/many"));
    WaitForListing(form, host);
    form.BrowseView().QuickSearch(u"F2499");
    host.RunWakeUps();
    const cFSObject* found = form.BrowseView().FocusedObject();
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->name, u"f2499.txt");
    EXPECT_EQ(form.BrowseView().SelectedRows().size(), 1u);
}

TEST_F(ExplorerForm, SettingsSheetShowsAndTakesTheQuickViewFolder) {
    const std::string scratch = UseScratchSettings();
    explorer::cProgramSettingsForm sheet;
    cHeadlessHost host(sheet, explorer::cProgramSettingsForm::kWidth,
                       explorer::cProgramSettingsForm::kHeight);
    const cPropDispAreaChild& area = sheet.Sheet().Area();
    EXPECT_EQ(area.RowById(explorer::cProgramSettingsForm::kRowFolder)->value, u"Не указан");
    EXPECT_EQ(area.RowById(explorer::cProgramSettingsForm::kRowFolder)->help,
              u"Папка, в которую копируются файлы для быстрого просмотра.");
    Settings().SetText(kSettingQuickViewFolder, u"/no/such/folder", true);
    sheet.OnCommand(nullptr, kActionActivate, -1); // nothing of the sheet's
    EXPECT_TRUE(explorer::SetQuickViewFolder(utf::FromUtf8(scratch)));
    EXPECT_FALSE(explorer::SetQuickViewFolder(u"/no/such/folder"));
    EXPECT_EQ(explorer::QuickViewFolder(), utf::FromUtf8(scratch));
    host.Render();
    EXPECT_TRUE(host.SavePng(ShotPath("explorer-settings.png")));
}

TEST_F(ExplorerForm, AboutBoxShowsTheVersion) {
    explorer::cAboutForm about;
    cHeadlessHost host(about, explorer::cAboutForm::kWidth, explorer::cAboutForm::kHeight);
    EXPECT_EQ(about.Caption(), u"О программе");
    host.Render();
    EXPECT_TRUE(host.SavePng(ShotPath("explorer-about.png")));
    const cPoint at = Centre(*FindButton(about, explorer::cAboutForm::kCommandClose));
    host.Click(at.x, at.y);
    EXPECT_TRUE(host.Destroyed() || host.EndCode().has_value());
}

TEST_F(ExplorerForm, AnOvertakenListingNeverReplacesTheLatest) {
    cQORNDriveInstance* opened = OpenImage("fat16.img");
    ASSERT_NE(opened, nullptr);
    cZelvaneForm form(list_);
    cHeadlessHost host(form, kZelvaneWidth, kZelvaneHeight);
    ASSERT_TRUE(form.Browse(*opened, Root(*opened)));
    // No wake-ups run in between: the done actions of the root and of /many are still
    // queued (or their listings still running) when the last folder is asked for.
    ASSERT_TRUE(form.OpenFolder(u"/many"));
    ASSERT_TRUE(form.OpenFolder(u"/Документы"));
    WaitForListing(form, host);
    for (int i = 0; i < 5; ++i) {
        host.WaitForWakeUp(20);
        host.RunWakeUps();
    }
    EXPECT_EQ(form.BrowseView().FolderPath(), u"/Документы");
    EXPECT_GE(RowOf(form, u"вложенная папка"), 0);
    EXPECT_LT(form.BrowseView().Rows().Count(), 10u);
}

TEST_F(ExplorerForm, AMissingFolderSaysTheListingFailed) {
    auto window = BrowseImage("fat12.img");
    ASSERT_NE(window, nullptr);
    cZelvaneForm& form = window->form;
    cHeadlessHost& host = window->host;
    ASSERT_TRUE(form.OpenFolder(u"/no such folder"));
    WaitForListing(form, host);
    EXPECT_EQ(form.BrowseView().StatusText(), u"Ошибка чтения директории.");
    EXPECT_EQ(form.BrowseView().FolderPath(), u"/"); // the rows shown stay
}

TEST_F(ExplorerForm, RescanAsksOnlyAfterTheListWasChanged) {
    ASSERT_NE(OpenImage("fat12.img"), nullptr);
    cZelvaneForm form(list_);
    cHeadlessHost host(form, kZelvaneWidth, kZelvaneHeight);
    list_.SetChanged(true);
    answer_ = false;
    form.Rescan();
    EXPECT_EQ(questions_, 1);
    EXPECT_EQ(jobWindows_, 0);
    EXPECT_EQ(list_.Entries().size(), 1u);

    answer_ = true;
    form.Rescan();
    EXPECT_EQ(questions_, 2);
    EXPECT_EQ(jobWindows_, 1);
    EXPECT_FALSE(list_.IsChanged());
    for (const auto& entry : list_.Entries()) {
        EXPECT_EQ(entry->EntryKind(), 1u); // the image went; only drives are found
    }

    form.Rescan(); // unchanged: no question
    EXPECT_EQ(questions_, 2);
    EXPECT_EQ(jobWindows_, 2);
}

TEST_F(ExplorerForm, ColumnsSortByTheirKeys) {
    auto window = BrowseImage("fat16.img");
    ASSERT_NE(window, nullptr);
    cZelvaneForm& form = window->form;
    cListViewChild& list = form.BrowseView().List();
    const explorer::cFolderRows& rows = form.BrowseView().Rows();
    auto entry = [&](int i) -> const cFSObject& { return *rows.Row(list.Item(i)->Data()).entry; };
    ASSERT_TRUE(list.SortBy(1, false));
    for (int i = 1; i < list.ItemCount(); ++i) {
        EXPECT_LE(entry(i - 1).size, entry(i).size);
    }
    ASSERT_TRUE(list.SortBy(1, true));
    EXPECT_EQ(entry(0).name, u"over64k.bin"); // 65537 bytes, the largest at the top
    ASSERT_TRUE(list.SortBy(2, false));
    EXPECT_EQ(explorer::RowType(entry(0)), fskind::kFolder);
    ASSERT_TRUE(list.SortBy(0, false)); // back to the row order
    for (int i = 0; i < list.ItemCount(); ++i) {
        EXPECT_EQ(list.Item(i)->Data(), std::uintptr_t(i));
    }
}

// NTFS as a person meets it: system files stay out of sight, Unicode names, compressed
// and sparse files list with their sizes, and each copies out byte for byte.
TEST_F(ExplorerForm, BrowsesAndCopiesOutOfNtfs) {
    if (!fixtures::IsRoot()) {
        GTEST_SKIP() << "making the image needs a FUSE mount";
    }
    const std::string scratch = UseScratchSettings();
    auto window = BrowseImage("ntfs.img", false, "ntfs-volume.sh");
    ASSERT_NE(window, nullptr);
    cZelvaneForm& form = window->form;
    cHeadlessHost& host = window->host;
    explorer::cBrowseViewChild& view = form.BrowseView();
    EXPECT_EQ(RowOf(form, u"$MFT"), -1);
    ASSERT_GE(RowOf(form, u"Юникод"), 0);
    EXPECT_LT(RowOf(form, u"Юникод"), RowOf(form, u"big.bin")); // folders first
    const int sparse = RowOf(form, u"sparse.bin");
    ASSERT_GE(sparse, 0);
    EXPECT_EQ(view.List().Item(sparse)->Text(1), u"2048 КБ");
    EXPECT_EQ(view.List().Item(sparse)->Text(2), u"Файл");
    EXPECT_EQ(view.List().Item(sparse)->Text(3).size(), 19u); // a real date and time
    host.Render();
    EXPECT_TRUE(host.SavePng(ShotPath("explorer-ntfs-root.png")));

    const std::string tree = fixtures::Folder("ntfs-volume.sh") + "/tree";
    auto copyOut = [&](const std::u16string& name, const std::string& source) {
        SCOPED_TRACE(source);
        const int row = RowOf(form, name);
        ASSERT_GE(row, 0);
        view.List().Select(row);
        host.RunWakeUps();
        const std::string target = scratch + "/" + std::to_string(choosers_) + ".out";
        chosen_ = utf::FromUtf8(target);
        form.CopySelected();
        EXPECT_EQ(ReadFile(target), ReadFile(tree + "/" + source));
    };
    copyOut(u"sparse.bin", "sparse.bin");
    ASSERT_TRUE(form.OpenFolder(u"/comp"));
    WaitForListing(form, host);
    EXPECT_EQ(view.Rows().Count(), 4u);
    copyOut(u"mixed.bin", "comp/mixed.bin");
    copyOut(u"text.txt", "comp/text.txt");
    EXPECT_EQ(choosers_, 3);
    EXPECT_EQ(questions_, 0);
}

TEST_F(ExplorerForm, CopiesTheSelectedFileOutByteForByte) {
    const std::string scratch = UseScratchSettings();
    auto window = BrowseImage("fat16.img");
    ASSERT_NE(window, nullptr);
    cZelvaneForm& form = window->form;
    cHeadlessHost& host = window->host;
    form.BrowseView().List().Select(RowOf(form, u"over64k.bin"));
    host.RunWakeUps();
    chosen_ = utf::FromUtf8(scratch + "/copied.bin");
    form.CopySelected();
    EXPECT_EQ(choosers_, 1);
    EXPECT_EQ(jobWindows_, 1);
    EXPECT_EQ(questions_, 0);
    const std::string copied = ReadFile(scratch + "/copied.bin");
    EXPECT_EQ(copied.size(), 65537u);
    EXPECT_EQ(copied, ReadFile(fixtures::Folder("fat-images.sh") + "/tree/small/over64k.bin"));
}

} // namespace
