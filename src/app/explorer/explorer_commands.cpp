// The main window's commands: storages (open an image, rescan, close, delete a
// partition), help (manual, about), settings, and the file commands of the browse view
// (copy the selection out, quick view).

#include "app/copy_window/copy_window.h"
#include "app/explorer/about_form.h"
#include "app/explorer/browse_view.h"
#include "app/explorer/quick_view_folder.h"
#include "app/explorer/settings_sheet.h"
#include "app/explorer/storage_view.h"
#include "app/explorer/zelvane_window.h"
#include "app/imaging/image_job.h"
#include "app/imaging/image_with_map.h"
#include "app/imaging_window/imaging_form.h"
#include "app/local_folders.h"
#include "app/recovery/recovery_window.h"
#include "app/startup/bg_init_ui.h"
#include "app/startup/local_storages.h"
#include "base/format_text.h"
#include "base/program_paths.h"
#include "base/settings.h"
#include "base/utf.h"
#include "gui/controls/popup_master.h"
#include "gui/dialogs/file_choose_dialog.h"
#include "gui/message_form.h"
#include "gui/views/list_view_child.h"
#include "gui/window_maker.h"
#include "io/storage_list.h"
#include "part/part_tree.h"
#include "platform/local_files.h"
#include "platform/shell_open.h"

using namespace explorer;

namespace {

constexpr char16_t kImagePatterns[] =
    u"*.img;*.dd;*.flp;*.vmdk;*.vhd;*.vfd;*.hdd;*.dmg;*.kvbs;*.uci";
// Opened when the manual is missing beside the program.
constexpr char kHomePage[] = "https://drovik.org/";

} // namespace

void cZelvaneForm::OpenImage() {
    cWindowMaker* maker = WindowMaker();
    if (!maker) {
        return;
    }
    cFileChooseDialog::cOptions options;
    options.filters = {{T(29), kImagePatterns}, {T(30), u"*"}};
    options.initialFolder = Settings().GetText(kSettingLastImageFolder).value_or(u"");
    options.title = T(31);
    cFileChooseDialog chooser(LocalFolders(), std::move(options));
    if (maker->RunModal(chooser, cFileChooseDialog::kWidth, cFileChooseDialog::kHeight, this,
                        true) != 1) {
        return;
    }
    const std::u16string& path = chooser.Chosen();
    if (const std::size_t slash = path.rfind(u'/'); slash != std::u16string::npos) {
        Settings().SetText(kSettingLastImageFolder, path.substr(0, slash), true);
    }
    imaging::cImageWithMap opened;
    RunStorageWork(T(120), [&] {
        opened = imaging::AddImageWithMap(list_, path, imaging::DefaultMapPath(utf::ToUtf8(path)));
    });
    const cBaseIO* reader = opened.reader;
    if (!reader) {
        MessageBoxError(this, T(32));
        return;
    }
    list_.SetChanged(true);
    storageView_->Refill(list_);
    for (const auto& entry : list_.Entries()) {
        if (entry->Holds(reader)) {
            storageView_->SelectNode(entry.get(), nullptr);
        }
    }
    if (!opened.mapError.empty()) {
        const std::u16string why = utf::FromUtf8(opened.mapError);
        MessageBoxWarning(this, FormatText(T(197), {std::u16string_view(why)}));
    } else if (const std::optional<imaging::cImageMap>& map = opened.map;
               map && map->Count(imaging::eState::kGood) < map->Sectors()) {
        MessageBoxInformation(
            this, FormatText(T(196), {map->Sectors() - map->Count(imaging::eState::kGood)}));
    }
}

void cZelvaneForm::RunStorageWork(std::u16string status, const std::function<void()>& work) {
    cWindowMaker* maker = WindowMaker();
    if (!maker) {
        work();
        return;
    }
    // The storage list and the partition trees are touched only by the job while the
    // small window is up: it is modal, so nothing here reads them meanwhile.
    cBgInitUI busy(work, std::move(status));
    maker->RunModal(busy, cBgInitUI::kWidth, cBgInitUI::kHeight, this, false);
}

void cZelvaneForm::Scan() {
    if (!partition_) {
        return;
    }
    // A listing reads the partition's file system, which a detection may replace.
    Stop();
    cPartTreeItem& partition = *partition_;
    recovery::cRecoveryOutcome outcome = recovery::RecoverInWindow(*this, partition);
    explorer::cScanResult* first = nullptr;
    for (recovery::cRecoveryResult& result : outcome.results) {
        explorer::cScanResult* added =
            AddScanResult(std::move(result.tree), result.start - partition.Start());
        first = first ? first : added;
    }
    // The rebuilt tree (or what was found by content) is what the user came for.
    if (first) {
        ShowScanResult(*first);
    }
}

void cZelvaneForm::Rescan() {
    if (list_.IsChanged() && !MessageBoxQuestion(this, T(96))) {
        return;
    }
    RunStorageWork({}, [this] { EnumerateLocalStorages(list_); });
    list_.SetChanged(false);
    storageView_->Refill(list_);
}

void cZelvaneForm::CloseStorage() {
    cQORNDriveInstance* entry = storageView_->SelectedEntry();
    if (!entry || !MessageBoxQuestion(this, T(97))) {
        return;
    }
    list_.Remove(&entry->Reader());
    list_.SetChanged(true);
    storageView_->Refill(list_);
}

void cZelvaneForm::DeletePartition() {
    cPartTreeItem* partition = storageView_->SelectedPartition();
    if (!partition) {
        return;
    }
    if (IsWholeStorage(*partition)) {
        MessageBoxError(this, T(123));
        return;
    }
    if (!MessageBoxQuestion(this, T(98))) {
        return;
    }
    cQORNDriveInstance* entry = storageView_->SelectedEntry();
    partition->Tree()->Remove(partition);
    list_.SetChanged(true);
    storageView_->Refill(list_);
    storageView_->SelectNode(entry, nullptr);
}

void cZelvaneForm::ImageStorage() {
    cQORNDriveInstance* entry = storageView_->SelectedEntry();
    cWindowMaker* maker = WindowMaker();
    if (entry && maker) {
        imaging_window::cImagingForm imaging(entry->Reader());
        maker->RunModal(imaging, imaging_window::cImagingForm::kWidth,
                        imaging_window::cImagingForm::kHeight, this, true);
    }
}

void cZelvaneForm::OpenManual() {
    // By its absolute path: the viewer does not start in our working folder.
    // In the interface's language: the Russian original, or its English translation.
    const char* name = TextRegistry().LanguageCode() == "RUS" ? "manual.htm" : "manual-en.htm";
    const std::optional<std::string> manual =
        platform::AbsoluteLocalPath(utf::ToUtf8(ProgramDataFolder()) + name);
    const bool present =
        manual && platform::ProbeLocalPath(*manual) == platform::LocalPathKind::RegularFile;
    if (!present) {
        MessageBoxWarning(this, T(181));
    }
    const std::string opened = present ? *manual : kHomePage;
    // Without a viewer for it the user learns where it is, to open it some other way.
    if (!platform::ShellOpen(opened)) {
        MessageBoxError(this, T(171) + u"\n" + utf::FromUtf8(opened));
    }
}

void cZelvaneForm::ShowAbout() {
    if (cWindowMaker* maker = WindowMaker()) {
        cAboutForm about;
        maker->RunModal(about, cAboutForm::kWidth, cAboutForm::kHeight, this, false);
    }
}

void cZelvaneForm::EditSettings() {
    if (cWindowMaker* maker = WindowMaker()) {
        cProgramSettingsForm sheet;
        maker->RunModal(sheet, cProgramSettingsForm::kWidth, cProgramSettingsForm::kHeight, this,
                        false);
    }
}

void cZelvaneForm::CopySelected() {
    if (IsRunning()) {
        return;
    }
    std::vector<std::unique_ptr<cFSObject>> objects;
    for (std::size_t index : browseView_->SelectedRows()) {
        objects.push_back(browseView_->Rows().Row(index).entry->Clone());
    }
    if (objects.empty()) {
        return;
    }
    if (CopyObjects(*this, std::move(objects)) == eCopyOutcome::Failed) {
        MessageBoxError(this, T(156));
    }
}

void cZelvaneForm::QuickView() {
    const cFSObject* object = browseView_->FocusedObject();
    if (IsRunning() || !object || RowType(*object) != fskind::kFile) {
        return;
    }
    std::optional<std::u16string> folder = QuickViewFolder();
    if (!folder) {
        if (!MessageBoxQuestion(this, T(157))) {
            return;
        }
        folder = ChooseQuickViewFolder(*this);
        if (!folder) {
            return;
        }
    }
    std::u16string target;
    switch (CopyForQuickView(*this, *object, *folder, target)) {
    case eCopyOutcome::Copied:
        if (!platform::ShellOpen(utf::ToUtf8(target))) {
            MessageBoxError(this, T(171));
        }
        return;
    case eCopyOutcome::Failed:
        MessageBoxError(this, T(156));
        return;
    default:
        return;
    }
}

void cZelvaneForm::ShowRowMenu(int row) {
    cListViewChild& list = browseView_->List();
    const cFSObject* object = browseView_->FocusedObject();
    if (row < 0 || !object) {
        return;
    }
    const bool folder = RowType(*object) == fskind::kFolder;
    std::vector<cPopupMaster::cBtnListItem> items;
    if (folder) {
        items.push_back({T(127), kCmdOpenRow});
    } else {
        items.push_back({T(12), kCmdQuickView});
    }
    items.push_back({T(15), kCmdCopySelected});
    items.push_back({T(148), kCmdSearchHere});
    items.push_back({T(149), kCmdEvalSize});
    items.push_back({T(136), kCmdProperties});
    const cRect area = list.FormRect();
    const cRect viewport = list.Viewport();
    const int y = area.y + viewport.y + (row + 1) * cListViewChild::kRowHeight - list.ScrollPos().y;
    cPopupMaster::Show(list, {area.x + viewport.x + 40, y}, std::move(items));
}
