#include "gui/controls/selectable_element.h"

cSelectableElement::cSelectableElement(std::u16string text, int item)
    : text_(std::move(text)), item_(item) {}

void cSelectableElement::SetSelected(bool selected) {
    if (selected_ == selected) {
        return;
    }
    selected_ = selected;
    Invalidate();
}

void cSelectableElement::OnClick() {
    SetSelected(true);
    PostChildAction(*this, std::make_unique<cSelectableSelectAction>(item_));
}

void cSelectableElement::OnAction(cChildAction& action) {
    if (action.Kind() == kActionSelect) {
        SendCommand(kActionSelect, static_cast<cSelectableSelectAction&>(action).Item());
    } else {
        cClickableElement::OnAction(action);
    }
}

void cSelectableElement::OnPaint(cCanvas& canvas) {
    const eClickState state = ClickState();
    if (selected_) {
        canvas.FillRoundRect(ClientRect(), theme::kRadius, theme::kSelection);
    } else if (state == eClickState::Hover || state == eClickState::Pressed) {
        canvas.FillRoundRect(ClientRect(), theme::kRadius, theme::kSurfaceHover);
    }
    canvas.SelectFont(selected_ ? StandardFont(eStdFont::Marked) : Font());
    painter::Text(canvas, ClientRect().Inset(6).Offset(0, 0), text_,
                  state == eClickState::Disabled ? theme::kTextDisabled : theme::kText);
    if (HasFocus()) {
        painter::FocusRing(canvas, ClientRect());
    }
}
