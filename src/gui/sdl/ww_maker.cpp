#include "gui/sdl/ww_maker.h"

#include "gui/sdl/font_list.h"
#include "gui/sdl/program_icon.h"
#include "gui/sdl/wnd_translator.h"
#include "gui/sdl/x_errors.h"

#include <SDL.h>
#include <algorithm>

namespace {

SDL_SystemCursor SystemCursor(int kind) {
    switch (kind) {
    case kCursorTextBeam:
        return SDL_SYSTEM_CURSOR_IBEAM;
    case kCursorWait:
        return SDL_SYSTEM_CURSOR_WAIT;
    case kCursorHand:
        return SDL_SYSTEM_CURSOR_HAND;
    case kCursorSizeWE:
    case kCursorSizeWE2:
        return SDL_SYSTEM_CURSOR_SIZEWE;
    case kCursorSizeNS:
    case kCursorSizeNS2:
        return SDL_SYSTEM_CURSOR_SIZENS;
    case kCursorSizeNESW:
        return SDL_SYSTEM_CURSOR_SIZENESW;
    case kCursorSizeNWSE:
        return SDL_SYSTEM_CURSOR_SIZENWSE;
    default:
        return SDL_SYSTEM_CURSOR_ARROW;
    }
}

// The window an event belongs to, 0 for none.
std::uint32_t EventWindow(const SDL_Event& event, std::uint32_t wakeType) {
    switch (event.type) {
    case SDL_WINDOWEVENT:
        return event.window.windowID;
    case SDL_MOUSEMOTION:
        return event.motion.windowID;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        return event.button.windowID;
    case SDL_MOUSEWHEEL:
        return event.wheel.windowID;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        return event.key.windowID;
    case SDL_TEXTINPUT:
        return event.text.windowID;
    default:
        return event.type == wakeType ? event.user.windowID : 0;
    }
}

} // namespace

cWWHolder::cWWHolder(std::unique_ptr<cWndTranslator> window) : window_(std::move(window)) {}
cWWHolder::~cWWHolder() = default;
cWindowRequestTarget& cWWHolder::Host() {
    return *window_;
}
cCustomForm& cWWHolder::Form() {
    return window_->Form();
}

cWWMaker::cWWMaker() : previous_(WindowMaker()) {
    SetWindowMaker(this);
}

cWWMaker::~cWWMaker() {
    holders_.clear();
    if (iconSurface_) {
        SDL_FreeSurface(iconSurface_);
    }
    for (SDL_Cursor* cursor : cursors_) {
        if (cursor) {
            SDL_FreeCursor(cursor);
        }
    }
    // The maker owns SDL for the process; a full quit also releases SDL's own helpers.
    if (initialised_) {
        SDL_Quit();
    }
    SetWindowMaker(previous_);
}

bool cWWMaker::Initialise(int iconId) {
    if (initialised_) {
        return true;
    }
    // Closing the last window is a close request to its form, never a quit of its own:
    // a progress form refuses to close while its job runs.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        return false;
    }
    wakeEvent_ = SDL_RegisterEvents(1);
    if (wakeEvent_ == std::uint32_t(-1)) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    cursors_.assign(10, nullptr);
    icon_ = program_icon::Draw(iconId);
    if (!icon_.Empty()) {
        iconSurface_ =
            SDL_CreateRGBSurfaceWithFormatFrom(icon_.Pixels().data(), icon_.Width(), icon_.Height(),
                                               32, icon_.Width() * 4, SDL_PIXELFORMAT_ARGB8888);
    }
    SDL_StartTextInput();
    x_errors::KeepRunning();
    initialised_ = true;
    return true;
}

void cWWMaker::SetCursor(int kind) {
    if (kind < 0 || kind >= int(cursors_.size())) {
        kind = kCursorArrow;
    }
    if (!cursors_[std::size_t(kind)]) {
        cursors_[std::size_t(kind)] = SDL_CreateSystemCursor(SystemCursor(kind));
    }
    if (cursors_[std::size_t(kind)]) {
        SDL_SetCursor(cursors_[std::size_t(kind)]);
    }
}

void cWWMaker::DecorateWindow(SDL_Window* window) {
    if (iconSurface_) {
        SDL_SetWindowIcon(window, iconSurface_);
    }
}

cWndTranslator* cWWMaker::FindWindow(std::uint32_t id) {
    for (cWndTranslator* modal : modalStack_) {
        if (modal->WindowId() == id) {
            return modal;
        }
    }
    for (const auto& holder : holders_) {
        if (holder->Window().WindowId() == id) {
            return &holder->Window();
        }
    }
    return nullptr;
}

cWndTranslator* cWWMaker::FindWindowOf(cCustomForm* form) {
    if (!form) {
        return nullptr;
    }
    for (cWndTranslator* modal : modalStack_) {
        if (&modal->Form() == form) {
            return modal;
        }
    }
    for (const auto& holder : holders_) {
        if (&holder->Form() == form) {
            return &holder->Window();
        }
    }
    return nullptr;
}

cWindowHolder* cWWMaker::CreateWindow(cCustomForm& form, const cRect& rect, cCustomForm* parent,
                                      int styles) {
    if (!Initialise()) {
        return nullptr;
    }
    cRect placed = rect;
    if (styles & window_style::kCentred) {
        placed.x = placed.y = SDL_WINDOWPOS_CENTERED;
    }
    auto window = std::make_unique<cWndTranslator>(*this, form, placed,
                                                   styles & window_style::kResizable, false);
    if (!window->IsOpen()) {
        return nullptr;
    }
    if (!(styles & window_style::kHidden)) {
        window->Show();
    }
    holders_.push_back(std::make_unique<cWWHolder>(std::move(window)));
    return holders_.back().get();
}

void cWWMaker::Destroy(cWindowHolder* holder) {
    if (!holder) {
        holders_.clear();
        return;
    }
    std::erase_if(holders_, [holder](const auto& h) { return h.get() == holder; });
}

int cWWMaker::RunModal(cCustomForm& form, int width, int height, cCustomForm* parent,
                       bool resizable) {
    if (!Initialise()) {
        return -1;
    }
    SDL_DisplayMode desktop{};
    SDL_GetDesktopDisplayMode(0, &desktop);
    const cRect rect{(desktop.w - width) / 2, (desktop.h - height) / 2, width, height};
    cWndTranslator window(*this, form, rect, resizable, true);
    if (!window.IsOpen()) {
        return -1;
    }
    if (cWndTranslator* owner = FindWindowOf(parent)) {
        SDL_SetWindowModalFor(window.Window(), owner->Window());
    }
    // The windows below stop reacting to the pointer: hover looks and tool tips go.
    for (const auto& holder : holders_) {
        holder->Form().HostMouseLeave();
    }
    for (cWndTranslator* below : modalStack_) {
        below->Form().HostMouseLeave();
    }
    modalStack_.push_back(&window);
    window.Show();
    SDL_RaiseWindow(window.Window());
    SDL_SetWindowInputFocus(window.Window());
    const bool ended = Loop([&] { return window.Finished(); });
    modalStack_.pop_back();
    if (cWndTranslator* owner = FindWindowOf(parent)) {
        // The owner takes the keyboard back, as it would from a window manager, and
        // learns where the pointer went while it took no input.
        SDL_SetWindowInputFocus(owner->Window());
        cPoint pointer;
        SDL_GetGlobalMouseState(&pointer.x, &pointer.y);
        const cRect at = owner->WindowRect();
        if (at.Contains(pointer)) {
            owner->Form().HostMouseMove({pointer.x - at.x, pointer.y - at.y});
        } else {
            owner->Form().HostMouseLeave();
        }
    }
    if (quitting_ && !ended) {
        // A quit while a modal form is open ends the form too; the quit stays pending for
        // the outer loop.
        SDL_Event quit{};
        quit.type = SDL_QUIT;
        Push(quit);
    }
    return window.EndCode();
}

int cWWMaker::RunMessageLoop() {
    if (!Initialise()) {
        return -1;
    }
    Loop([] { return false; });
    quitting_ = false;
    const int code = quitCode_.exchange(0);
    return code;
}

void cWWMaker::PostQuit(int code) {
    quitCode_.store(code);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    Push(quit);
}

bool cWWMaker::Push(SDL_Event& event) {
    std::lock_guard lock(pushLock_);
    return SDL_PushEvent(&event) == 1;
}

void cWWMaker::DestroySdlWindow(SDL_Window* window) {
    std::lock_guard lock(pushLock_);
    SDL_DestroyWindow(window);
}

template <class Done> bool cWWMaker::Loop(Done done) {
    PaintAndCollect();
    while (!done()) {
        SDL_Event event;
        if (!SDL_WaitEvent(&event)) {
            return false;
        }
        do {
            if (event.type == SDL_QUIT) {
                quitting_ = true;
                return false;
            }
            DispatchEvent(event);
        } while (!done() && SDL_PollEvent(&event));
        PaintAndCollect();
    }
    return true;
}

void cWWMaker::DispatchEvent(const SDL_Event& event) {
    cWndTranslator* window = FindWindow(EventWindow(event, wakeEvent_));
    if (!window) {
        return;
    }
    // Only the topmost modal window takes input; the rest still paint and run wake-ups.
    const bool input = modalStack_.empty() || modalStack_.back() == window;
    window->Dispatch(event, input);
}

void cWWMaker::PaintAndCollect() {
    std::erase_if(holders_, [](const auto& holder) { return holder->Window().Destroyed(); });
    for (const auto& holder : holders_) {
        holder->Window().PaintDirty();
    }
    for (cWndTranslator* modal : modalStack_) {
        modal->PaintDirty();
    }
}

cSize cWWMaker::TextExtent(std::u16string_view text, const cFontSpec& font) {
    cFontObject* f = cFontList::Instance().Font(font);
    return f ? cSize{f->MeasureText(text), f->LineHeight()} : cSize{};
}
