#pragma once
// The element tree. Every control is a cChildElement: it has a parent, children (painted
// and hit-tested in list order, so later children lie on top), a queue of pending
// actions, a rectangle relative to its parent, visibility, enabled and focus state, and
// a font. The root of a form's tree is a cCustomForm, which holds the window host.
//
// Only the window thread touches elements. Other threads reach them only through
// actions (base/action.h): PostChildAction / cSentChildAction::Send append to the
// element's queue and ask the root's host for a wake-up, whose processing drains every
// queue of the tree in order on the window thread.

#include "base/action.h"
#include "base/lang/text_source.h"
#include "gui/canvas.h"
#include "gui/font.h"
#include "gui/geometry.h"
#include "gui/input.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

class cCustomForm;
class cWindowRequestTarget;

// Elements may paint this far outside their rectangle (focus rings, shadows); parents
// leave that margin around focusable children.
inline constexpr int kPaintOverhang = 3;

// Action and command kinds shared by the controls: buttons and tool-bar items report
// kind 5 when activated.
inline constexpr int kActionActivate = 5;

class cChildElement : public cActionTarget, public cTextSource {
public:
    using cChildAction = ::cChildAction;
    using cSentChildAction = ::cSentChildAction;

    cChildElement();
    ~cChildElement() override;
    cChildElement(const cChildElement&) = delete;
    cChildElement& operator=(const cChildElement&) = delete;

    // --- Tree -------------------------------------------------------------------------
    cChildElement* Parent() const { return parent_; }
    const std::vector<std::unique_ptr<cChildElement>>& Children() const { return children_; }
    // Adds a child at (x, y, width, height) relative to this element. A negative width or
    // height reaches to this element's right or bottom edge: -1 ends at the edge, -11
    // leaves ten pixels. The request is kept, so the child follows when this one resizes.
    cChildElement* AddChild(std::unique_ptr<cChildElement> child, int x, int y, int width,
                            int height);
    template <class T, class... Args> T* Add(int x, int y, int width, int height, Args&&... args) {
        return static_cast<T*>(
            AddChild(std::make_unique<T>(std::forward<Args>(args)...), x, y, width, height));
    }
    // Removes and destroys a child. Inside event or action handling the child is only
    // unlinked and destroyed once the handling has ended, so that a handler may remove
    // the element it runs on.
    void DestroyChild(cChildElement* child);
    cCustomForm* Form();
    // The host of this element's form, null while the tree has none.
    cWindowRequestTarget* Host();

    // --- Geometry ---------------------------------------------------------------------
    const cRect& Rect() const { return rect_; }
    cRect ClientRect() const { return {0, 0, rect_.w, rect_.h}; }
    // Moves the element with the same rules as AddChild.
    void Place(int x, int y, int width, int height);
    // The rectangle in the coordinates of the form (the root element).
    cRect FormRect() const;
    cPoint ToLocal(cPoint formPoint) const;
    // Called after the size changed; the default lays out the children again.
    virtual void OnSize();

    // --- State ------------------------------------------------------------------------
    bool IsVisible() const { return visible_; }
    void SetVisible(bool visible);
    bool IsEnabled() const; // this element and every ancestor
    void SetEnabled(bool enabled);
    bool HasFocus() const;
    void SetFocus();
    virtual bool IsFocusable() const { return false; }
    const cFontSpec& Font() const { return font_; }
    void SetFont(const cFontSpec& font);
    cSize TextExtent(std::u16string_view text) { return TextExtent(text, font_); }
    cSize TextExtent(std::u16string_view text, const cFontSpec& font);

    // --- Painting ---------------------------------------------------------------------
    void Invalidate();
    // Draws this element's own look with the origin at its top-left corner; children
    // are drawn afterwards by the tree.
    virtual void OnPaint(cCanvas& canvas) {}
    // Paints this element and its children, clipped to `clip` (surface coordinates).
    void PaintTree(cCanvas& canvas, cPoint offset, const cRect& clip);

    // --- Input (element coordinates) --------------------------------------------------
    // The topmost visible element under `point`, or this element.
    virtual cChildElement* HitTest(cPoint point);
    // False for elements the pointer passes through (tool tips).
    virtual bool TakesPointer() const { return true; }
    virtual void OnMouseEnter() {}
    virtual void OnMouseLeave() {}
    virtual void OnMouseMove(cPoint point) {}
    virtual void OnButtonDown(eMouseButton button, cPoint point, int modifiers) {}
    virtual void OnButtonUp(eMouseButton button, cPoint point, int modifiers) {}
    // The default treats the second click as another press.
    virtual void OnDoubleClick(cPoint point, int modifiers) {
        OnButtonDown(eMouseButton::Left, point, modifiers);
    }
    // Unhandled wheel and key events go to the parent.
    virtual bool OnWheel(int delta, cPoint point) { return false; }
    virtual bool OnKeyDown(int key, int modifiers) { return false; }
    virtual bool OnKeyUp(int key, int modifiers) { return false; }
    virtual bool OnChar(std::u16string_view text) { return false; }
    virtual void OnSetFocus() { Invalidate(); }
    virtual void OnKillFocus() { Invalidate(); }
    virtual void OnCaptureLost() {}
    virtual int CursorKind(cPoint point) const { return 0; }

    // --- Commands: synchronous notifications up the tree ------------------------------
    // Offers (source, kind, item) to each ancestor's OnCommand until one handles it.
    bool SendCommand(int kind, int item);
    virtual bool OnCommand(cChildElement* source, int kind, int item) { return false; }

    // --- Actions ----------------------------------------------------------------------
    cActionQueue& PendingActions() override { return actions_; }
    // Any thread: asks for wake-up B, the one senders wait on.
    bool RequestActionProcessing() override;
    // Any thread: walks up to the root and posts wake-up A or B with `value`.
    bool RequestWake(std::uint32_t wake, std::uintptr_t value);
    // Window thread: handles one action taken from this element's queue.
    virtual void OnAction(cChildAction& action) { action.Execute(); }
    // Window thread: drains the queues of this element and all below it, in tree order.
    void ProcessActionTree();

    // --- Texts ------------------------------------------------------------------------
    const cTextSource* TextParent() const override { return parent_; }

protected:
    void DestroyChildren();

private:
    friend class cCustomForm;
    struct cPlacement {
        int x, y, width, height;
    };
    void ApplyPlacement();
    void SetRect(const cRect& rect);
    void ForgetTree(cCustomForm* form);

    // Both changed under ActionQueueLock, since senders on other threads walk them.
    cChildElement* parent_ = nullptr;
    cWindowRequestTarget* host_ = nullptr; // the root's only
    std::vector<std::unique_ptr<cChildElement>> children_;
    cActionQueue actions_;
    cPlacement placement_{0, 0, 0, 0};
    cRect rect_;
    bool visible_ = true;
    bool enabled_ = true;
    cFontSpec font_;
};
