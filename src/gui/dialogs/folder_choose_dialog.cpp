#include "gui/dialogs/folder_choose_dialog.h"

#include "gui/controls/button_child.h"
#include "gui/message_form.h"
#include "gui/navigation/navigation_child.h"
#include "gui/views/name_order.h"
#include "gui/views/simple_list_view_element.h"

#include <algorithm>

namespace {
// Texts of "tusk::folderchoose".
enum : int {
    kTextTitle = 0,
    kTextFolder = 1,
    kTextOk = 2,
    kTextCancel = 3,
    kTextNewFolder = 4,
    kTextUp = 5,
    kTextNoSuchFolder = 6,
    kTextCannotCreate = 7,
};
constexpr int kMargin = 12;
} // namespace

cFolderChooseDialog::cFolderChooseDialog(const cLocalFolders& folders, std::u16string initialFolder,
                                         std::u16string title)
    : cChooserForm(folders, "tusk::folderchoose",
                   {kTextFolder, kTextUp, kTextNewFolder, kTextCannotCreate, kTextNoSuchFolder},
                   std::move(initialFolder)),
      title_(std::move(title)) {}

std::u16string cFolderChooseDialog::Caption() const {
    return title_.empty() ? std::u16string(Text(kTextTitle).value_or(u"")) : title_;
}

void cFolderChooseDialog::OnCreate() {
    const int top = BuildTop();
    const int w = Rect().w, h = Rect().h;
    list_ = Add<cSimpleListViewElement>(kMargin, top, -(kMargin + 1), -(kMargin + 1 + 44));
    list_->SetIcons(Icons());
    AddChild(cButtonChild::FromSection(kTextOk, kCommandAccept, true), w - kMargin - 2 * 110 - 8,
             h - kMargin - 30, 110, 30);
    AddChild(cButtonChild::FromSection(kTextCancel, kCommandCancel), w - kMargin - 110,
             h - kMargin - 30, 110, 30);
    list_->SetFocus();
    Go(InitialFolder());
}

void cFolderChooseDialog::ShowListing(std::vector<cFileChooseListFolder::cEntry> entries) {
    folders_.clear();
    for (auto& e : entries) {
        if (e.isFolder) {
            folders_.push_back(std::move(e.name));
        }
    }
    std::sort(folders_.begin(), folders_.end(),
              [](const auto& a, const auto& b) { return name_order::Compare(a, b) < 0; });
    std::vector<cSimpleListViewItemChild> items;
    items.reserve(folders_.size());
    for (const auto& name : folders_) {
        items.emplace_back(name, 0);
    }
    list_->SetItems(std::move(items));
}

std::u16string cFolderChooseDialog::FolderAt(int row) const {
    if (row < 0 || row >= int(folders_.size())) {
        return {};
    }
    const std::u16string& name = folders_[std::size_t(row)];
    return CurrentFolder().empty() ? name : chooser_path::Join(CurrentFolder(), name);
}

void cFolderChooseDialog::Accept() {
    std::u16string folder = list_->Selected() >= 0 ? FolderAt(list_->Selected()) : CurrentFolder();
    if (folder.empty() || !Folders().IsFolder(folder)) {
        MessageBoxWarning(this, std::u16string(Text(kTextNoSuchFolder).value_or(u"")));
        return;
    }
    chosen_ = std::move(folder);
    EndForm(1);
}

bool cFolderChooseDialog::OnCommand(cChildElement* source, int kind, int item) {
    if (source == list_) {
        if (kind == kActionDoubleClick) {
            Go(FolderAt(item));
        }
        return true;
    }
    if (kind == kActionActivate && item == kCommandAccept) {
        Accept();
        return true;
    }
    return cChooserForm::OnCommand(source, kind, item);
}

bool cFolderChooseDialog::OnKeyDown(int key, int modifiers) {
    if (key == key::kEnter && !modifiers) {
        Accept();
        return true;
    }
    return cChooserForm::OnKeyDown(key, modifiers);
}
