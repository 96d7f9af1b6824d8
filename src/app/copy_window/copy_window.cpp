#include "app/copy_window/copy_window.h"

#include "app/copy/copy_data.h"
#include "app/copy/copy_files_job.h"
#include "app/copy/copy_result.h"
#include "app/copy/copy_texts.h"
#include "app/copy/target_names.h"
#include "app/copy_window/copy_files_ui.h"
#include "app/local_folders.h"
#include "base/settings.h"
#include "gui/dialogs/file_choose_dialog.h"
#include "gui/dialogs/folder_choose_dialog.h"
#include "gui/window_maker.h"

#include <optional>

namespace {

constexpr int kTextAllFiles = 0;
constexpr int kTextCopyFileAs = 1;
constexpr int kTextCopyToFolder = 2;

// The target picked by the user; none when the chooser was cancelled.
std::optional<std::u16string> ChooseTarget(cCustomForm& owner,
                                           const std::vector<std::unique_ptr<cFSObject>>& objects) {
    cWindowMaker* maker = WindowMaker();
    if (!maker) {
        return std::nullopt;
    }
    const std::u16string lastFolder = Settings().GetText(kSettingLastCopyFolder).value_or(u"");
    if (!copydata::IsSingleFile(objects)) {
        cFolderChooseDialog chooser(LocalFolders(), lastFolder, copytext::Text(kTextCopyToFolder));
        if (maker->RunModal(chooser, cFolderChooseDialog::kWidth, cFolderChooseDialog::kHeight,
                            &owner, true) != 1) {
            return std::nullopt;
        }
        Settings().SetText(kSettingLastCopyFolder, chooser.Chosen(), true);
        return chooser.Chosen();
    }
    const cFSObject& file = *objects.front();
    cFileChooseDialog::cOptions options;
    options.mode = cFileChooseDialog::eMode::Save;
    options.filters = {{copytext::Text(kTextAllFiles), u"*"}};
    options.proposedName = copynames::MakeSafeName(file.name, file.id);
    options.initialFolder = lastFolder;
    options.title = copytext::Text(kTextCopyFileAs);
    cFileChooseDialog chooser(LocalFolders(), std::move(options));
    if (maker->RunModal(chooser, cFileChooseDialog::kWidth, cFileChooseDialog::kHeight, &owner,
                        true) != 1) {
        return std::nullopt;
    }
    const std::u16string& chosen = chooser.Chosen();
    if (const auto slash = chosen.rfind(u'/'); slash != std::u16string::npos) {
        Settings().SetText(kSettingLastCopyFolder, chosen.substr(0, slash), true);
    }
    return chosen;
}

} // namespace

eCopyOutcome CopyObjects(cCustomForm& owner, std::vector<std::unique_ptr<cFSObject>> objects,
                         std::u16string target) {
    if (objects.empty()) {
        return eCopyOutcome::Cancelled;
    }
    if (target.empty()) {
        std::optional<std::u16string> chosen = ChooseTarget(owner, objects);
        if (!chosen) {
            return eCopyOutcome::Cancelled;
        }
        target = std::move(*chosen);
    } else if (copydata::IsSingleFile(objects) && objects.front()->size <= copydata::kChunk) {
        // A small file for quick view is copied on the spot, with no window and no question.
        return copydata::CopyFileNow(*objects.front(), target) == copyresult::kDone
                   ? eCopyOutcome::Copied
                   : eCopyOutcome::Failed;
    }
    cWindowMaker* maker = WindowMaker();
    if (!maker) {
        return eCopyOutcome::Failed;
    }
    cCopyFilesUI window(std::move(objects), std::move(target));
    const int result =
        maker->RunModal(window, cCopyFilesUI::kWidth, cCopyFilesUI::kHeight, &owner, false);
    if (result < 0) {
        return eCopyOutcome::Failed;
    }
    if (result == 1) {
        return eCopyOutcome::Copied;
    }
    if (window.Job().HadErrors()) {
        return eCopyOutcome::Incomplete;
    }
    return window.Job().WasStopped() ? eCopyOutcome::Cancelled : eCopyOutcome::Failed;
}

eCopyOutcome CopyForQuickView(cCustomForm& owner, const cFSObject& file, std::u16string_view folder,
                              std::u16string& written) {
    std::optional<std::u16string> target = copynames::PathInFolder(folder, file);
    if (!target) {
        return eCopyOutcome::Failed;
    }
    written = *target;
    std::vector<std::unique_ptr<cFSObject>> objects;
    objects.push_back(file.Clone());
    return CopyObjects(owner, std::move(objects), std::move(*target));
}
