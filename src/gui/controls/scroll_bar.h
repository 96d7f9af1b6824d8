#pragma once
// Scroll bars: two arrow buttons, a track and a thumb that can be dragged. The bar
// reports every change of position as command kind kActionScroll with the new position.
// cHScroll and cVScroll differ only in direction.

#include "gui/child_element.h"

inline constexpr int kActionScroll = 12;

class cScrollBarBase : public cChildElement {
public:
    static constexpr int kThickness = 14;

    void SetRange(int minimum, int maximum, int page);
    // Clamped to minimum..maximum - page + 1; reports when `notify` and it changed.
    void SetPosition(int position, bool notify = false);
    int Position() const { return position_; }
    int Page() const { return page_; }
    // One arrow step; a track click moves by a page.
    void Step(int lines);

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
    cRect ThumbRect() const;
    int MaxPosition() const { return std::max(minimum_, maximum_ - page_ + 1); }

    bool vertical_;
    int minimum_ = 0;
    int maximum_ = 100;
    int page_ = 10;
    int position_ = 0;
    bool thumb_hot_ = false;
    bool dragging_ = false;
    int drag_offset_ = 0;
};

class cHScroll : public cScrollBarBase {
public:
    cHScroll() : cScrollBarBase(false) {}
};

class cVScroll : public cScrollBarBase {
public:
    cVScroll() : cScrollBarBase(true) {}
};
