#include "gui/custom_form.h"

#include "gui/controls/hint_master.h"
#include "gui/painter.h"

namespace {

bool Within(const cChildElement* element, const cChildElement* ancestor) {
    for (; element; element = element->Parent()) {
        if (element == ancestor) {
            return true;
        }
    }
    return false;
}

} // namespace

cCustomForm::cCustomForm(std::string textSection) : textSection_(std::move(textSection)) {}

cCustomForm::~cCustomForm() {
    // Children go while the form is whole, since each one leaving clears the routing
    // state that points at it.
    popup_ = nullptr;
    DestroyChildren();
    graveyard_.clear();
    AttachHost(nullptr, 0, 0);
}

cCustomForm::cDispatch::~cDispatch() {
    if (--form_.dispatchDepth_ == 0) {
        form_.graveyard_.clear();
    }
}

cWindowRequestTarget* cCustomForm::FormHost() const {
    return host_;
}

void cCustomForm::AttachHost(cWindowRequestTarget* host, int width, int height) {
    {
        cScopedLock lock(ActionQueueLock());
        host_ = host;
    }
    if (!host) {
        return;
    }
    cDispatch dispatch(*this);
    SetRect({0, 0, width, height});
    if (!created_) {
        created_ = true;
        OnCreate();
    }
    Invalidate();
}

void cCustomForm::EndForm(int result) {
    if (host_) {
        host_->EndDialog(result);
    }
}

cColor cCustomForm::Background() const {
    return theme::kWindow;
}

void cCustomForm::OnPaint(cCanvas& canvas) {
    canvas.FillRect(ClientRect(), Background());
}

void cCustomForm::HostResize(int width, int height) {
    cDispatch dispatch(*this);
    SetRect({0, 0, width, height});
    Invalidate();
}

void cCustomForm::HostPaint(cCanvas& canvas, const cRect& dirty) {
    cDispatch dispatch(*this);
    PaintTree(canvas, {0, 0}, dirty.Intersect(ClientRect()));
    canvas.SetOrigin({0, 0});
    canvas.SetClipRect({0, 0, canvas.SurfaceSize().w, canvas.SurfaceSize().h});
    canvas.Present();
}

void cCustomForm::UpdateHover(cChildElement* target) {
    if (target == hover_) {
        return;
    }
    cChildElement* old = hover_;
    hover_ = target;
    if (target && target != hintHeldFor_) {
        hintHeldFor_ = nullptr;
    }
    if (old) {
        old->OnMouseLeave();
    }
    if (hover_) {
        hover_->OnMouseEnter();
    }
}

void cCustomForm::HostMouseMove(cPoint point) {
    cDispatch dispatch(*this);
    if (capture_) {
        capture_->OnMouseMove(capture_->ToLocal(point));
        return;
    }
    cChildElement* target = HitTest(point);
    UpdateHover(target);
    const cPoint local = target->ToLocal(point);
    target->OnMouseMove(local);
    if (host_) {
        host_->SetCursor(target->CursorKind(local));
    }
}

void cCustomForm::HostMouseLeave() {
    cDispatch dispatch(*this);
    // Also while a drag holds the capture: the window takes no pointer now (a modal form
    // opened above it, or the pointer went away).
    DismissHint();
    if (!capture_) {
        UpdateHover(nullptr);
    }
}

void cCustomForm::HostButtonDown(eMouseButton button, cPoint point, int modifiers, int clicks) {
    cDispatch dispatch(*this);
    HoldHint();
    cChildElement* target = HitTest(point);
    if (popup_) {
        bool inside = false;
        for (cChildElement* e = target; e; e = e->Parent()) {
            inside |= e == popup_;
        }
        if (!inside) {
            // The press that closes a popup does nothing else, like a menu's.
            ClosePopup();
            return;
        }
    }
    if (!target->IsEnabled()) {
        return;
    }
    UpdateHover(target);
    for (cChildElement* e = target; e; e = e->Parent()) {
        if (e->IsFocusable()) {
            FocusElement(e);
            break;
        }
    }
    if (button == eMouseButton::Left) {
        capture_ = target;
        if (host_) {
            host_->CaptureMouse(true);
        }
    }
    const cPoint local = target->ToLocal(point);
    if (button == eMouseButton::Left && clicks >= 2) {
        target->OnDoubleClick(local, modifiers);
    } else {
        target->OnButtonDown(button, local, modifiers);
    }
}

void cCustomForm::HostButtonUp(eMouseButton button, cPoint point, int modifiers) {
    cDispatch dispatch(*this);
    cChildElement* target = capture_ ? capture_ : HitTest(point);
    if (button == eMouseButton::Left) {
        ReleaseCapture();
    }
    // Hover moves before the release is handled: the handler may run a modal form, after
    // which the pointer can be anywhere.
    if (!capture_) {
        UpdateHover(HitTest(point));
    }
    if (target->IsEnabled()) {
        target->OnButtonUp(button, target->ToLocal(point), modifiers);
    }
}

void cCustomForm::ReleaseCapture() {
    if (!capture_) {
        return;
    }
    capture_ = nullptr;
    if (host_) {
        host_->CaptureMouse(false);
    }
}

void cCustomForm::HostWheel(int delta, cPoint point) {
    cDispatch dispatch(*this);
    HoldHint();
    for (cChildElement* e = HitTest(point); e; e = e->Parent()) {
        if (e->IsEnabled() && e->OnWheel(delta, e->ToLocal(point))) {
            return;
        }
    }
}

void cCustomForm::HostKeyDown(int key, int modifiers) {
    cDispatch dispatch(*this);
    // The key may change what lies under the tip (another view, another page), and the
    // pointer, not having moved, would never take it away.
    HoldHint();
    for (cChildElement* e = focus_ ? focus_ : this; e; e = e->Parent()) {
        if (e->OnKeyDown(key, modifiers)) {
            return;
        }
    }
}

void cCustomForm::HostKeyUp(int key, int modifiers) {
    cDispatch dispatch(*this);
    for (cChildElement* e = focus_ ? focus_ : this; e; e = e->Parent()) {
        if (e->OnKeyUp(key, modifiers)) {
            return;
        }
    }
}

void cCustomForm::HostChar(std::u16string_view text) {
    cDispatch dispatch(*this);
    for (cChildElement* e = focus_ ? focus_ : this; e; e = e->Parent()) {
        if (e->OnChar(text)) {
            return;
        }
    }
}

void cCustomForm::HostFocus(bool gained) {
    cDispatch dispatch(*this);
    active_ = gained;
    if (!gained) {
        // Another window came up (a dialog opened) or the user went to another program.
        HoldHint();
        if (capture_) {
            cChildElement* lost = capture_;
            ReleaseCapture();
            lost->OnCaptureLost();
        }
        UpdateHover(nullptr);
    } else if (!focus_) {
        MoveFocus(true);
    }
    if (focus_) {
        gained ? focus_->OnSetFocus() : focus_->OnKillFocus();
    }
}

void cCustomForm::HostCloseRequest() {
    cDispatch dispatch(*this);
    OnCloseRequest();
}

void cCustomForm::HostWake(std::uint32_t wake, std::uintptr_t value) {
    cDispatch dispatch(*this);
    if (wake == kWakeA) {
        OnWakeA(value);
    } else {
        OnWakeB(value);
    }
}

bool cCustomForm::OnKeyDown(int key, int modifiers) {
    if (key == key::kTab && !(modifiers & (mods::kCtrl | mods::kAlt))) {
        return MoveFocus(!(modifiers & mods::kShift));
    }
    if (key == key::kEscape) {
        if (popup_) {
            ClosePopup();
        } else {
            OnCloseRequest();
        }
        return true;
    }
    return false;
}

void cCustomForm::FocusElement(cChildElement* element) {
    if (element == focus_) {
        return;
    }
    cChildElement* old = focus_;
    focus_ = element;
    if (old) {
        old->OnKillFocus();
    }
    if (focus_) {
        focus_->OnSetFocus();
    }
}

bool cCustomForm::MoveFocus(bool forward) {
    std::vector<cChildElement*> order;
    auto collect = [&](auto&& self, cChildElement* e) -> void {
        if (!e->IsVisible() || !e->IsEnabled()) {
            return;
        }
        if (e->IsFocusable()) {
            order.push_back(e);
        }
        // Inside an open popup only its own elements take the focus.
        for (const auto& child : e->Children()) {
            self(self, child.get());
        }
    };
    collect(collect, popup_ ? popup_ : this);
    if (order.empty()) {
        return false;
    }
    auto at = std::find(order.begin(), order.end(), focus_);
    std::size_t next = 0;
    if (at != order.end()) {
        const std::size_t i = std::size_t(at - order.begin());
        next = forward ? (i + 1) % order.size() : (i + order.size() - 1) % order.size();
    } else if (!forward) {
        next = order.size() - 1;
    }
    FocusElement(order[next]);
    return true;
}

cChildElement* cCustomForm::ShowPopup(std::unique_ptr<cChildElement> popup, const cRect& rect) {
    ClosePopup();
    // Kept inside the form, since the form's window is all there is to draw on.
    const int x = std::max(0, std::min(rect.x, Rect().w - rect.w));
    const int y = std::max(0, std::min(rect.y, Rect().h - rect.h));
    popup_ = AddChild(std::move(popup), x, y, rect.w, rect.h);
    return popup_;
}

void cCustomForm::ClosePopup() {
    if (popup_) {
        DestroyChild(popup_);
    }
}

void cCustomForm::Forget(cChildElement* leaving) {
    auto inside = [leaving](cChildElement* e) { return Within(e, leaving); };
    if (inside(hover_)) {
        hover_ = nullptr;
    }
    if (inside(capture_)) {
        ReleaseCapture();
    }
    if (inside(focus_)) {
        focus_ = nullptr;
    }
    if (inside(popup_)) {
        popup_ = nullptr;
    }
    if (Within(hintHeldFor_, leaving)) {
        hintHeldFor_ = nullptr;
    }
    DismissHint(leaving);
}

void cCustomForm::HoldHint() {
    if (hover_) {
        hintHeldFor_ = hover_;
    }
    DismissHint();
}

void cCustomForm::DismissHint(const cChildElement* leaving) {
    cHintMaster* hint = cHintMaster::Of(*this);
    if (hint && hint->Owner() && (!leaving || Within(hint->Owner(), leaving))) {
        hint->Dismiss();
    }
}

void cCustomForm::Bury(std::unique_ptr<cChildElement> element) {
    if (dispatchDepth_ > 0) {
        graveyard_.push_back(std::move(element));
    }
}
