#include "gui/controls/check_box_child.h"

cCheckBoxChild::cCheckBoxChild(std::u16string text, int command_id, bool checked)
    : text_(std::move(text)), command_id_(command_id), checked_(checked) {}

void cCheckBoxChild::SetChecked(bool checked) {
    if (checked_ == checked)
        return;
    checked_ = checked;
    Invalidate();
}

void cCheckBoxChild::OnClick() {
    SetChecked(!checked_);
    SendCommand(kActionActivate, command_id_);
}

void cCheckBoxChild::OnPaint(cCanvas& canvas) {
    const cRect box{0, (Rect().h - kBox) / 2, kBox, kBox};
    painter::CheckBox(canvas, box, checked_, ClickState(), false);
    const cRect label{kBox + 8, 0, Rect().w - kBox - 8, Rect().h};
    painter::Text(canvas, label, text_,
                  ClickState() == eClickState::Disabled ? theme::kTextDisabled : theme::kText);
    if (HasFocus())
        painter::FocusRing(canvas, ClientRect());
}

cCheckBoxLvChild::cCheckBoxLvChild(int command_id, bool checked)
    : cCheckBoxChild({}, command_id, checked) {}

void cCheckBoxLvChild::OnPaint(cCanvas& canvas) {
    const cRect box{(Rect().w - kBox) / 2, (Rect().h - kBox) / 2, kBox, kBox};
    painter::CheckBox(canvas, box, IsChecked(), ClickState(), HasFocus());
}
