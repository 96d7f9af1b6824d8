#pragma once
// One behaviour for everything that can be clicked: buttons, check boxes, tool-bar and
// menu items, scroll arrows, drop-downs. It tracks hover (pointer over the element),
// held (left button went down on it and is still down) and pressed (held with the
// pointer still inside); a click is a release while pressed, so dragging off a button
// and letting go cancels it, as users expect.

#include "gui/child_element.h"
#include "gui/painter.h"

class cClickBehavior {
public:
    void Enter() { hovered_ = true; }
    void Leave() { hovered_ = false; }
    // Returns true when the pressed look changed.
    bool Move(const cRect& bounds, cPoint point);
    void Down(cPoint point) { held_ = inside_ = true; }
    // True when the release completes a click.
    bool Up(const cRect& bounds, cPoint point);
    void Cancel() { held_ = inside_ = false; }

    bool Hovered() const { return hovered_; }
    bool Held() const { return held_; }
    bool Pressed() const { return held_ && inside_; }
    eClickState State(bool enabled) const;

private:
    bool hovered_ = false;
    bool held_ = false;
    bool inside_ = false;
};

// An element that uses the behaviour: subclasses implement OnClick and paint from
// ClickState(). Focusable ones also click on Space and Enter.
class cClickableElement : public cChildElement {
public:
    eClickState ClickState() const { return click_.State(IsEnabled()); }
    bool IsFocusable() const override { return focusable_; }

    void OnMouseEnter() override;
    void OnMouseLeave() override;
    void OnMouseMove(cPoint point) override;
    void OnButtonDown(eMouseButton button, cPoint point, int modifiers) override;
    void OnButtonUp(eMouseButton button, cPoint point, int modifiers) override;
    void OnCaptureLost() override;
    bool OnKeyDown(int key, int modifiers) override;

protected:
    virtual void OnClick() {}
    void SetFocusable(bool focusable) { focusable_ = focusable; }
    const cClickBehavior& Behavior() const { return click_; }

private:
    cClickBehavior click_;
    bool focusable_ = true;
};
