#pragma once
// The base of every scrolling view: a framed surface whose content is larger than what
// shows. Subclasses say how large their content is and paint only the part that shows
// (PaintContent receives it in content coordinates); this class keeps the scroll
// position, shows scroll bars (cVScroll, cHScroll) while the content overflows, follows
// them, and turns the wheel and arrow keys into line steps. A strip at the top (SetTopInset) is
// left to children that scroll sideways with the content, like a list's column header.
//
// Input inside the viewport reaches subclasses in content coordinates through the
// OnContent* hooks, so they never add the scroll position by hand.

#include "gui/child_element.h"
#include "gui/controls/scroll_axis.h"
#include "gui/controls/scroll_bar.h"

class cScrollableElement : public cChildElement {
public:
    static constexpr int kBarThickness = 12;

    cScrollableElement();

    bool IsFocusable() const override { return true; }

    void SetContentSize(cSize size);
    // The height of `rows` rows, held below the int limit: rows past about 97 million
    // (22-pixel rows) cannot be scrolled to, but nothing overflows.
    static int RowsExtent(std::size_t rows, int rowHeight);
    cSize ContentSize() const { return {h_.Content(), v_.Content()}; }
    cPoint ScrollPos() const { return {h_.Position(), v_.Position()}; }
    // Clamped to the content; repaints and calls OnScrolled when the position moved.
    void ScrollTo(cPoint position);
    void ScrollBy(int dx, int dy);
    // Scrolls the least needed to show `content_rect` (its top-left wins when too big).
    void EnsureVisible(const cRect& contentRect);
    // The part of the element the content shows in (element coordinates).
    cRect Viewport() const;
    const cScrollAxis& VerticalAxis() const { return v_; }
    // Repaints the part of the viewport showing `content_rect`.
    void InvalidateContent(const cRect& contentRect);

    void OnSize() override;
    void OnPaint(cCanvas& canvas) override;
    void OnButtonDown(eMouseButton button, cPoint point, int modifiers) override;
    void OnButtonUp(eMouseButton button, cPoint point, int modifiers) override;
    void OnMouseMove(cPoint point) override;
    void OnDoubleClick(cPoint point, int modifiers) override;
    bool OnCommand(cChildElement* source, int kind, int item) override;
    bool OnWheel(int delta, cPoint point) override;
    bool OnKeyDown(int key, int modifiers) override;

protected:
    // Height of the strip kept free at the top for children such as a header.
    void SetTopInset(int inset);
    int TopInset() const { return topInset_; }
    // The distance one wheel notch or arrow key scrolls.
    virtual int LineStep() const { return 20; }
    // Paints the content with the canvas origin at the content's top-left; `visible` is
    // the content rectangle that shows.
    virtual void PaintContent(cCanvas& canvas, const cRect& visible) {}
    virtual void OnScrolled() {}
    // Mouse input inside the viewport, in content coordinates.
    virtual void OnContentButtonDown(eMouseButton button, cPoint point, int modifiers) {}
    virtual void OnContentButtonUp(eMouseButton button, cPoint point, int modifiers) {}
    virtual void OnContentMouseMove(cPoint point) {}
    virtual void OnContentDoubleClick(cPoint point, int modifiers) {}
    cPoint ToContent(cPoint elementPoint) const;

private:
    struct cBars {
        cRect vertical, horizontal; // empty when not needed
    };
    cBars Bars() const;
    void UpdateExtents();
    // Puts the bars where Bars() says, with the axes' ranges and positions.
    void SyncBars();

    cScrollAxis h_;
    cScrollAxis v_;
    cVScroll* vbar_;
    cHScroll* hbar_;
    int topInset_ = 0;
};
