#include "app/copy_window/overwrite_action_ui.h"

#include "app/copy/copy_texts.h"
#include "gui/controls/button_child.h"
#include "gui/controls/check_box_child.h"
#include "gui/controls/static_element.h"

#include <algorithm>

namespace {

constexpr int kTextMessage = 0;
constexpr int kTextApplyToAll = 4;
constexpr int kMargin = 8;
constexpr int kButtonHeight = 30;
constexpr int kGap = 6;
constexpr int kMessageHeight = 36;
// Room a button keeps around its caption, and a check box for its box.
constexpr int kCaptionPadding = 40;

} // namespace

cCopyFilesOverwriteActionUI::cCopyFilesOverwriteActionUI()
    : cCustomForm(std::string(copytext::kConflictSection)) {}

std::u16string cCopyFilesOverwriteActionUI::Caption() const {
    return std::u16string(Text(kTextMessage).value_or(u""));
}

int cCopyFilesOverwriteActionUI::PreferredWidth() {
    int widest = 0;
    for (const int text : {kCommandReplace, kCommandKeep, kCommandRename, kTextApplyToAll}) {
        widest = std::max(widest, TextExtent(Text(text).value_or(u"")).w);
    }
    return std::max(kWidth, widest + kCaptionPadding + 2 * kMargin);
}

void cCopyFilesOverwriteActionUI::OnCreate() {
    int y = kMargin;
    auto* message = AddChild(cStaticElement::FromSection(kTextMessage), kMargin, y, -kMargin - 1,
                             kMessageHeight);
    static_cast<cStaticElement*>(message)->SetWrap(true);
    y += kMessageHeight + kGap;
    // In the order of the question: replace, keep, keep both.
    for (const int command : {kCommandReplace, kCommandKeep, kCommandRename}) {
        AddChild(cButtonChild::FromSection(command, command, command == kCommandReplace), kMargin,
                 y, -kMargin - 1, kButtonHeight);
        y += kButtonHeight + kGap;
    }
    applyToAll_ = Add<cCheckBoxChild>(kMargin, y + kGap, -kMargin - 1, 22,
                                      std::u16string(Text(kTextApplyToAll).value_or(u"")),
                                      kCommandApplyToAll);
}

bool cCopyFilesOverwriteActionUI::OnCommand(cChildElement* source, int kind, int item) {
    if (kind != kActionActivate) {
        return false;
    }
    cConflictChoice choice;
    switch (item) {
    case kCommandReplace:
        choice = cConflictChoice::Replace;
        break;
    case kCommandKeep:
        choice = cConflictChoice::KeepExisting;
        break;
    case kCommandRename:
        choice = cConflictChoice::Rename;
        break;
    default:
        return item == kCommandApplyToAll; // the box only takes its state
    }
    reply_ = {choice, applyToAll_ && applyToAll_->IsChecked()};
    EndForm(1);
    return true;
}
