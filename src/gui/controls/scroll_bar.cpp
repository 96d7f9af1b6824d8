#include "gui/controls/scroll_bar.h"

#include "gui/clickable.h"
#include "gui/painter.h"

#include <algorithm>

namespace {

class cScrollArrow : public cClickableElement {
public:
    cScrollArrow(cScrollBarBase& bar, int direction, int step)
        : bar_(bar), direction_(direction), step_(step) {
        SetFocusable(false);
    }
    void OnPaint(cCanvas& canvas) override {
        const eClickState state = ClickState();
        if (state == eClickState::Hover || state == eClickState::Pressed)
            canvas.FillRect(ClientRect(), state == eClickState::Pressed ? theme::kSurfacePressed
                                                                        : theme::kSurfaceHover);
        painter::Chevron(canvas, ClientRect(),
                         state == eClickState::Disabled ? theme::kTextDisabled : theme::kTextMuted,
                         direction_);
    }

protected:
    void OnClick() override { bar_.Step(step_); }

private:
    cScrollBarBase& bar_;
    int direction_;
    int step_;
};

} // namespace

cScrollBarBase::cScrollBarBase(bool vertical) : vertical_(vertical) {
    Add<cScrollArrow>(0, 0, 0, 0, *this, vertical ? 2 : 0, -1);
    Add<cScrollArrow>(0, 0, 0, 0, *this, vertical ? 3 : 1, 1);
}

int cScrollBarBase::Arrow() const {
    return std::min(kThickness, Length() / 2);
}

void cScrollBarBase::OnSize() {
    const int a = Arrow();
    if (vertical_) {
        Children()[0]->Place(0, 0, -1, a);
        Children()[1]->Place(0, Rect().h - a, -1, a);
    } else {
        Children()[0]->Place(0, 0, a, -1);
        Children()[1]->Place(Rect().w - a, 0, a, -1);
    }
}

void cScrollBarBase::SetRange(int minimum, int maximum, int page) {
    minimum_ = minimum;
    maximum_ = std::max(minimum, maximum);
    page_ = std::max(1, page);
    SetPosition(position_);
    Invalidate();
}

void cScrollBarBase::SetPosition(int position, bool notify) {
    position = std::clamp(position, minimum_, MaxPosition());
    if (position == position_)
        return;
    position_ = position;
    Invalidate();
    if (notify)
        SendCommand(kActionScroll, position_);
}

void cScrollBarBase::Step(int lines) {
    SetPosition(position_ + lines, true);
}

cRect cScrollBarBase::ThumbRect() const {
    const int track = Length() - 2 * Arrow();
    const int span = maximum_ - minimum_ + 1;
    const int size =
        std::clamp(span > 0 ? track * page_ / span : track, std::min(track, 18), track);
    const int room = track - size, range = MaxPosition() - minimum_;
    const int offset = Arrow() + (range > 0 ? room * (position_ - minimum_) / range : 0);
    return vertical_ ? cRect{0, offset, Rect().w, size} : cRect{offset, 0, size, Rect().h};
}

void cScrollBarBase::OnPaint(cCanvas& canvas) {
    painter::ScrollTrack(canvas, ClientRect());
    const eClickState state = !IsEnabled() ? eClickState::Disabled
                              : dragging_  ? eClickState::Pressed
                              : thumb_hot_ ? eClickState::Hover
                                           : eClickState::Normal;
    if (MaxPosition() > minimum_)
        painter::ScrollThumb(canvas, ThumbRect(), state, vertical_);
}

void cScrollBarBase::OnButtonDown(eMouseButton button, cPoint point, int modifiers) {
    if (button != eMouseButton::Left)
        return;
    const cRect thumb = ThumbRect();
    if (thumb.Contains(point)) {
        dragging_ = true;
        drag_offset_ = Along(point) - Along({thumb.x, thumb.y});
        Invalidate();
        return;
    }
    SetPosition(position_ + (Along(point) < Along({thumb.x, thumb.y}) ? -page_ : page_), true);
}

void cScrollBarBase::OnMouseMove(cPoint point) {
    if (!dragging_) {
        const bool hot = ThumbRect().Contains(point);
        if (hot != thumb_hot_) {
            thumb_hot_ = hot;
            Invalidate();
        }
        return;
    }
    const cRect thumb = ThumbRect();
    const int room = Length() - 2 * Arrow() - (vertical_ ? thumb.h : thumb.w);
    const int range = MaxPosition() - minimum_;
    if (room <= 0 || range <= 0)
        return;
    const int offset = std::clamp(Along(point) - drag_offset_ - Arrow(), 0, room);
    SetPosition(minimum_ + (offset * range + room / 2) / room, true);
}

void cScrollBarBase::OnButtonUp(eMouseButton button, cPoint point, int modifiers) {
    if (!dragging_)
        return;
    dragging_ = false;
    Invalidate();
}

void cScrollBarBase::OnMouseLeave() {
    thumb_hot_ = false;
    Invalidate();
}

bool cScrollBarBase::OnWheel(int delta, cPoint point) {
    Step(delta > 0 ? -3 : 3);
    return true;
}
