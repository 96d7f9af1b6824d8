#pragma once
// The window factory: opens one window per top-level form, runs forms modally and runs
// the program's message loop. cWWMaker (SDL) and the headless maker of the tests
// implement it; forms reach the process's maker through WindowMaker().

#include "gui/font.h"
#include "gui/geometry.h"

#include <memory>
#include <string_view>

class cCustomForm;
class cWindowRequestTarget;

// Owns one open window of a form (the form itself stays with its owner).
class cWindowHolder {
public:
    virtual ~cWindowHolder() = default;
    virtual cWindowRequestTarget& Host() = 0;
    virtual cCustomForm& Form() = 0;
};

namespace window_style {
inline constexpr int kResizable = 1;
inline constexpr int kHidden = 2;
// Centred on the desktop; the rectangle's position is ignored.
inline constexpr int kCentred = 4;
} // namespace window_style

class cWindowMaker {
public:
    virtual ~cWindowMaker() = default;
    virtual bool Initialise(int iconId = 101) = 0;
    // Runs `form` in a window of client size width x height centred on the desktop, while
    // `parent`'s window takes no input; returns the form's end code, -1 on failure.
    virtual int RunModal(cCustomForm& form, int width, int height, cCustomForm* parent,
                         bool resizable) = 0;
    // Opens a window for `form` with the client area `rect`; null on failure.
    virtual cWindowHolder* CreateWindow(cCustomForm& form, const cRect& rect, cCustomForm* parent,
                                        int styles) = 0;
    // Closes one window, or every window for null.
    virtual void Destroy(cWindowHolder* holder) = 0;
    // Runs until PostQuit; returns its code.
    virtual int RunMessageLoop() = 0;
    virtual void PostQuit(int code) = 0;
    // Measures text with the fonts windows will draw with, so that a form can be sized
    // before it has a window.
    virtual cSize TextExtent(std::u16string_view text, const cFontSpec& font) = 0;
};

// The process's window maker, set by the one that was created last; null before.
cWindowMaker* WindowMaker();
void SetWindowMaker(cWindowMaker* maker);
