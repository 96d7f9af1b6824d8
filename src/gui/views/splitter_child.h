#pragma once
// Resizable splits. A splitter lays out panes along one axis (side by side for
// cSplitterChild, stacked for cVSplitterChild) with a draggable divider after each pane.
// Child i of the splitter is pane i; with `last_fills` the last pane takes what is left,
// otherwise the panes keep their own extents (a column header). Dragging a divider moves
// it at once, so the drag stays smooth, and posts a resize request to the splitter,
// which reports the divider's final place to the enclosing elements as command
// kActionResizeRequest; requests made while one is pending are merged.

#include "gui/child_element.h"
#include "gui/views/view_kinds.h"

#include <vector>

class cSplitterChild : public cChildElement {
public:
    class cResizeRequestAction : public cChildAction {
    public:
        explicit cResizeRequestAction(int divider)
            : cChildAction(kActionResizeRequest), divider_(divider) {}
        int Divider() const { return divider_; }

    private:
        int divider_;
    };

    // `gap`: the thickness of the divider between panes (0 for a line, as in headers).
    cSplitterChild(std::vector<int> extents, bool lastFills = true, int gap = 6);

    // Adds the next pane (child i is pane i) and lays the panes out.
    cChildElement* AddPane(std::unique_ptr<cChildElement> pane);
    template <class T, class... Args> T* AddPane(Args&&... args) {
        return static_cast<T*>(AddPane(std::make_unique<T>(std::forward<Args>(args)...)));
    }
    bool IsVertical() const { return vertical_; }
    int PaneCount() const { return int(extents_.size()); }
    int PaneExtent(int pane) const;
    // Moves the divider after `pane`; clamped so that every pane keeps its minimum.
    void SetPaneExtent(int pane, int extent);
    void SetMinExtent(int extent) { minExtent_ = extent; }
    // Shifts the panes along the axis (a header following a list scrolled sideways).
    void SetScrollOffset(int offset);
    // The start of pane `pane` along the axis, scroll offset included.
    int PaneStart(int pane) const;
    // The divider under `point`, or -1.
    int DividerAt(cPoint point) const;

    void OnSize() override;
    void OnPaint(cCanvas& canvas) override;
    void OnButtonDown(eMouseButton button, cPoint point, int modifiers) override;
    void OnMouseMove(cPoint point) override;
    void OnButtonUp(eMouseButton button, cPoint point, int modifiers) override;
    void OnCaptureLost() override { drag_ = -1; }
    void OnAction(cChildAction& action) override;
    int CursorKind(cPoint point) const override;

protected:
    cSplitterChild(std::vector<int> extents, bool lastFills, int gap, bool vertical);
    virtual std::unique_ptr<cResizeRequestAction> MakeResizeRequest(int divider) const;
    // Called after the extents changed, before the resize request is handled.
    virtual void OnExtentsChanged() {}
    int Along(cPoint p) const { return vertical_ ? p.y : p.x; }
    int Length() const { return vertical_ ? Rect().h : Rect().w; }
    int Gap() const { return gap_; }

private:
    void LayoutPanes();
    int EffectiveExtent(int pane) const;

    std::vector<int> extents_;
    const bool lastFills_;
    const int gap_;
    const bool vertical_;
    int minExtent_ = 24;
    int scrollOffset_ = 0;
    int drag_ = -1;
    int dragGrip_ = 0;
    bool requestPending_ = false;
    int requestedDivider_ = -1;
};

class cVSplitterChild : public cSplitterChild {
public:
    class cResizeRequestAction : public cSplitterChild::cResizeRequestAction {
    public:
        using cSplitterChild::cResizeRequestAction::cResizeRequestAction;
    };

    explicit cVSplitterChild(std::vector<int> extents, bool lastFills = true, int gap = 6)
        : cSplitterChild(std::move(extents), lastFills, gap, true) {}

protected:
    std::unique_ptr<cSplitterChild::cResizeRequestAction>
    MakeResizeRequest(int divider) const override {
        return std::make_unique<cResizeRequestAction>(divider);
    }
};
