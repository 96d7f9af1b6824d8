#include "gui/controls/progress_child.h"

#include "gui/painter.h"

#include <algorithm>

cProgressChild::cProgressChild(int minimum, int maximum)
    : minimum_(minimum), maximum_(std::max(minimum, maximum)), position_(minimum) {}

void cProgressChild::SetRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = std::max(minimum, maximum);
    SetPosition(position_);
    Invalidate();
}

void cProgressChild::SetPosition(int position) {
    position = std::clamp(position, minimum_, maximum_);
    if (position == position_) {
        return;
    }
    position_ = position;
    Invalidate();
}

void cProgressChild::SetOpacity(std::uint8_t opacity) {
    if (opacity == opacity_) {
        return;
    }
    opacity_ = opacity;
    Invalidate();
}

void cProgressChild::OnPaint(cCanvas& canvas) {
    const double span = double(maximum_ - minimum_);
    painter::Progress(canvas, ClientRect(), span > 0 ? (position_ - minimum_) / span : 0.0,
                      opacity_);
}

void cProgressChild::OnAction(cChildAction& action) {
    switch (action.Kind()) {
    case kActionSetProgress:
        SetPosition(static_cast<cSetProgressRequestAction&>(action).Position());
        break;
    case kActionSetOpacity:
        SetOpacity(static_cast<cSetOpacityRequestAction&>(action).Opacity());
        break;
    default:
        cChildElement::OnAction(action);
        break;
    }
}
