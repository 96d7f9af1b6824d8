#include "gui/clickable.h"

bool cClickBehavior::Move(const cRect& bounds, cPoint point) {
    if (!held_) {
        return false;
    }
    const bool was = inside_;
    inside_ = bounds.Contains(point);
    return was != inside_;
}

bool cClickBehavior::Up(const cRect& bounds, cPoint point) {
    const bool clicked = held_ && bounds.Contains(point);
    held_ = inside_ = false;
    return clicked;
}

eClickState cClickBehavior::State(bool enabled) const {
    if (!enabled) {
        return eClickState::Disabled;
    }
    if (Pressed()) {
        return eClickState::Pressed;
    }
    return hovered_ || held_ ? eClickState::Hover : eClickState::Normal;
}

void cClickableElement::OnMouseEnter() {
    click_.Enter();
    Invalidate();
}

void cClickableElement::OnMouseLeave() {
    click_.Leave();
    Invalidate();
}

void cClickableElement::OnMouseMove(cPoint point) {
    if (click_.Move(ClientRect(), point)) {
        Invalidate();
    }
}

void cClickableElement::OnButtonDown(eMouseButton button, cPoint point, int modifiers) {
    if (button != eMouseButton::Left) {
        return;
    }
    click_.Down(point);
    Invalidate();
}

void cClickableElement::OnButtonUp(eMouseButton button, cPoint point, int modifiers) {
    if (button != eMouseButton::Left) {
        return;
    }
    const bool clicked = click_.Up(ClientRect(), point);
    Invalidate();
    if (clicked) {
        OnClick();
    }
}

void cClickableElement::OnCaptureLost() {
    click_.Cancel();
    Invalidate();
}

bool cClickableElement::OnKeyDown(int key, int modifiers) {
    if ((key == key::kSpace || key == key::kEnter) && !modifiers && focusable_) {
        OnClick();
        return true;
    }
    return false;
}
