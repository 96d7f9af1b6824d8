#include "gui/dialogs/chooser_form.h"

#include "gui/controls/button_child.h"
#include "gui/controls/static_element.h"
#include "gui/dialogs/new_folder_name_req_form.h"
#include "gui/message_form.h"
#include "gui/navigation/navigation_child.h"
#include "gui/window_maker.h"

namespace {
constexpr int kMargin = 12;
constexpr int kUpWidth = 150;
constexpr int kNewWidth = 120;
} // namespace

cChooserForm::cChooserForm(const cLocalFolders& folders, std::string section, cChooserTexts texts,
                           std::u16string initialFolder)
    : cCustomForm(std::move(section)), texts_(texts), initial_(std::move(initialFolder)),
      provider_(folders) {
    if (initial_.empty() || !provider_.IsValidPath(initial_)) {
        initial_ = folders.HomeFolder().value_or(u"/");
    }
}

cChooserForm::~cChooserForm() {
    // The view goes with the form's children, after this object's members: it must not
    // reach back into the provider then.
    if (navi_) {
        navi_->SetProvider(nullptr);
    }
    provider_.Stop();
}

int cChooserForm::BuildTop() {
    const int w = Rect().w;
    AddChild(cStaticElement::FromSection(texts_.pathLabel), kMargin, kMargin + 6, 80, 20);
    const int upX = w - kMargin - kNewWidth - 8 - kUpWidth;
    navi_ = Add<cNavigationChild>(kMargin + 84, kMargin, upX - 8 - (kMargin + 84),
                                  cNavigationChild::kHeight, &provider_);
    AddChild(cButtonChild::FromSection(texts_.up, kCommandUp), upX, kMargin + 2, kUpWidth, 26);
    AddChild(cButtonChild::FromSection(texts_.newFolder, kCommandNewFolder),
             w - kMargin - kNewWidth, kMargin + 2, kNewWidth, 26);
    return kMargin + cNavigationChild::kHeight + 6;
}

bool cChooserForm::IsListing() {
    return navi_ && navi_->State() == cNavigationChild::kListing;
}

bool cChooserForm::Go(const std::u16string& folder) {
    return navi_ && navi_->NavigateTo(folder);
}

void cChooserForm::NewFolder() {
    cWindowMaker* maker = WindowMaker();
    if (!maker || folder_.empty()) {
        return;
    }
    cNewFolderNameReqForm prompt;
    if (maker->RunModal(prompt, cNewFolderNameReqForm::kWidth, cNewFolderNameReqForm::kHeight, this,
                        false) != 1) {
        return;
    }
    const std::u16string path = chooser_path::Join(folder_, prompt.Name());
    if (!Folders().CreateFolder(path)) {
        MessageBoxError(this, std::u16string(Text(texts_.cannotCreate).value_or(u"")));
        return;
    }
    Go(folder_);
}

bool cChooserForm::OnCommand(cChildElement* source, int kind, int item) {
    if (source == navi_ && kind == kNaviDone) {
        if (item == cFileChooseListFolder::kListed) {
            folder_ = provider_.ListedPath();
            navi_->ShowPath(folder_);
            ShowListing(provider_.TakeListing());
        } else {
            // The folder stays what it was; the path bar goes back to it.
            navi_->ShowPath(folder_);
            if (texts_.cannotRead >= 0) {
                MessageBoxError(this, std::u16string(Text(texts_.cannotRead).value_or(u"")));
            }
        }
        return true;
    }
    if (source == navi_ && kind == kNaviRefused) {
        // Not while a listing runs: that refusal only means "wait".
        if (!IsListing() && texts_.cannotRead >= 0) {
            MessageBoxWarning(this, std::u16string(Text(texts_.cannotRead).value_or(u"")));
        }
        return true;
    }
    if (kind != kActionActivate) {
        return false;
    }
    switch (item) {
    case kCommandUp:
        if (!folder_.empty()) {
            Go(chooser_path::Parent(folder_));
        }
        return true;
    case kCommandNewFolder:
        NewFolder();
        return true;
    case kCommandCancel:
        EndForm(0);
        return true;
    default:
        return false;
    }
}

std::vector<cBitmap> cChooserForm::Icons() {
    // Drawn in code: a folder with a tab, and a page with a folded corner.
    cBitmap folder(16, 16), file(16, 16);
    const cColor folderBack = Rgb(0xE8, 0xB3, 0x3A), folderFace = Rgb(0xF6, 0xC9, 0x5B);
    for (int y = 3; y < 14; ++y) {
        for (int x = 1; x < 15; ++x) {
            folder.Row(y)[x] = y < 5 ? (x < 7 ? folderBack : 0) : y < 6 ? folderBack : folderFace;
        }
    }
    const cColor page = Rgb(0xFF, 0xFF, 0xFF), edge = Rgb(0x93, 0x9C, 0xAA);
    for (int y = 1; y < 15; ++y) {
        for (int x = 3; x < 13; ++x) {
            const bool border = x == 3 || x == 12 || y == 1 || y == 14;
            const bool corner = x > 8 && y < 5 && (x - 8) > (y - 1);
            file.Row(y)[x] = corner ? 0 : border ? edge : page;
        }
    }
    return {std::move(folder), std::move(file)};
}
