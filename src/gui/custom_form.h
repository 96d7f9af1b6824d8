#pragma once
// The root element of a top-level form or dialog. It names the form's text section,
// builds its children once it has a window, and turns what its host reports (size,
// paint, mouse, keys, focus, close, wake-ups) into calls on the right elements: the
// element under the pointer (hover, with enter and leave), the element holding the
// mouse capture between press and release, and the element with the keyboard focus.
// It also decides how long the tool tip lives: no longer than its element stays shown
// and enabled, nor past a key or button press or the pointer leaving the window.

#include "gui/child_element.h"
#include "gui/window_request_target.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class cCustomForm : public cChildElement {
public:
    explicit cCustomForm(std::string textSection = {});
    ~cCustomForm() override;

    std::string_view TextSectionId() const override { return textSection_; }
    // A name for the window class and title bar; the text section by default.
    virtual std::string FormName() const { return textSection_; }
    virtual std::u16string Caption() const { return {}; }

    // --- Window side ------------------------------------------------------------------
    // Attaches the host (null detaches) and, on first attachment, sizes the form and
    // calls OnCreate.
    void AttachHost(cWindowRequestTarget* host, int width, int height);
    cWindowRequestTarget* FormHost() const;
    // Builds the children; called once, when the form first has a window and its size.
    virtual void OnCreate() {}
    // The window's close box. The default ends the form with EndCode 0.
    virtual void OnCloseRequest() { EndForm(0); }
    // Ends a modal run with `result`, or closes a modeless window.
    void EndForm(int result);
    // The two processing operations of the wake-ups; both drain the action queues.
    virtual void OnWakeA(std::uintptr_t value) { ProcessActionTree(); }
    virtual void OnWakeB(std::uintptr_t value) { ProcessActionTree(); }
    // The colour behind all children.
    virtual cColor Background() const;
    void OnPaint(cCanvas& canvas) override;

    // Host entry points (window thread).
    void HostResize(int width, int height);
    void HostPaint(cCanvas& canvas, const cRect& dirty);
    void HostMouseMove(cPoint point);
    void HostMouseLeave();
    void HostButtonDown(eMouseButton button, cPoint point, int modifiers, int clicks);
    void HostButtonUp(eMouseButton button, cPoint point, int modifiers);
    void HostWheel(int delta, cPoint point);
    void HostKeyDown(int key, int modifiers);
    void HostKeyUp(int key, int modifiers);
    void HostChar(std::u16string_view text);
    void HostFocus(bool gained);
    void HostCloseRequest();
    void HostWake(std::uint32_t wake, std::uintptr_t value);

    // --- Routing state ----------------------------------------------------------------
    cChildElement* Focused() const { return focus_; }
    void FocusElement(cChildElement* element);
    // Tab order: focusable, visible, enabled elements in tree order.
    bool MoveFocus(bool forward);
    cChildElement* Hovered() const { return hover_; }
    // A tip is not shown again for the element the pointer was on when a press, a key,
    // the wheel or another window took it away, until the pointer goes elsewhere.
    bool HintAllowed(const cChildElement* element) const { return element != hintHeldFor_; }
    cChildElement* Captured() const { return capture_; }
    bool WindowActive() const { return active_; }

    // --- Popups -----------------------------------------------------------------------
    // Shows an element above everything else at `rect` (form coordinates); a press
    // outside it or Escape closes it. One popup at a time.
    cChildElement* ShowPopup(std::unique_ptr<cChildElement> popup, const cRect& rect);
    void ClosePopup();
    cChildElement* Popup() const { return popup_; }

    bool OnKeyDown(int key, int modifiers) override;

private:
    friend class cChildElement;
    // Keeps removed elements alive until the outermost dispatch ends.
    class cDispatch {
    public:
        explicit cDispatch(cCustomForm& form) : form_(form) { ++form_.dispatchDepth_; }
        ~cDispatch();

    private:
        cCustomForm& form_;
    };
    void Forget(cChildElement* leaving);
    void Bury(std::unique_ptr<cChildElement> element);
    void UpdateHover(cChildElement* target);
    // Hides the tool tip when it belongs to `leaving` or below it; any tool tip for null.
    void DismissHint(const cChildElement* leaving = nullptr);
    // Input other than pointer movement: the tip goes and stays away (HintAllowed).
    void HoldHint();
    void ReleaseCapture();

    std::string textSection_;
    bool created_ = false;
    bool active_ = false;
    int dispatchDepth_ = 0;
    std::vector<std::unique_ptr<cChildElement>> graveyard_;
    cChildElement* hover_ = nullptr;
    const cChildElement* hintHeldFor_ = nullptr;
    cChildElement* capture_ = nullptr;
    cChildElement* focus_ = nullptr;
    cChildElement* popup_ = nullptr;
};
