#pragma once
// The SDL window factory and message loop. One SDL window per form; wake-ups are SDL
// user events (pushed with SDL_PushEvent, safe from any thread) carrying the window id,
// the wake-up code and the value; a modal run is a nested loop on a new window while the
// windows below it take no input.
//
// A push from another thread while the loop waits makes SDL send a message to one of
// its windows (on X11 the newest one, whichever window the event is for). Pushes and
// window destruction are therefore serialised here: a window is never destroyed while
// a push may still be addressing it.
//
// SDL lacks two things the library's host offers, built here in the least way that
// serves it: a clipboard format for raw bytes (kept in the process, valid while the
// system clipboard still holds the text put there with them), and an owner relation for
// windows beyond the platform's modal hint.

#include "gui/bitmap.h"
#include "gui/window_maker.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

union SDL_Event;
struct SDL_Cursor;
struct SDL_Surface;
struct SDL_Window;
class cWndTranslator;

class cWWHolder : public cWindowHolder {
public:
    explicit cWWHolder(std::unique_ptr<cWndTranslator> window);
    ~cWWHolder() override;
    cWindowRequestTarget& Host() override;
    cCustomForm& Form() override;
    cWndTranslator& Window() { return *window_; }

private:
    std::unique_ptr<cWndTranslator> window_;
};

class cWWMaker : public cWindowMaker {
public:
    // Becomes the process's window maker.
    cWWMaker();
    ~cWWMaker() override;

    bool Initialise(int iconId = 101) override;
    int RunModal(cCustomForm& form, int width, int height, cCustomForm* parent,
                 bool resizable) override;
    cWindowHolder* CreateWindow(cCustomForm& form, const cRect& rect, cCustomForm* parent,
                                int styles) override;
    void Destroy(cWindowHolder* holder) override;
    int RunMessageLoop() override;
    // Callable from any thread.
    void PostQuit(int code) override;
    cSize TextExtent(std::u16string_view text, const cFontSpec& font) override;

    // For the translators.
    std::uint32_t WakeEventType() const { return wakeEvent_; }
    void SetCursor(int kind);
    struct cRawClip {
        std::vector<std::uint8_t> bytes;
        std::u16string marker; // the text that went to the system clipboard with them
    };
    std::optional<cRawClip>& RawClipboard() { return rawClip_; }
    // Gives a new window the program icon.
    void DecorateWindow(SDL_Window* window);
    // Any thread: queues an event for the window thread; false when SDL refused it.
    bool Push(SDL_Event& event);
    // Window thread: closes an SDL window once no push can still be addressing it.
    void DestroySdlWindow(SDL_Window* window);

private:
    // Runs events until `done` says so or a quit arrives; false on a quit.
    template <class Done> bool Loop(Done done);
    void DispatchEvent(const SDL_Event& event);
    void PaintAndCollect();
    cWndTranslator* FindWindow(std::uint32_t id);
    cWndTranslator* FindWindowOf(cCustomForm* form);

    bool initialised_ = false;
    std::uint32_t wakeEvent_ = 0;
    std::vector<std::unique_ptr<cWWHolder>> holders_;
    std::vector<cWndTranslator*> modalStack_;
    std::vector<SDL_Cursor*> cursors_;
    // The code of the last PostQuit (any thread), and whether a quit is being handled
    // (window thread).
    std::atomic<int> quitCode_{0};
    bool quitting_ = false;
    std::optional<cRawClip> rawClip_;
    std::mutex pushLock_;
    cBitmap icon_;
    SDL_Surface* iconSurface_ = nullptr;
    cWindowMaker* previous_;
};
