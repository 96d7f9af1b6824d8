#include "gui/views/splitter_child.h"

#include "gui/painter.h"
#include "gui/window_request_target.h"

#include <algorithm>

namespace {
// Half the width of the zone around a thin divider that grabs it.
constexpr int kGrab = 3;
} // namespace

cSplitterChild::cSplitterChild(std::vector<int> extents, bool lastFills, int gap)
    : cSplitterChild(std::move(extents), lastFills, gap, false) {}

cSplitterChild::cSplitterChild(std::vector<int> extents, bool lastFills, int gap, bool vertical)
    : extents_(std::move(extents)), lastFills_(lastFills), gap_(std::max(0, gap)),
      vertical_(vertical) {}

int cSplitterChild::EffectiveExtent(int pane) const {
    const int wanted = extents_[std::size_t(pane)];
    if (!lastFills_) {
        return wanted;
    }
    // The extents asked for are kept; what a pane gets shrinks with the splitter so that
    // every pane after it keeps its minimum, and grows back when there is room again.
    const int later = PaneCount() - 1 - pane;
    const int room = Length() - (PaneStart(pane) + scrollOffset_) - later * (gap_ + minExtent_);
    return std::max(std::min(wanted, room), std::min(wanted, minExtent_));
}

int cSplitterChild::PaneExtent(int pane) const {
    if (pane < 0 || pane >= PaneCount()) {
        return 0;
    }
    if (lastFills_ && pane == PaneCount() - 1) {
        return std::max(0, Length() - (PaneStart(pane) + scrollOffset_));
    }
    return EffectiveExtent(pane);
}

int cSplitterChild::PaneStart(int pane) const {
    int start = -scrollOffset_;
    for (int i = 0; i < pane && i < PaneCount(); ++i) {
        start += EffectiveExtent(i) + gap_;
    }
    return start;
}

void cSplitterChild::SetPaneExtent(int pane, int extent) {
    const int lastMovable = lastFills_ ? PaneCount() - 2 : PaneCount() - 1;
    if (pane < 0 || pane > lastMovable) {
        return;
    }
    int clamped = std::max(minExtent_, extent);
    if (lastFills_) {
        const int later = PaneCount() - 1 - pane;
        clamped =
            std::min(clamped, std::max(minExtent_, Length() - (PaneStart(pane) + scrollOffset_) -
                                                       later * (gap_ + minExtent_)));
    }
    if (clamped == extents_[std::size_t(pane)]) {
        return;
    }
    extents_[std::size_t(pane)] = clamped;
    LayoutPanes();
    OnExtentsChanged();
    Invalidate();
}

cChildElement* cSplitterChild::AddPane(std::unique_ptr<cChildElement> pane) {
    cChildElement* added = AddChild(std::move(pane), 0, 0, 0, 0);
    LayoutPanes();
    return added;
}

void cSplitterChild::SetScrollOffset(int offset) {
    if (offset == scrollOffset_) {
        return;
    }
    scrollOffset_ = offset;
    LayoutPanes();
    Invalidate();
}

void cSplitterChild::LayoutPanes() {
    const auto& panes = Children();
    for (int i = 0; i < int(panes.size()) && i < PaneCount(); ++i) {
        const int start = PaneStart(i), extent = PaneExtent(i);
        if (vertical_) {
            panes[std::size_t(i)]->Place(0, start, -1, extent);
        } else {
            panes[std::size_t(i)]->Place(start, 0, extent, -1);
        }
    }
}

void cSplitterChild::OnSize() {
    LayoutPanes();
}

int cSplitterChild::DividerAt(cPoint point) const {
    const int along = Along(point);
    const int lastMovable = lastFills_ ? PaneCount() - 2 : PaneCount() - 1;
    for (int i = lastMovable; i >= 0; --i) {
        const int start = PaneStart(i) + PaneExtent(i);
        if (along >= start - kGrab && along < start + gap_ + kGrab) {
            return i;
        }
    }
    return -1;
}

int cSplitterChild::CursorKind(cPoint point) const {
    if (drag_ < 0 && DividerAt(point) < 0) {
        return kCursorArrow;
    }
    return vertical_ ? kCursorSizeNS : kCursorSizeWE;
}

void cSplitterChild::OnPaint(cCanvas& canvas) {
    if (gap_ == 0) {
        return;
    }
    for (int i = 0; i + 1 < PaneCount(); ++i) {
        const int start = PaneStart(i) + PaneExtent(i);
        const cRect bar =
            vertical_ ? cRect{0, start, Rect().w, gap_} : cRect{start, 0, gap_, Rect().h};
        canvas.FillRect(bar, theme::kWindow);
        // A short grip in the middle of the divider shows it can be dragged.
        const cRect grip = vertical_ ? cRect{bar.w / 2 - 12, start + gap_ / 2 - 1, 24, 2}
                                     : cRect{start + gap_ / 2 - 1, bar.h / 2 - 12, 2, 24};
        canvas.FillRoundRect(grip, 1, drag_ == i ? theme::kAccent : theme::kBorder);
    }
}

void cSplitterChild::OnButtonDown(eMouseButton button, cPoint point, int modifiers) {
    if (button != eMouseButton::Left) {
        return;
    }
    drag_ = DividerAt(point);
    if (drag_ >= 0) {
        dragGrip_ = Along(point) - (PaneStart(drag_) + PaneExtent(drag_));
        Invalidate();
    }
}

void cSplitterChild::OnMouseMove(cPoint point) {
    if (drag_ < 0) {
        return;
    }
    SetPaneExtent(drag_, Along(point) - dragGrip_ - PaneStart(drag_));
    if (requestPending_ && requestedDivider_ == drag_) {
        return;
    }
    requestPending_ = true;
    requestedDivider_ = drag_;
    PostChildAction(*this, MakeResizeRequest(drag_));
}

void cSplitterChild::OnButtonUp(eMouseButton button, cPoint point, int modifiers) {
    if (drag_ >= 0) {
        drag_ = -1;
        Invalidate();
    }
}

std::unique_ptr<cSplitterChild::cResizeRequestAction>
cSplitterChild::MakeResizeRequest(int divider) const {
    return std::make_unique<cResizeRequestAction>(divider);
}

void cSplitterChild::OnAction(cChildAction& action) {
    if (action.Kind() != kActionResizeRequest) {
        return cChildElement::OnAction(action);
    }
    requestPending_ = false;
    SendCommand(kActionResizeRequest, static_cast<cResizeRequestAction&>(action).Divider());
}
