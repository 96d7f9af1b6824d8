#include "gui/views/scrollable_element.h"

#include "gui/painter.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {
// Windows-style wheel units: one notch reports 120.
constexpr int kWheelNotch = 120;
constexpr int kLinesPerNotch = 3;
} // namespace

cScrollableElement::cBars cScrollableElement::Bars() const {
    const cRect inner = ClientRect().Inset(1);
    const int top = inner.y + top_inset_;
    cBars bars;
    const bool v = v_.Needed(), h = h_.Needed();
    if (v)
        bars.vertical = {inner.Right() - kBarThickness, top, kBarThickness,
                         inner.Bottom() - top - (h ? kBarThickness : 0)};
    if (h)
        bars.horizontal = {inner.x, inner.Bottom() - kBarThickness,
                           inner.w - (v ? kBarThickness : 0), kBarThickness};
    return bars;
}

cRect cScrollableElement::Viewport() const {
    const cRect inner = ClientRect().Inset(1);
    const int w = inner.w - (v_.Needed() ? kBarThickness : 0);
    const int h = inner.h - top_inset_ - (h_.Needed() ? kBarThickness : 0);
    return {inner.x, inner.y + top_inset_, std::max(0, w), std::max(0, h)};
}

void cScrollableElement::UpdateExtents() {
    // Whether one bar is needed depends on the other's room: settle it in two rounds.
    const cRect inner = ClientRect().Inset(1);
    const int full_w = std::max(0, inner.w), full_h = std::max(0, inner.h - top_inset_);
    bool need_v = v_.Content() > full_h;
    const bool need_h = h_.Content() > full_w - (need_v ? kBarThickness : 0);
    need_v = v_.Content() > full_h - (need_h ? kBarThickness : 0);
    v_.SetExtent(v_.Content(), std::max(0, full_h - (need_h ? kBarThickness : 0)));
    h_.SetExtent(h_.Content(), std::max(0, full_w - (need_v ? kBarThickness : 0)));
}

int cScrollableElement::RowsExtent(std::size_t rows, int row_height) {
    const std::uint64_t extent = std::uint64_t(rows) * std::uint64_t(std::max(0, row_height));
    return int(std::min<std::uint64_t>(extent, std::numeric_limits<int>::max()));
}

void cScrollableElement::SetContentSize(cSize size) {
    const cPoint before = ScrollPos();
    h_.SetExtent(size.w, h_.Page());
    v_.SetExtent(size.h, v_.Page());
    UpdateExtents();
    Invalidate();
    if (ScrollPos() != before)
        OnScrolled();
}

void cScrollableElement::SetTopInset(int inset) {
    top_inset_ = std::max(0, inset);
    UpdateExtents();
    Invalidate();
}

void cScrollableElement::OnSize() {
    const cPoint before = ScrollPos();
    UpdateExtents();
    cChildElement::OnSize();
    if (ScrollPos() != before)
        OnScrolled();
}

void cScrollableElement::ScrollTo(cPoint position) {
    const bool moved_h = h_.SetPosition(position.x);
    const bool moved_v = v_.SetPosition(position.y);
    if (!moved_h && !moved_v)
        return;
    Invalidate();
    OnScrolled();
}

void cScrollableElement::ScrollBy(int dx, int dy) {
    ScrollTo({h_.Position() + dx, v_.Position() + dy});
}

void cScrollableElement::EnsureVisible(const cRect& content_rect) {
    const cRect view = Viewport();
    cPoint to = ScrollPos();
    auto settle = [](int pos, int page, int start, int length) {
        if (start + length > pos + page)
            pos = start + length - page;
        return std::min(pos, start);
    };
    to.x = settle(to.x, view.w, content_rect.x, content_rect.w);
    to.y = settle(to.y, view.h, content_rect.y, content_rect.h);
    ScrollTo(to);
}

cPoint cScrollableElement::ToContent(cPoint element_point) const {
    const cRect view = Viewport();
    return {element_point.x - view.x + h_.Position(), element_point.y - view.y + v_.Position()};
}

void cScrollableElement::InvalidateContent(const cRect& content_rect) {
    // The element as a whole; the host merges rectangles, and rows are cheap to repaint.
    const cRect view = Viewport();
    const cRect shown =
        content_rect.Offset(view.x - h_.Position(), view.y - v_.Position()).Intersect(view);
    if (!shown.Empty())
        Invalidate();
}

void cScrollableElement::PaintBar(cCanvas& canvas, const cRect& track, const cScrollAxis& axis,
                                  bool vertical, bool hot) {
    painter::ScrollTrack(canvas, track);
    const auto [offset, length] = axis.Thumb(vertical ? track.h : track.w);
    const cRect thumb = vertical ? cRect{track.x, track.y + offset, track.w, length}
                                 : cRect{track.x + offset, track.y, length, track.h};
    const bool dragging = dragging_ == (vertical ? ePart::VThumb : ePart::HThumb);
    painter::ScrollThumb(canvas, thumb,
                         dragging ? eClickState::Pressed
                         : hot    ? eClickState::Hover
                                  : eClickState::Normal,
                         vertical);
}

void cScrollableElement::OnPaint(cCanvas& canvas) {
    const cRect client = ClientRect();
    canvas.FillRect(client, theme::kSurface);
    const cRect view = Viewport();
    const cRect old_clip = canvas.ClipRect();
    const cPoint origin = canvas.Origin();
    const cRect clip = view.Offset(origin.x, origin.y).Intersect(old_clip);
    if (!clip.Empty()) {
        canvas.SetClipRect(clip);
        canvas.SetOrigin({origin.x + view.x - h_.Position(), origin.y + view.y - v_.Position()});
        PaintContent(canvas, {h_.Position(), v_.Position(), view.w, view.h});
        canvas.SetOrigin(origin);
        canvas.SetClipRect(old_clip);
        canvas.SelectFont(Font());
    }
    const cBars bars = Bars();
    if (!bars.vertical.Empty())
        PaintBar(canvas, bars.vertical, v_, true, hot_ == ePart::VThumb);
    if (!bars.horizontal.Empty())
        PaintBar(canvas, bars.horizontal, h_, false, hot_ == ePart::HThumb);
    if (!bars.vertical.Empty() && !bars.horizontal.Empty())
        canvas.FillRect({bars.vertical.x, bars.horizontal.y, kBarThickness, kBarThickness},
                        theme::kWindow);
    canvas.FrameRect(client, HasFocus() ? theme::kAccent : theme::kBorder);
}

cScrollableElement::ePart cScrollableElement::PartAt(cPoint point) const {
    const cBars bars = Bars();
    auto on_bar = [&](const cRect& track, const cScrollAxis& axis, bool vertical) {
        const auto [offset, length] = axis.Thumb(vertical ? track.h : track.w);
        const int along = vertical ? point.y - track.y : point.x - track.x;
        const bool thumb = along >= offset && along < offset + length;
        return vertical ? (thumb ? ePart::VThumb : ePart::VTrack)
                        : (thumb ? ePart::HThumb : ePart::HTrack);
    };
    if (bars.vertical.Contains(point))
        return on_bar(bars.vertical, v_, true);
    if (bars.horizontal.Contains(point))
        return on_bar(bars.horizontal, h_, false);
    return Viewport().Contains(point) ? ePart::Content : ePart::None;
}

void cScrollableElement::OnButtonDown(eMouseButton button, cPoint point, int modifiers) {
    const ePart part = PartAt(point);
    const cBars bars = Bars();
    switch (part) {
    case ePart::VThumb:
    case ePart::HThumb: {
        if (button != eMouseButton::Left)
            return;
        dragging_ = part;
        const bool vertical = part == ePart::VThumb;
        const cRect& track = vertical ? bars.vertical : bars.horizontal;
        const int offset = (vertical ? v_ : h_).Thumb(vertical ? track.h : track.w).first;
        drag_grip_ = vertical ? point.y - track.y - offset : point.x - track.x - offset;
        Invalidate();
        return;
    }
    case ePart::VTrack: {
        const int thumb = v_.Thumb(bars.vertical.h).first + bars.vertical.y;
        ScrollBy(0, point.y < thumb ? -v_.Page() : v_.Page());
        return;
    }
    case ePart::HTrack: {
        const int thumb = h_.Thumb(bars.horizontal.w).first + bars.horizontal.x;
        ScrollBy(point.x < thumb ? -h_.Page() : h_.Page(), 0);
        return;
    }
    case ePart::Content:
        OnContentButtonDown(button, ToContent(point), modifiers);
        return;
    case ePart::None:
        return;
    }
}

void cScrollableElement::OnMouseMove(cPoint point) {
    if (dragging_ == ePart::VThumb || dragging_ == ePart::HThumb) {
        const cBars bars = Bars();
        if (dragging_ == ePart::VThumb)
            ScrollTo({h_.Position(), v_.PositionForThumb(bars.vertical.h,
                                                         point.y - bars.vertical.y - drag_grip_)});
        else
            ScrollTo(
                {h_.PositionForThumb(bars.horizontal.w, point.x - bars.horizontal.x - drag_grip_),
                 v_.Position()});
        return;
    }
    const ePart part = PartAt(point);
    const ePart hot = part == ePart::VThumb || part == ePart::HThumb ? part : ePart::None;
    if (hot != hot_) {
        hot_ = hot;
        Invalidate();
    }
    OnContentMouseMove(ToContent(point));
}

void cScrollableElement::OnButtonUp(eMouseButton button, cPoint point, int modifiers) {
    if (dragging_ != ePart::None) {
        dragging_ = ePart::None;
        Invalidate();
        return;
    }
    OnContentButtonUp(button, ToContent(point), modifiers);
}

void cScrollableElement::OnDoubleClick(cPoint point, int modifiers) {
    if (PartAt(point) == ePart::Content)
        OnContentDoubleClick(ToContent(point), modifiers);
    else
        OnButtonDown(eMouseButton::Left, point, modifiers);
}

void cScrollableElement::OnMouseLeave() {
    if (hot_ != ePart::None) {
        hot_ = ePart::None;
        Invalidate();
    }
}

void cScrollableElement::OnCaptureLost() {
    dragging_ = ePart::None;
    Invalidate();
}

bool cScrollableElement::OnWheel(int delta, cPoint point) {
    if (delta == 0 || !v_.Needed())
        return false;
    // Fine-grained wheels report fractions of a notch; they still move at least a pixel
    // per event in the right direction.
    int pixels = delta * kLinesPerNotch * LineStep() / kWheelNotch;
    if (pixels == 0)
        pixels = delta > 0 ? 1 : -1;
    ScrollBy(0, -pixels);
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
