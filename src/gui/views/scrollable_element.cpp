#include "gui/views/scrollable_element.h"

#include "gui/painter.h"

#include <algorithm>
#include <cstdint>
#include <limits>

cScrollableElement::cScrollableElement()
    : vbar_(Add<cVScroll>(0, 0, 0, 0)), hbar_(Add<cHScroll>(0, 0, 0, 0)) {
    vbar_->SetVisible(false);
    hbar_->SetVisible(false);
}

cScrollableElement::cBars cScrollableElement::Bars() const {
    const cRect inner = ClientRect().Inset(1);
    const int top = inner.y + topInset_;
    cBars bars;
    const bool v = v_.Needed(), h = h_.Needed();
    if (v) {
        bars.vertical = {inner.Right() - kBarThickness, top, kBarThickness,
                         inner.Bottom() - top - (h ? kBarThickness : 0)};
    }
    if (h) {
        bars.horizontal = {inner.x, inner.Bottom() - kBarThickness,
                           inner.w - (v ? kBarThickness : 0), kBarThickness};
    }
    return bars;
}

cRect cScrollableElement::Viewport() const {
    const cRect inner = ClientRect().Inset(1);
    const int w = inner.w - (v_.Needed() ? kBarThickness : 0);
    const int h = inner.h - topInset_ - (h_.Needed() ? kBarThickness : 0);
    return {inner.x, inner.y + topInset_, std::max(0, w), std::max(0, h)};
}

void cScrollableElement::UpdateExtents() {
    // Whether one bar is needed depends on the other's room: settle it in two rounds.
    const cRect inner = ClientRect().Inset(1);
    const int fullW = std::max(0, inner.w), fullH = std::max(0, inner.h - topInset_);
    bool needV = v_.Content() > fullH;
    const bool needH = h_.Content() > fullW - (needV ? kBarThickness : 0);
    needV = v_.Content() > fullH - (needH ? kBarThickness : 0);
    v_.SetExtent(v_.Content(), std::max(0, fullH - (needH ? kBarThickness : 0)));
    h_.SetExtent(h_.Content(), std::max(0, fullW - (needV ? kBarThickness : 0)));
    SyncBars();
}

void cScrollableElement::SyncBars() {
    const cBars bars = Bars();
    auto sync = [this](cScrollBarBase& bar, const cRect& place, const cScrollAxis& axis) {
        bar.SetVisible(!place.Empty());
        if (place.Empty()) {
            return;
        }
        bar.Place(place.x, place.y, place.w, place.h);
        bar.SetRange(0, axis.Content() - 1, axis.Page());
        bar.SetPosition(axis.Position());
        bar.SetLineStep(LineStep());
    };
    sync(*vbar_, bars.vertical, v_);
    sync(*hbar_, bars.horizontal, h_);
}

int cScrollableElement::RowsExtent(std::size_t rows, int rowHeight) {
    const std::uint64_t extent = std::uint64_t(rows) * std::uint64_t(std::max(0, rowHeight));
    return int(std::min<std::uint64_t>(extent, std::numeric_limits<int>::max()));
}

void cScrollableElement::SetContentSize(cSize size) {
    const cPoint before = ScrollPos();
    h_.SetExtent(size.w, h_.Page());
    v_.SetExtent(size.h, v_.Page());
    UpdateExtents();
    Invalidate();
    if (ScrollPos() != before) {
        OnScrolled();
    }
}

void cScrollableElement::SetTopInset(int inset) {
    topInset_ = std::max(0, inset);
    UpdateExtents();
    Invalidate();
}

void cScrollableElement::OnSize() {
    const cPoint before = ScrollPos();
    UpdateExtents();
    cChildElement::OnSize();
    if (ScrollPos() != before) {
        OnScrolled();
    }
}

void cScrollableElement::ScrollTo(cPoint position) {
    const bool movedH = h_.SetPosition(position.x);
    const bool movedV = v_.SetPosition(position.y);
    if (!movedH && !movedV) {
        return;
    }
    hbar_->SetPosition(h_.Position());
    vbar_->SetPosition(v_.Position());
    Invalidate();
    OnScrolled();
}

void cScrollableElement::ScrollBy(int dx, int dy) {
    ScrollTo({h_.Position() + dx, v_.Position() + dy});
}

void cScrollableElement::EnsureVisible(const cRect& contentRect) {
    const cRect view = Viewport();
    cPoint to = ScrollPos();
    auto settle = [](int pos, int page, int start, int length) {
        if (start + length > pos + page) {
            pos = start + length - page;
        }
        return std::min(pos, start);
    };
    to.x = settle(to.x, view.w, contentRect.x, contentRect.w);
    to.y = settle(to.y, view.h, contentRect.y, contentRect.h);
    ScrollTo(to);
}

cPoint cScrollableElement::ToContent(cPoint elementPoint) const {
    const cRect view = Viewport();
    return {elementPoint.x - view.x + h_.Position(), elementPoint.y - view.y + v_.Position()};
}

void cScrollableElement::InvalidateContent(const cRect& contentRect) {
    // The element as a whole; the host merges rectangles, and rows are cheap to repaint.
    const cRect view = Viewport();
    const cRect shown =
        contentRect.Offset(view.x - h_.Position(), view.y - v_.Position()).Intersect(view);
    if (!shown.Empty()) {
        Invalidate();
    }
}

void cScrollableElement::OnPaint(cCanvas& canvas) {
    const cRect client = ClientRect();
    canvas.FillRect(client, theme::kSurface);
    const cRect view = Viewport();
    const cRect oldClip = canvas.ClipRect();
    const cPoint origin = canvas.Origin();
    const cRect clip = view.Offset(origin.x, origin.y).Intersect(oldClip);
    if (!clip.Empty()) {
        canvas.SetClipRect(clip);
        canvas.SetOrigin({origin.x + view.x - h_.Position(), origin.y + view.y - v_.Position()});
        PaintContent(canvas, {h_.Position(), v_.Position(), view.w, view.h});
        canvas.SetOrigin(origin);
        canvas.SetClipRect(oldClip);
        canvas.SelectFont(Font());
    }
    const cBars bars = Bars();
    if (!bars.vertical.Empty() && !bars.horizontal.Empty()) {
        canvas.FillRect({bars.vertical.x, bars.horizontal.y, kBarThickness, kBarThickness},
                        theme::kWindow);
    }
    canvas.FrameRect(client, HasFocus() ? theme::kAccent : theme::kBorder);
}

void cScrollableElement::OnButtonDown(eMouseButton button, cPoint point, int modifiers) {
    if (Viewport().Contains(point)) {
        OnContentButtonDown(button, ToContent(point), modifiers);
    }
}

void cScrollableElement::OnMouseMove(cPoint point) {
    OnContentMouseMove(ToContent(point));
}

void cScrollableElement::OnButtonUp(eMouseButton button, cPoint point, int modifiers) {
    OnContentButtonUp(button, ToContent(point), modifiers);
}

void cScrollableElement::OnDoubleClick(cPoint point, int modifiers) {
    if (Viewport().Contains(point)) {
        OnContentDoubleClick(ToContent(point), modifiers);
    }
}

bool cScrollableElement::OnCommand(cChildElement* source, int kind, int item) {
    if (kind != kActionScroll || (source != vbar_ && source != hbar_)) {
        return false;
    }
    ScrollTo(source == vbar_ ? cPoint{h_.Position(), item} : cPoint{item, v_.Position()});
    return true;
}

bool cScrollableElement::OnWheel(int delta, cPoint point) {
    if (delta == 0 || !v_.Needed()) {
        return false;
    }
    ScrollBy(0, cScrollAxis::WheelDistance(delta, LineStep()));
    return true;
}

bool cScrollableElement::OnKeyDown(int key, int modifiers) {
    switch (key) {
    case key::kUp:
        ScrollBy(0, -LineStep());
        return true;
    case key::kDown:
        ScrollBy(0, LineStep());
        return true;
    case key::kLeft:
        ScrollBy(-LineStep(), 0);
        return true;
    case key::kRight:
        ScrollBy(LineStep(), 0);
        return true;
    case key::kPageUp:
        ScrollBy(0, -v_.Page());
        return true;
    case key::kPageDown:
        ScrollBy(0, v_.Page());
        return true;
    case key::kHome:
        ScrollTo({0, 0});
        return true;
    case key::kEnd:
        ScrollTo({h_.Position(), v_.MaxPosition()});
        return true;
    default:
        return false;
    }
}
