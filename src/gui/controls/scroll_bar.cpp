#include "gui/controls/scroll_bar.h"

#include "gui/clickable.h"
#include "gui/painter.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

class cScrollArrow : public cClickableElement {
public:
    cScrollArrow(cScrollBarBase& bar, int direction, int sign)
        : bar_(bar), direction_(direction), sign_(sign) {
        SetFocusable(false);
    }
    void OnPaint(cCanvas& canvas) override {
        const eClickState state = ClickState();
        if (state == eClickState::Hover || state == eClickState::Pressed) {
            canvas.FillRect(ClientRect(), state == eClickState::Pressed ? theme::kSurfacePressed
                                                                        : theme::kSurfaceHover);
        }
        painter::Chevron(canvas, ClientRect(),
                         state == eClickState::Disabled ? theme::kTextDisabled : theme::kTextMuted,
                         direction_);
    }

protected:
    void OnClick() override { bar_.Step(sign_ * bar_.LineStep()); }

private:
    cScrollBarBase& bar_;
    int direction_;
    int sign_;
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
    const std::int64_t span = std::int64_t(std::max(minimum, maximum)) - minimum + 1;
    axis_.SetExtent(int(std::min<std::int64_t>(span, std::numeric_limits<int>::max())),
                    std::max(1, page));
    Invalidate();
}

void cScrollBarBase::SetPosition(int position, bool notify) {
    if (!axis_.SetPosition(int(
            std::clamp<std::int64_t>(std::int64_t(position) - minimum_, 0, axis_.MaxPosition())))) {
        return;
    }
    Invalidate();
    if (notify) {
        SendCommand(kActionScroll, Position());
    }
}

void cScrollBarBase::SetLineStep(int units) {
    line_ = std::max(1, units);
}

void cScrollBarBase::Step(int units) {
    SetPosition(int(std::clamp<std::int64_t>(std::int64_t(Position()) + units,
                                             std::numeric_limits<int>::min(),
                                             std::numeric_limits<int>::max())),
                true);
}

cRect cScrollBarBase::ThumbRect() const {
    const auto [offset, size] = axis_.Thumb(Track());
    return vertical_ ? cRect{0, Arrow() + offset, Rect().w, size}
                     : cRect{Arrow() + offset, 0, size, Rect().h};
}

void cScrollBarBase::OnPaint(cCanvas& canvas) {
    painter::ScrollTrack(canvas, ClientRect());
    const eClickState state = !IsEnabled() ? eClickState::Disabled
                              : dragging_  ? eClickState::Pressed
                              : thumbHot_  ? eClickState::Hover
                                           : eClickState::Normal;
    if (axis_.Needed()) {
        painter::ScrollThumb(canvas, ThumbRect(), state, vertical_);
    }
}

void cScrollBarBase::OnButtonDown(eMouseButton button, cPoint point, int modifiers) {
    if (button != eMouseButton::Left) {
        return;
    }
    const cRect thumb = ThumbRect();
    if (thumb.Contains(point)) {
        dragging_ = true;
        dragOffset_ = Along(point) - Along({thumb.x, thumb.y});
        Invalidate();
        return;
    }
    Step(Along(point) < Along({thumb.x, thumb.y}) ? -Page() : Page());
}

void cScrollBarBase::OnMouseMove(cPoint point) {
    if (!dragging_) {
        const bool hot = ThumbRect().Contains(point);
        if (hot != thumbHot_) {
            thumbHot_ = hot;
            Invalidate();
        }
        return;
    }
    SetPosition(minimum_ + axis_.PositionForThumb(Track(), Along(point) - dragOffset_ - Arrow()),
                true);
}

void cScrollBarBase::OnButtonUp(eMouseButton button, cPoint point, int modifiers) {
    if (!dragging_) {
        return;
    }
    dragging_ = false;
    Invalidate();
}

void cScrollBarBase::OnMouseLeave() {
    thumbHot_ = false;
    Invalidate();
}

bool cScrollBarBase::OnWheel(int delta, cPoint point) {
    Step(cScrollAxis::WheelDistance(delta, line_));
    return true;
}
