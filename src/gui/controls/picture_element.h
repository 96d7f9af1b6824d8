#pragma once
// An image with clickable active zones. A click inside a zone posts a cActiveZoneAction
// to the element, which reports command kind kActionActiveZone with the zone's id; the
// pointer turns into a hand over a zone.

#include "gui/bitmap.h"
#include "gui/child_element.h"

#include <vector>

inline constexpr int kActionActiveZone = 9;

class cPictureElement : public cChildElement {
public:
    class cActiveZoneAction : public cChildAction {
    public:
        explicit cActiveZoneAction(int zone) : cChildAction(kActionActiveZone), zone_(zone) {}
        int Zone() const { return zone_; }

    private:
        int zone_;
    };

    explicit cPictureElement(cBitmap picture);
    void SetPicture(cBitmap picture);
    // Zones are in the picture's coordinates; later zones win where they overlap.
    void AddActiveZone(const cRect& zone, int id);
    // The id of the zone under `point`, or -1.
    int ZoneAt(cPoint point) const;

    void OnPaint(cCanvas& canvas) override;
    void OnButtonUp(eMouseButton button, cPoint point, int modifiers) override;
    void OnAction(cChildAction& action) override;
    void OnMouseMove(cPoint point) override;
    void OnMouseLeave() override;
    int CursorKind(cPoint point) const override { return ZoneAt(point) >= 0 ? 3 : 0; }

private:
    struct cZone {
        cRect rect;
        int id;
    };
    cBitmap picture_;
    std::vector<cZone> zones_;
    int hotZone_ = -1;
};
