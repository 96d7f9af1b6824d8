#include "app/explorer/quick_view_folder.h"

#include "app/local_folders.h"
#include "base/settings.h"
#include "base/utf.h"
#include "gui/child_element.h"
#include "gui/dialogs/folder_choose_dialog.h"
#include "gui/message_form.h"
#include "gui/window_maker.h"
#include "platform/environment.h"

namespace explorer {
namespace {

bool IsFolder(const std::u16string& path) {
    return !path.empty() && platform::IsDirectory(utf::ToUtf8(path));
}

std::u16string Text(const cChildElement& texts, int number) {
    return std::u16string(texts.Text(number).value_or(u""));
}

} // namespace

std::optional<std::u16string> QuickViewFolder() {
    std::optional<std::u16string> folder = Settings().GetText(kSettingQuickViewFolder);
    if (!folder || !IsFolder(*folder)) {
        return std::nullopt;
    }
    return folder;
}

bool SetQuickViewFolder(const std::u16string& folder) {
    if (!IsFolder(folder)) {
        return false;
    }
    Settings().SetText(kSettingQuickViewFolder, folder, true);
    return true;
}

std::optional<std::u16string> ChooseQuickViewFolder(cChildElement& asker) {
    cWindowMaker* maker = WindowMaker();
    if (!maker) {
        return std::nullopt;
    }
    std::u16string start = QuickViewFolder().value_or(u"");
    for (;;) {
        cFolderChooseDialog chooser(LocalFolders(), start, Text(asker, 159));
        if (maker->RunModal(chooser, cFolderChooseDialog::kWidth, cFolderChooseDialog::kHeight,
                            asker.Form(), true) != 1) {
            return std::nullopt;
        }
        start = chooser.Chosen();
        if (MessageBoxQuestion(&asker, Text(asker, 158)) && SetQuickViewFolder(start)) {
            return start;
        }
    }
}

std::u16string QuickViewFolderText(const cChildElement& texts) {
    const std::optional<std::u16string> stored = Settings().GetText(kSettingQuickViewFolder);
    if (!stored || stored->empty()) {
        return Text(texts, 163);
    }
    return IsFolder(*stored) ? *stored : Text(texts, 162);
}

} // namespace explorer
