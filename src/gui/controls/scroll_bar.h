#pragma once
// Scroll bars: two arrow buttons, a track and a thumb that can be dragged. The bar
// reports every change of position as command kind kActionScroll with the new position.
// cHScroll and cVScroll differ only in direction.

#include "gui/child_element.h"
#include "gui/controls/scroll_axis.h"

inline constexpr int kActionScroll = 12;

class cScrollBarBase : public cChildElement {
public:
    static constexpr int kThickness = 14;

    // Positions run from `minimum` to `maximum` - `page` + 1; ranges wider than the int
    // limit are cut there.
    void SetRange(int minimum, int maximum, int page);
    // Clamped to the range; reports when `notify` and it changed.
    void SetPosition(int position, bool notify = false);
    int Position() const { return minimum_ + axis_.Position(); }
    int Page() const { return axis_.Page(); }
    // Moves by `units` and reports it: an arrow moves by a line, a track click by a page.
    void Step(int units);
    // The units an arrow moves (one by default); a wheel notch moves three lines.
    void SetLineStep(int units);
    int LineStep() const { return line_; }

    void OnSize() override;
    void OnPaint(cCanvas& canvas) override;
    void OnButtonDown(eMouseButton button, cPoint point, int modifiers) override;
    void OnMouseMove(cPoint point) override;
    void OnButtonUp(eMouseButton button, cPoint point, int modifiers) override;
    void OnMouseLeave() override;
    bool OnWheel(int delta, cPoint point) override;

protected:
    explicit cScrollBarBase(bool vertical);

private:
    int Along(cPoint p) const { return vertical_ ? p.y : p.x; }
    int Length() const { return vertical_ ? Rect().h : Rect().w; }
    int Arrow() const;
    int Track() const { return Length() - 2 * Arrow(); }
    cRect ThumbRect() const;

    bool vertical_;
    int minimum_ = 0;
    cScrollAxis axis_;
    int line_ = 1;
    bool thumbHot_ = false;
    bool dragging_ = false;
    int dragOffset_ = 0;
};

class cHScroll : public cScrollBarBase {
public:
    cHScroll() : cScrollBarBase(false) {}
};

class cVScroll : public cScrollBarBase {
public:
    cVScroll() : cScrollBarBase(true) {}
};
