#include "gui/child_element.h"

#include "gui/custom_form.h"
#include "gui/window_maker.h"
#include "gui/window_request_target.h"

#include <algorithm>

cChildElement::cChildElement() : font_(StandardFont(eStdFont::Plain)) {}

cChildElement::~cChildElement() {
    DestroyChildren();
}

void cChildElement::DestroyChildren() {
    cCustomForm* form = Form();
    while (!children_.empty()) {
        std::unique_ptr<cChildElement> child = std::move(children_.back());
        children_.pop_back();
        if (form) {
            form->Forget(child.get());
        }
        {
            cScopedLock lock(ActionQueueLock());
            child->parent_ = nullptr;
        }
        child.reset();
    }
}

cChildElement* cChildElement::AddChild(std::unique_ptr<cChildElement> child, int x, int y,
                                       int width, int height) {
    if (!child) {
        return nullptr;
    }
    cChildElement* added = child.get();
    {
        cScopedLock lock(ActionQueueLock());
        added->parent_ = this;
    }
    children_.push_back(std::move(child));
    added->placement_ = {x, y, width, height};
    added->ApplyPlacement();
    added->Invalidate();
    return added;
}

void cChildElement::DestroyChild(cChildElement* child) {
    auto found = std::find_if(children_.begin(), children_.end(),
                              [&](const auto& c) { return c.get() == child; });
    if (found == children_.end()) {
        return;
    }
    child->Invalidate();
    cCustomForm* form = Form();
    if (form) {
        form->Forget(child);
    }
    std::unique_ptr<cChildElement> removed = std::move(*found);
    children_.erase(found);
    {
        cScopedLock lock(ActionQueueLock());
        removed->parent_ = nullptr;
    }
    if (form) {
        form->Bury(std::move(removed));
    }
}

cCustomForm* cChildElement::Form() {
    cChildElement* top = this;
    while (top->parent_) {
        top = top->parent_;
    }
    return dynamic_cast<cCustomForm*>(top);
}

cWindowRequestTarget* cChildElement::Host() {
    cChildElement* top = this;
    while (top->parent_) {
        top = top->parent_;
    }
    return top->host_;
}

void cChildElement::Place(int x, int y, int width, int height) {
    placement_ = {x, y, width, height};
    Invalidate();
    ApplyPlacement();
    Invalidate();
}

void cChildElement::ApplyPlacement() {
    const cSize extent =
        parent_ ? cSize{parent_->rect_.w, parent_->rect_.h} : cSize{rect_.w, rect_.h};
    // A negative size counts back from the parent's far edge, so the child keeps its
    // margin there however the parent is resized.
    const int w =
        placement_.width < 0 ? extent.w - placement_.x + placement_.width + 1 : placement_.width;
    const int h =
        placement_.height < 0 ? extent.h - placement_.y + placement_.height + 1 : placement_.height;
    SetRect({placement_.x, placement_.y, std::max(0, w), std::max(0, h)});
}

void cChildElement::SetRect(const cRect& rect) {
    const bool resized = rect.w != rect_.w || rect.h != rect_.h;
    rect_ = rect;
    if (resized) {
        OnSize();
    }
}

void cChildElement::OnSize() {
    for (const auto& child : children_) {
        child->ApplyPlacement();
    }
}

cRect cChildElement::FormRect() const {
    cRect r = rect_;
    for (const cChildElement* p = parent_; p; p = p->parent_) {
        r = r.Offset(p->rect_.x, p->rect_.y);
    }
    return r;
}

cPoint cChildElement::ToLocal(cPoint formPoint) const {
    const cRect r = FormRect();
    return {formPoint.x - r.x, formPoint.y - r.y};
}

void cChildElement::SetVisible(bool visible) {
    if (visible_ == visible) {
        return;
    }
    if (!visible) {
        Invalidate();
    }
    visible_ = visible;
    if (!visible) {
        if (cCustomForm* form = Form(); form && form != this) {
            form->Forget(this);
        }
    } else {
        Invalidate();
    }
}

bool cChildElement::IsEnabled() const {
    for (const cChildElement* e = this; e; e = e->parent_) {
        if (!e->enabled_) {
            return false;
        }
    }
    return true;
}

void cChildElement::SetEnabled(bool enabled) {
    if (enabled_ == enabled) {
        return;
    }
    enabled_ = enabled;
    if (!enabled) {
        if (cCustomForm* form = Form(); form && form != this) {
            form->Forget(this);
        }
    }
    Invalidate();
}

bool cChildElement::HasFocus() const {
    const cChildElement* top = this;
    while (top->parent_) {
        top = top->parent_;
    }
    const auto* form = dynamic_cast<const cCustomForm*>(top);
    return form && form->Focused() == this && form->WindowActive();
}

void cChildElement::SetFocus() {
    if (cCustomForm* form = Form()) {
        form->FocusElement(this);
    }
}

void cChildElement::SetFont(const cFontSpec& font) {
    font_ = font;
    Invalidate();
}

cSize cChildElement::TextExtent(std::u16string_view text, const cFontSpec& font) {
    if (cWindowRequestTarget* host = Host()) {
        return host->TextExtent(text, font);
    }
    // Not in a window yet (a form laying out before it is shown): the maker measures with
    // the same fonts its windows will draw with.
    cWindowMaker* maker = WindowMaker();
    return maker ? maker->TextExtent(text, font) : cSize{};
}

void cChildElement::Invalidate() {
    if (!visible_) {
        return;
    }
    cWindowRequestTarget* host = Host();
    if (!host) {
        return;
    }
    const cRect r = FormRect().Inset(-kPaintOverhang);
    host->Invalidate(&r);
}

void cChildElement::PaintTree(cCanvas& canvas, cPoint offset, const cRect& clip) {
    if (!visible_) {
        return;
    }
    const cRect bounds = rect_.Offset(offset.x, offset.y);
    const cRect own = bounds.Inset(-kPaintOverhang).Intersect(clip);
    if (own.Empty()) {
        return;
    }
    const cRect visible = bounds.Intersect(clip);
    canvas.SetClipRect(own);
    canvas.SetOrigin({bounds.x, bounds.y});
    canvas.SelectFont(font_);
    OnPaint(canvas);
    if (visible.Empty()) {
        return;
    }
    for (std::size_t i = 0; i < children_.size(); ++i) {
        children_[i]->PaintTree(canvas, {bounds.x, bounds.y}, visible);
    }
}

cChildElement* cChildElement::HitTest(cPoint point) {
    for (auto child = children_.rbegin(); child != children_.rend(); ++child) {
        cChildElement* c = child->get();
        if (c->visible_ && c->TakesPointer() && c->rect_.Contains(point)) {
            return c->HitTest({point.x - c->rect_.x, point.y - c->rect_.y});
        }
    }
    return this;
}

bool cChildElement::SendCommand(int kind, int item) {
    for (cChildElement* e = parent_; e; e = e->parent_) {
        if (e->OnCommand(this, kind, item)) {
            return true;
        }
    }
    return false;
}

bool cChildElement::RequestActionProcessing() {
    return RequestWake(kWakeB, reinterpret_cast<std::uintptr_t>(this));
}

bool cChildElement::RequestWake(std::uint32_t wake, std::uintptr_t value) {
    // Held while walking so that the window thread cannot unlink a parent or detach the
    // host under us; posting a wake-up never takes this lock again.
    cScopedLock lock(ActionQueueLock());
    const cChildElement* top = this;
    while (top->parent_) {
        top = top->parent_;
    }
    if (!top->host_) {
        return false;
    }
    return wake == kWakeA ? top->host_->PostWakeA(value) : top->host_->PostWakeB(value);
}

void cChildElement::ProcessActionTree() {
    // Handlers may add and remove elements. Removed ones stay alive (buried) until the
    // dispatch ends, so the snapshot stays valid; they are skipped once unlinked.
    std::vector<cChildElement*> snapshot;
    std::vector<cChildElement*> pending{this};
    while (!pending.empty()) {
        cChildElement* e = pending.back();
        pending.pop_back();
        snapshot.push_back(e);
        for (auto child = e->children_.rbegin(); child != e->children_.rend(); ++child) {
            pending.push_back(child->get());
        }
    }
    for (cChildElement* e : snapshot) {
        if (e != this && !e->parent_) {
            continue;
        }
        // An element removed by one of its own actions ignores the rest of its queue.
        e->actions_.Process([this, e](cChildAction& action) {
            if (e == this || e->parent_) {
                e->OnAction(action);
            }
        });
    }
}
