#include "gui/controls/picture_element.h"

#include "gui/painter.h"

cPictureElement::cPictureElement(cBitmap picture) : picture_(std::move(picture)) {}

void cPictureElement::SetPicture(cBitmap picture) {
    picture_ = std::move(picture);
    Invalidate();
}

void cPictureElement::AddActiveZone(const cRect& zone, int id) {
    zones_.push_back({zone, id});
}

int cPictureElement::ZoneAt(cPoint point) const {
    for (auto zone = zones_.rbegin(); zone != zones_.rend(); ++zone) {
        if (zone->rect.Contains(point)) {
            return zone->id;
        }
    }
    return -1;
}

void cPictureElement::OnPaint(cCanvas& canvas) {
    canvas.DrawBitmap(picture_, {0, 0});
    for (const cZone& zone : zones_) {
        if (zone.id == hotZone_) {
            canvas.FrameRoundRect(zone.rect, theme::kRadius, theme::kFocusRing);
        }
    }
}

void cPictureElement::OnMouseMove(cPoint point) {
    const int zone = ZoneAt(point);
    if (zone == hotZone_) {
        return;
    }
    hotZone_ = zone;
    Invalidate();
}

void cPictureElement::OnMouseLeave() {
    hotZone_ = -1;
    Invalidate();
}

void cPictureElement::OnButtonUp(eMouseButton button, cPoint point, int modifiers) {
    const int zone = ZoneAt(point);
    if (button == eMouseButton::Left && zone >= 0) {
        PostChildAction(*this, std::make_unique<cActiveZoneAction>(zone));
    }
}

void cPictureElement::OnAction(cChildAction& action) {
    if (action.Kind() == kActionActiveZone) {
        SendCommand(kActionActiveZone, static_cast<cActiveZoneAction&>(action).Zone());
    } else {
        cChildElement::OnAction(action);
    }
}
