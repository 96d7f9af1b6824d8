#include "gui/dialogs/new_folder_name_req_form.h"

#include "gui/controls/button_child.h"
#include "gui/controls/edit_child.h"
#include "gui/controls/static_element.h"

namespace {
constexpr int kTextLabel = 16;
constexpr int kTextCreate = 17;
constexpr int kTextCancel = 7;
constexpr int kCommandCreate = 1;
constexpr int kCommandCancel = 2;
} // namespace

std::u16string cNewFolderNameReqForm::Caption() const {
    return std::u16string(Text(15).value_or(u""));
}

bool cNewFolderNameReqForm::IsValidName(std::u16string_view name) {
    return !name.empty() && name != u"." && name != u".." &&
           name.find_first_of(std::u16string_view(u"/\0", 2)) == std::u16string_view::npos;
}

void cNewFolderNameReqForm::OnCreate() {
    AddChild(cStaticElement::FromSection(kTextLabel), 16, 12, -17, 20);
    edit_ = Add<cEditChild>(16, 36, -17, 28);
    AddChild(cButtonChild::FromSection(kTextCreate, kCommandCreate, true), Rect().w - 232, 80, 104,
             28);
    AddChild(cButtonChild::FromSection(kTextCancel, kCommandCancel), Rect().w - 120, 80, 104, 28);
    edit_->SetFocus();
}

void cNewFolderNameReqForm::Accept() {
    std::u16string name = edit_->Text();
    if (!IsValidName(name)) {
        return edit_->SetFocus();
    }
    name_ = std::move(name);
    EndForm(1);
}

bool cNewFolderNameReqForm::OnCommand(cChildElement* source, int kind, int item) {
    if (kind != kActionActivate) {
        return false;
    }
    if (item == kCommandCreate) {
        Accept();
    } else if (item == kCommandCancel) {
        EndForm(0);
    }
    return true;
}

bool cNewFolderNameReqForm::OnKeyDown(int key, int modifiers) {
    if (key == key::kEnter && !modifiers) {
        Accept();
        return true;
    }
    return cCustomForm::OnKeyDown(key, modifiers);
}
