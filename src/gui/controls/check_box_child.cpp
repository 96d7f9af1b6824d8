#include "gui/controls/check_box_child.h"

cCheckBoxChild::cCheckBoxChild(std::u16string text, int commandId, bool checked)
    : text_(std::move(text)), commandId_(commandId), checked_(checked) {}

void cCheckBoxChild::SetChecked(bool checked) {
    if (checked_ == checked) {
        return;
    }
    checked_ = checked;
    Invalidate();
}

void cCheckBoxChild::OnClick() {
    SetChecked(!checked_);
    SendCommand(kActionActivate, commandId_);
}

void cCheckBoxChild::OnPaint(cCanvas& canvas) {
    const cRect box{0, (Rect().h - kBox) / 2, kBox, kBox};
    painter::CheckBox(canvas, box, checked_, ClickState(), false);
    const cRect label{kBox + 8, 0, Rect().w - kBox - 8, Rect().h};
    painter::Text(canvas, label, text_,
                  ClickState() == eClickState::Disabled ? theme::kTextDisabled : theme::kText);
    if (HasFocus()) {
        painter::FocusRing(canvas, ClientRect());
    }
}

cCheckBoxLvChild::cCheckBoxLvChild(int commandId, bool checked)
    : cCheckBoxChild({}, commandId, checked) {}

void cCheckBoxLvChild::OnPaint(cCanvas& canvas) {
    const cRect box{(Rect().w - kBox) / 2, (Rect().h - kBox) / 2, kBox, kBox};
    painter::CheckBox(canvas, box, IsChecked(), ClickState(), HasFocus());
}
