#include "gui/sdl/wnd_translator.h"

#include "base/utf.h"
#include "gui/sdl/ww_maker.h"

#include <SDL.h>

namespace {

int KeyCode(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) {
        return 'A' + (key - SDLK_a);
    }
    if (key >= SDLK_0 && key <= SDLK_9) {
        return '0' + (key - SDLK_0);
    }
    if (key >= SDLK_F1 && key <= SDLK_F12) {
        return key::kF1 + (key - SDLK_F1);
    }
    switch (key) {
    case SDLK_BACKSPACE:
        return key::kBackspace;
    case SDLK_TAB:
        return key::kTab;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return key::kEnter;
    case SDLK_ESCAPE:
        return key::kEscape;
    case SDLK_SPACE:
        return key::kSpace;
    case SDLK_LEFT:
        return key::kLeft;
    case SDLK_RIGHT:
        return key::kRight;
    case SDLK_UP:
        return key::kUp;
    case SDLK_DOWN:
        return key::kDown;
    case SDLK_HOME:
        return key::kHome;
    case SDLK_END:
        return key::kEnd;
    case SDLK_PAGEUP:
        return key::kPageUp;
    case SDLK_PAGEDOWN:
        return key::kPageDown;
    case SDLK_DELETE:
        return key::kDelete;
    case SDLK_INSERT:
        return key::kInsert;
    default:
        return 0;
    }
}

int Modifiers(Uint16 mod) {
    return (mod & KMOD_SHIFT ? mods::kShift : 0) | (mod & KMOD_CTRL ? mods::kCtrl : 0) |
           (mod & KMOD_ALT ? mods::kAlt : 0);
}

std::optional<eMouseButton> Button(Uint8 button) {
    if (button == SDL_BUTTON_LEFT) {
        return eMouseButton::Left;
    }
    if (button == SDL_BUTTON_RIGHT) {
        return eMouseButton::Right;
    }
    return std::nullopt;
}

// One wheel notch, in the units elements expect.
constexpr int kWheelNotch = 120;

// The text that stands for raw bytes on the system clipboard: their size, so that a
// paste into another program shows what it got.
std::u16string RawMarker(std::size_t size) {
    return utf::FromAscii("[" + std::to_string(size) + " raw bytes]");
}

} // namespace

cWndTranslator::cWndTranslator(cWWMaker& maker, cCustomForm& form, const cRect& rect,
                               bool resizable, bool modal)
    : cSurfaceHost(form), maker_(maker), modal_(modal) {
    const std::u16string caption = form.Caption();
    const std::string title = caption.empty() ? form.FormName() : utf::ToUtf8(caption);
    window_ =
        SDL_CreateWindow(title.c_str(), rect.x, rect.y, std::max(1, rect.w), std::max(1, rect.h),
                         SDL_WINDOW_HIDDEN | (resizable ? SDL_WINDOW_RESIZABLE : 0));
    if (!window_) {
        return;
    }
    windowId_ = SDL_GetWindowID(window_);
    maker_.DecorateWindow(window_);
    // SDL's size is the client area, which is what the form asked for.
    int w = 0, h = 0;
    SDL_GetWindowSize(window_, &w, &h);
    AttachForm(w, h);
}

cWndTranslator::~cWndTranslator() {
    // The form stops reaching this window before the window goes.
    if (Form().FormHost() == this) {
        Form().AttachHost(nullptr, 0, 0);
    }
    if (window_) {
        maker_.DestroySdlWindow(window_);
    }
}

void cWndTranslator::Dispatch(const SDL_Event& event, bool input) {
    cCustomForm& form = Form();
    switch (event.type) {
    case SDL_WINDOWEVENT:
        switch (event.window.event) {
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            ResizeClient(event.window.data1, event.window.data2);
            break;
        case SDL_WINDOWEVENT_EXPOSED:
            Invalidate(nullptr);
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            form.HostFocus(true);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            form.HostFocus(false);
            break;
        case SDL_WINDOWEVENT_LEAVE:
            form.HostMouseLeave();
            break;
        case SDL_WINDOWEVENT_CLOSE:
            if (input) {
                form.HostCloseRequest();
            }
            break;
        default:
            break;
        }
        break;
    case SDL_MOUSEMOTION:
        if (input) {
            form.HostMouseMove({event.motion.x, event.motion.y});
        }
        break;
    case SDL_MOUSEBUTTONDOWN:
        // Without a window manager nobody moves the keyboard focus to a clicked window.
        if (input && SDL_GetKeyboardFocus() != window_) {
            SDL_SetWindowInputFocus(window_);
        }
        if (auto button = Button(event.button.button); button && input) {
            form.HostButtonDown(*button, {event.button.x, event.button.y},
                                Modifiers(Uint16(SDL_GetModState())), event.button.clicks);
        }
        break;
    case SDL_MOUSEBUTTONUP:
        if (auto button = Button(event.button.button); button && input) {
            form.HostButtonUp(*button, {event.button.x, event.button.y},
                              Modifiers(Uint16(SDL_GetModState())));
        }
        break;
    case SDL_MOUSEWHEEL:
        if (input) {
            int x = 0, y = 0;
            SDL_GetMouseState(&x, &y);
            const int delta =
                event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y : event.wheel.y;
            form.HostWheel(delta * kWheelNotch, {x, y});
        }
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        if (const int key = KeyCode(event.key.keysym.sym); key && input) {
            if (event.type == SDL_KEYDOWN) {
                form.HostKeyDown(key, Modifiers(event.key.keysym.mod));
            } else {
                form.HostKeyUp(key, Modifiers(event.key.keysym.mod));
            }
        }
        break;
    case SDL_TEXTINPUT:
        if (input) {
            form.HostChar(utf::FromUtf8(event.text.text));
        }
        break;
    default:
        if (event.type == maker_.WakeEventType()) {
            form.HostWake(std::uint32_t(event.user.code),
                          reinterpret_cast<std::uintptr_t>(event.user.data1));
        }
        break;
    }
}

void cWndTranslator::EndDialog(int result) {
    if (!modal_) {
        return DestroyWindow();
    }
    endCode_ = result;
    endCodeSet_ = true;
}

void cWndTranslator::Show() {
    if (window_) {
        SDL_ShowWindow(window_);
    }
}

void cWndTranslator::Hide() {
    if (window_) {
        SDL_HideWindow(window_);
    }
}

void cWndTranslator::Move(int x, int y, int width, int height) {
    if (!window_) {
        return;
    }
    SDL_SetWindowPosition(window_, x, y);
    SDL_SetWindowSize(window_, width, height);
    SDL_GetWindowSize(window_, &width, &height);
    ResizeClient(width, height);
}

bool cWndTranslator::PostWakeA(std::uintptr_t value) {
    return PostWake(kWakeA, value);
}

bool cWndTranslator::PostWakeB(std::uintptr_t value) {
    return PostWake(kWakeB, value);
}

bool cWndTranslator::PostWake(std::uint32_t wake, std::uintptr_t value) {
    if (!windowId_) {
        return false;
    }
    SDL_Event event{};
    event.type = maker_.WakeEventType();
    event.user.windowID = windowId_;
    event.user.code = Sint32(wake);
    event.user.data1 = reinterpret_cast<void*>(value);
    return maker_.Push(event);
}

void cWndTranslator::CaptureMouse(bool on) {
    SDL_CaptureMouse(on ? SDL_TRUE : SDL_FALSE);
}

void cWndTranslator::SetCursor(int kind) {
    maker_.SetCursor(kind);
}

bool cWndTranslator::SetClipboardText(std::u16string_view text) {
    maker_.RawClipboard().reset();
    return SDL_SetClipboardText(utf::ToUtf8(text).c_str()) == 0;
}

std::optional<std::u16string> cWndTranslator::ClipboardText() {
    if (!SDL_HasClipboardText()) {
        return std::nullopt;
    }
    char* text = SDL_GetClipboardText();
    if (!text) {
        return std::nullopt;
    }
    std::u16string result = utf::FromUtf8(text);
    SDL_free(text);
    return result;
}

bool cWndTranslator::SetClipboardBytes(std::span<const std::uint8_t> bytes) {
    const std::u16string marker = RawMarker(bytes.size());
    if (SDL_SetClipboardText(utf::ToUtf8(marker).c_str()) != 0) {
        return false;
    }
    maker_.RawClipboard() = cWWMaker::cRawClip{{bytes.begin(), bytes.end()}, marker};
    return true;
}

std::optional<std::vector<std::uint8_t>> cWndTranslator::ClipboardBytes() {
    auto& raw = maker_.RawClipboard();
    // Someone else owns the clipboard once its text is no longer ours.
    if (!raw || ClipboardText() != raw->marker) {
        return std::nullopt;
    }
    return raw->bytes;
}

bool cWndTranslator::ClipboardHasData(bool textOnly) {
    if (textOnly) {
        return SDL_HasClipboardText() == SDL_TRUE;
    }
    const auto bytes = ClipboardBytes();
    return (bytes && !bytes->empty()) || SDL_HasClipboardText() == SDL_TRUE;
}

void cWndTranslator::SetMinSize(int width, int height) {
    if (window_) {
        SDL_SetWindowMinimumSize(window_, width, height);
    }
}

void cWndTranslator::SetMaxSize(int width, int height) {
    if (window_) {
        SDL_SetWindowMaximumSize(window_, width, height);
    }
}

cRect cWndTranslator::WindowRect() {
    cRect r;
    if (window_) {
        SDL_GetWindowPosition(window_, &r.x, &r.y);
        SDL_GetWindowSize(window_, &r.w, &r.h);
    }
    return r;
}

void cWndTranslator::PresentFrame(const cRect& rect) {
    if (!window_) {
        return;
    }
    SDL_Surface* target = SDL_GetWindowSurface(window_);
    const cBitmap& frame = Frame();
    if (!target || frame.Empty()) {
        return;
    }
    SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<cColor*>(frame.Pixels().data()), frame.Width(), frame.Height(), 32,
        frame.Width() * 4, SDL_PIXELFORMAT_ARGB8888);
    if (!source) {
        return;
    }
    SDL_SetSurfaceBlendMode(source, SDL_BLENDMODE_NONE);
    SDL_Rect area{rect.x, rect.y, rect.w, rect.h};
    SDL_Rect to = area;
    // One block transfer of the changed part, then one update of the window.
    SDL_BlitSurface(source, &area, target, &to);
    SDL_FreeSurface(source);
    SDL_UpdateWindowSurfaceRects(window_, &area, 1);
}
