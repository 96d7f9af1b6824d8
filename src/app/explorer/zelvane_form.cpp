#include "app/explorer/zelvane_form.h"

#include "app/engine.h"
#include "app/explorer/browse_view.h"
#include "app/explorer/find_part_form.h"
#include "app/explorer/storage_view.h"
#include "app/explorer/tool_icons.h"
#include "app/explorer/zelvane_window.h"
#include "base/format_text.h"
#include "gui/controls/tool_bar_child.h"
#include "gui/message_form.h"
#include "gui/navigation/navigation_child.h"
#include "gui/views/list_view_child.h"
#include "gui/views/view_kinds.h"
#include "io/storage_list.h"
#include "part/part_tree.h"
#include "vfs/detect.h"
#include "vfs/vfs.h"

#include <optional>
#include <span>

using namespace explorer;

namespace {

struct cToolInfo {
    int id, caption, tooltip;
    eToolIcon icon;
};
// The storage view's bar, then the browse view's; saving scan results is offered only
// while one is unsaved.
constexpr cToolInfo kStorageTools[] = {
    {kCmdOpenImage, 19, 17, eToolIcon::OpenImage}, {kCmdRescan, 77, 78, eToolIcon::Rescan},
    {kCmdManual, 23, 11, eToolIcon::Manual},       {kCmdSettings, 168, 169, eToolIcon::Settings},
    {kCmdAbout, 25, 13, eToolIcon::About},
};
constexpr cToolInfo kBrowseTools[] = {{kCmdBack, 124, 125, eToolIcon::Partitions},
                                      {kCmdScan, 89, 90, eToolIcon::Scan},
                                      {kCmdLoadResult, 137, 187, eToolIcon::LoadResult},
                                      {kCmdSaveResults, 182, 183, eToolIcon::SaveResults},
                                      {kCmdCopySelected, 184, 185, eToolIcon::SaveSelected}};

} // namespace

std::unique_ptr<cCustomForm> MakeZelvaneForm() {
    return std::make_unique<cZelvaneForm>(StorageList());
}

cZelvaneForm::cZelvaneForm(cStorageList& list) : cCustomForm("qorns::explorer"), list_(list) {}

cZelvaneForm::~cZelvaneForm() {
    // The job reads through the opened file system and fills our rows; the path bar is
    // destroyed with the children, after the provider part of this object.
    Stop();
    if (browseView_) {
        browseView_->Navigation().SetProvider(nullptr);
    }
}

std::u16string cZelvaneForm::T(int number) const {
    return std::u16string(Text(number).value_or(u""));
}

void cZelvaneForm::OnCreate() {
    storageView_ = Add<cStorageViewChild>(0, cToolBarChild::kHeight, -1, -1);
    browseView_ = Add<cBrowseViewChild>(0, cToolBarChild::kHeight, -1, -1,
                                        static_cast<cNavigationProvider*>(this));
    ShowStorageView();
}

bool cZelvaneForm::BrowseShown() const {
    return browseView_ && browseView_->IsVisible();
}

void cZelvaneForm::BuildToolBar(bool browse) {
    if (toolBar_) {
        DestroyChild(toolBar_);
    }
    toolBar_ = Add<cToolBarChild>(0, 0, -1, cToolBarChild::kHeight);
    for (const cToolInfo& tool : browse ? std::span<const cToolInfo>(kBrowseTools)
                                        : std::span<const cToolInfo>(kStorageTools)) {
        if (tool.id != kCmdSaveResults || scanResults_.HasUnsaved()) {
            toolBar_->AddButton({tool.id, T(tool.caption), T(tool.tooltip), ToolIcon(tool.icon)});
        }
    }
    if (browse) {
        toolBar_->SetButtonEnabled(kCmdCopySelected, !browseView_->SelectedRows().empty());
    }
}

void cZelvaneForm::ShowStorageView() {
    browseView_->SetVisible(false);
    storageView_->Refill(list_);
    storageView_->SetVisible(true);
    BuildToolBar(false);
}

bool cZelvaneForm::Browse(cQORNDriveInstance& entry, cPartTreeItem& partition, bool forScan) {
    if (BrowseShown() && scanResults_.HasUnsaved() && !MessageBoxQuestion(this, T(126))) {
        return false;
    }
    Stop();
    cVFS* fs = MountedFileSystem(partition);
    if (!fs) {
        std::unique_ptr<cVFS> detected;
        RunStorageWork(T(120), [&] { detected = cVFSDetectManager::Instance().Detect(partition); });
        if (detected) {
            fs = detected.get();
            partition.AttachExtension(std::move(detected));
        }
    }
    if (!fs && !forScan) {
        MessageBoxError(this, T(121));
        return false;
    }
    scanResults_.Clear();
    entry_ = &entry;
    partition_ = &partition;
    shown_ = &partition;
    fs_ = fs;
    storageView_->SetVisible(false);
    browseView_->Open(partition);
    browseView_->SetVisible(true);
    BuildToolBar(true);
    return !fs || OpenFolder(u"/");
}

bool cZelvaneForm::BackToStorages() {
    if (scanResults_.HasUnsaved() && !MessageBoxQuestion(this, T(126))) {
        return false;
    }
    Stop();
    scanResults_.Clear();
    entry_ = nullptr;
    partition_ = nullptr;
    shown_ = nullptr;
    fs_ = nullptr;
    ShowStorageView();
    return true;
}

bool cZelvaneForm::OpenFolder(const std::u16string& path, std::unique_ptr<cFSObject> entry) {
    // A listing still running is for a folder the user has left; it polls the stop
    // request at every entry.
    Stop();
    {
        cScopedLock lock(listingLock_);
        ++generation_;
        requestedPath_ = path;
        requestedFolder_ = std::move(entry);
    }
    if (!browseView_->Navigation().NavigateTo(path)) {
        return false;
    }
    browseView_->ShowReading();
    if (toolBar_) {
        toolBar_->SetButtonEnabled(kCmdCopySelected, false);
    }
    return true;
}

bool cZelvaneForm::IsValidPath(std::u16string_view path) {
    return fs_ && !path.empty() && path.front() == u'/';
}

// Worker thread. The folder's entry comes from the row the user opened when there was
// one (a deleted folder cannot be found by its path), otherwise from the path. What it
// finds is left with the number of the request it served, so that the window can tell
// a stopped or overtaken listing from the one it waits for.
int cZelvaneForm::List(const std::u16string& path) {
    std::unique_ptr<cFSObject> folder;
    cListing listing;
    {
        cScopedLock lock(listingLock_);
        if (requestedFolder_ && requestedPath_ == path) {
            folder = std::move(requestedFolder_);
        }
        listing.generation = generation_;
    }
    listing.path = path;
    listing.result = ListFolder(path, std::move(folder), listing.rows);
    const int result = listing.result;
    cScopedLock lock(listingLock_);
    listed_ = std::move(listing);
    return result;
}

int cZelvaneForm::ListFolder(const std::u16string& path, std::unique_ptr<cFSObject> folder,
                             cFolderRows& rows) {
    if (!fs_) {
        return kListingFailed;
    }
    if (!folder) {
        folder = path == u"/" ? fs_->GetObject(fs_->GetRootId()) : fs_->FindByPath(path, 0);
    }
    if (!folder || explorer::RowType(*folder) != fskind::kFolder) {
        return kListingFailed;
    }
    bool stopped = false;
    const bool ok = fs_->EnumFolder(*folder, [&](cFSObject& entry) {
        if (IsStopRequested()) {
            stopped = true;
            return false;
        }
        rows.Offer(entry);
        return true;
    });
    if (stopped) {
        return kListingStopped;
    }
    // A folder that breaks off after some entries still shows what was read.
    if (!ok && rows.Count() == 0) {
        return kListingFailed;
    }
    rows.Finish();
    return 0;
}

// Every run posts its done action, overtaken ones too; only the listing of the latest
// request is shown, by whichever done action comes first after it was left.
void cZelvaneForm::OnListingDone() {
    std::optional<cListing> listing;
    {
        cScopedLock lock(listingLock_);
        if (!listed_ || listed_->generation != generation_) {
            return;
        }
        listing = std::move(listed_);
        listed_.reset();
    }
    if (!BrowseShown()) {
        return;
    }
    if (listing->result != 0) {
        browseView_->ShowListingFailed(listing->result == kListingFailed ? 176 : 177);
        return;
    }
    browseView_->ShowFolder(listing->path, std::move(listing->rows));
    // A result's root says what the whole result holds, so that nobody has to open
    // every result to learn whether it found anything.
    if (const cScanResult* result = scanResults_.Find(shown_); result && listing->path == u"/") {
        browseView_->ShowFolderNote(
            FormatText(T(193), {std::u16string_view(result->Name()), result->Totals().files,
                                result->Totals().bytes}));
    }
}

bool cZelvaneForm::OnCommand(cChildElement* source, int kind, int item) {
    if (kind == kNaviDone) {
        OnListingDone();
        return true;
    }
    if (kind == kBrowseOpenFolder) {
        OpenFolder(browseView_->RequestedPath(), browseView_->RequestedFolder()
                                                     ? browseView_->RequestedFolder()->Clone()
                                                     : nullptr);
        return true;
    }
    if (kind == kBrowseOpenPartition) {
        OpenNode(browseView_->RequestedPartition());
        return true;
    }
    if (kind == kBrowsePartitionMenu) {
        menuNode_ = browseView_->RequestedPartition();
        ShowResultMenu();
        return true;
    }
    if (kind == kBrowseOpenFile) {
        QuickView();
        return true;
    }
    if (kind == kBrowseSelection) {
        toolBar_->SetButtonEnabled(kCmdCopySelected, item > 0);
        return true;
    }
    if (kind == kActionCtxRequest && source == &browseView_->List()) {
        ShowRowMenu(item);
        return true;
    }
    if (kind != kActionActivate) {
        return false;
    }
    switch (item) {
    case kActRescan:
    case kCmdRescan:
        Rescan();
        return true;
    case kActOpenImage:
    case kCmdOpenImage:
        OpenImage();
        return true;
    case kActCloseStorage:
        CloseStorage();
        return true;
    case kActFindPartitions:
        if (cQORNDriveInstance* entry = storageView_->SelectedEntry();
            entry && FindLostPartitions(this, list_, entry->Reader())) {
            storageView_->Refill(list_);
            storageView_->SelectNode(entry, nullptr);
        }
        return true;
    case kActBrowse:
    case kActScan:
        if (cQORNDriveInstance* entry = storageView_->SelectedEntry()) {
            if (cPartTreeItem* partition = storageView_->SelectedPartition()) {
                // A damaged or formatted partition opens for a scan with nothing to list.
                if (Browse(*entry, *partition, item == kActScan) && item == kActScan) {
                    Scan();
                }
            }
        }
        return true;
    case kCmdScan:
        Scan();
        return true;
    case kActDeletePartition:
        DeletePartition();
        return true;
    case kActDefinePartition:
        DefinePartition();
        return true;
    case kActTestFileSystem:
        TestFileSystem();
        return true;
    case kCmdSearchHere:
        SearchInFolder();
        return true;
    case kCmdEvalSize:
        EvaluateSelection();
        return true;
    case kCmdProperties:
        ShowObjectProperties();
        return true;
    case kActImageStorage:
        ImageStorage();
        return true;
    case kCmdManual:
        OpenManual();
        return true;
    case kCmdAbout:
        ShowAbout();
        return true;
    case kCmdSettings:
        EditSettings();
        return true;
    case kCmdBack:
        BackToStorages();
        return true;
    case kCmdCopySelected:
        CopySelected();
        return true;
    case kCmdLoadResult:
        LoadScanResult();
        return true;
    case kCmdSaveResults:
        SaveScanResults();
        return true;
    case kCmdDeleteResult:
        if (const cScanResult* result = scanResults_.Find(menuNode_)) {
            DeleteScanResult(*result);
        }
        return true;
    case kCmdQuickView:
        QuickView();
        return true;
    case kCmdOpenRow:
        browseView_->ActivateFocused();
        return true;
    default:
        return false;
    }
}

// Escape and the window's close button both come here: either may be pressed by
// accident, and the images a user opened would have to be found and opened again.
void cZelvaneForm::OnCloseRequest() {
    if (BrowseShown() && scanResults_.HasUnsaved()) {
        if (!MessageBoxQuestion(this, T(174))) {
            return;
        }
    } else if (HasOpenImages() && !MessageBoxQuestion(this, T(190))) {
        return;
    }
    Stop();
    EndForm(0);
}

bool cZelvaneForm::HasOpenImages() const {
    for (const auto& entry : list_.Entries()) {
        if (dynamic_cast<const cQORNDriveImageInstance*>(entry.get())) {
            return true;
        }
    }
    return false;
}
