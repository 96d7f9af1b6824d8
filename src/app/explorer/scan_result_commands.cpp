// The main window's scan-result commands: results added by the recovery flow or loaded
// from ".drdb" files, shown under their partition, saved, deleted, and listed like any
// other file system.

#include "app/explorer/browse_view.h"
#include "app/explorer/storage_view.h"
#include "app/explorer/zelvane_window.h"
#include "app/local_folders.h"
#include "base/utf.h"
#include "gui/controls/popup_master.h"
#include "gui/controls/tool_bar_child.h"
#include "gui/dialogs/file_choose_dialog.h"
#include "gui/message_form.h"
#include "gui/views/tree_view_child.h"
#include "gui/window_maker.h"
#include "part/part_tree.h"
#include "scan/ntfs/ntfs_attach.h"
#include "scan/result_file.h"

using namespace explorer;

namespace {

constexpr std::u16string_view kResultExtension = u"drdb";

// The file chooser of the result commands; the chosen path, or nothing when cancelled.
std::optional<std::u16string> ChooseResultFile(cCustomForm& owner, cFileChooseDialog::eMode mode,
                                               std::u16string title, std::u16string filter) {
    cWindowMaker* maker = WindowMaker();
    if (!maker) {
        return std::nullopt;
    }
    cFileChooseDialog::cOptions options;
    options.mode = mode;
    options.filters = {{std::move(filter), u"*." + std::u16string(kResultExtension)}};
    options.defaultExtension = kResultExtension;
    options.title = std::move(title);
    cFileChooseDialog chooser(LocalFolders(), std::move(options));
    if (maker->RunModal(chooser, cFileChooseDialog::kWidth, cFileChooseDialog::kHeight, &owner,
                        true) != 1) {
        return std::nullopt;
    }
    return chooser.Chosen();
}

} // namespace

cScanResult* cZelvaneForm::AddScanResult(std::unique_ptr<cQORNVStorage> tree,
                                         std::uint64_t startShift) {
    if (!partition_ || !BrowseShown()) {
        return nullptr;
    }
    cScanResult* result = scanResults_.Add(*partition_, std::move(tree), false, startShift);
    if (result) {
        ShowResults();
    }
    return result;
}

void cZelvaneForm::ShowResults() {
    if (!partition_) {
        return;
    }
    std::vector<cResultNode> nodes;
    for (const auto& result : scanResults_.Results()) {
        std::u16string caption = result->Name();
        if (!result->Saved()) {
            caption += u" (" + T(147) + u")";
        }
        nodes.push_back({&result->Node(), &result->Scanned(), std::move(caption)});
    }
    browseView_->ShowPartitions(*partition_, nodes, shown_);
    BuildToolBar(true);
}

void cZelvaneForm::ShowNode(cPartTreeItem& node, cVFS* fs) {
    Stop();
    shown_ = &node;
    fs_ = fs;
    browseView_->ClearFolders();
    toolBar_->SetButtonEnabled(kCmdCopySelected, false);
    if (fs) {
        OpenFolder(u"/");
    }
}

void cZelvaneForm::ShowScanResult(const cScanResult& result) {
    ShowNode(result.Node(), &result.FileSystem());
    ShowResults();
}

void cZelvaneForm::OpenNode(cPartTreeItem* node) {
    if (!node || node == shown_ || !entry_ || !partition_) {
        return;
    }
    if (const cScanResult* result = scanResults_.Find(node)) {
        ShowNode(*node, &result->FileSystem());
    } else if (node == partition_) {
        ShowNode(*node, MountedFileSystem(*node));
    } else if (!MountedFileSystem(*node) || !Browse(*entry_, *node)) {
        // Kept where it was: the tree shows again what the view lists.
        ShowResults();
    }
}

void cZelvaneForm::ShowResultMenu() {
    if (!scanResults_.Find(menuNode_)) {
        return;
    }
    cTreeViewChild& tree = browseView_->Partitions();
    const int row = tree.RowOf(tree.Selected());
    const cRect area = tree.FormRect();
    const int y =
        area.y + tree.Viewport().y + (row + 1) * cTreeViewChild::kRowHeight - tree.ScrollPos().y;
    cPopupMaster::Show(tree, {area.x + tree.Viewport().x + 40, y}, {{T(139), kCmdDeleteResult}});
}

void cZelvaneForm::LoadScanResult() {
    if (!partition_) {
        return;
    }
    if (const auto path = ChooseResultFile(*this, cFileChooseDialog::eMode::Open, T(143), T(141))) {
        LoadScanResult(*path);
    }
}

cScanResult* cZelvaneForm::LoadScanResult(const std::u16string& path) {
    if (!partition_) {
        return nullptr;
    }
    auto tree = std::make_unique<cQORNVStorage>();
    drdb::LoadError error = drdb::LoadError::Open;
    // A large result takes a while, and one that holds NTFS records needs the volume's
    // reader, found again by a detection over the partition when it has none.
    RunStorageWork(T(137), [&] {
        error = drdb::LoadFile(utf::ToUtf8(path), *tree);
        if (error == drdb::LoadError::None) {
            AttachReaderForTree(*partition_, *tree);
        }
    });
    cScanResult* result = error == drdb::LoadError::None
                              ? scanResults_.Add(*partition_, std::move(tree), true)
                              : nullptr;
    if (!result) {
        MessageBoxError(this, T(146));
        return nullptr;
    }
    ShowScanResult(*result);
    return result;
}

void cZelvaneForm::SaveScanResults() {
    if (!scanResults_.HasUnsaved()) {
        BuildToolBar(true);
        return;
    }
    if (const auto path = ChooseResultFile(*this, cFileChooseDialog::eMode::Save, T(142), T(141))) {
        // The chooser gives the name with the extension; each result adds its own name.
        std::u16string base = *path;
        const std::u16string extension = u"." + std::u16string(kResultExtension);
        if (base.size() > extension.size() && base.ends_with(extension)) {
            base.resize(base.size() - extension.size());
        }
        SaveScanResults(base);
    }
}

bool cZelvaneForm::SaveScanResults(const std::u16string& base) {
    drdb::SaveError error = drdb::SaveError::None;
    RunStorageWork(T(182), [&] {
        for (const auto& result : scanResults_.Results()) {
            if (result->Saved()) {
                continue;
            }
            const std::u16string file =
                base + u"-" + result->Name() + u"." + std::u16string(kResultExtension);
            error = drdb::SaveToFile(utf::ToUtf8(file), result->Tree());
            if (error != drdb::SaveError::None) {
                return;
            }
            result->MarkSaved();
        }
    });
    ShowResults();
    if (error != drdb::SaveError::None) {
        MessageBoxError(this, T(error == drdb::SaveError::Create ? 144 : 145));
    }
    return error == drdb::SaveError::None;
}

void cZelvaneForm::DeleteScanResult(const cScanResult& result) {
    if (!result.Saved() && !MessageBoxQuestion(this, T(140))) {
        return;
    }
    // Away from the result first: the navigation job may be reading its tree.
    if (shown_ == &result.Node()) {
        ShowNode(*partition_, MountedFileSystem(*partition_));
    }
    scanResults_.Remove(&result);
    ShowResults();
}
