#pragma once
// One SDL window carrying one form: the window host the form's elements talk to, and the
// translator that turns the window's SDL events into calls on the form. Created and
// owned by cWWMaker, which routes each event to the translator of its window.

#include "gui/sdl/surface_host.h"

#include <cstdint>

union SDL_Event;
struct SDL_Window;
class cWWMaker;

class cWndTranslator : public cSurfaceHost {
public:
    // Opens a hidden window of the given client size; check IsOpen().
    cWndTranslator(cWWMaker& maker, cCustomForm& form, const cRect& rect, bool resizable,
                   bool modal);
    ~cWndTranslator() override;

    bool IsOpen() const { return window_ != nullptr; }
    std::uint32_t WindowId() const { return windowId_; }
    SDL_Window* Window() const { return window_; }
    // True once the window was destroyed or its modal run ended.
    bool Finished() const { return destroyed_ || endCodeSet_; }
    bool Destroyed() const { return destroyed_; }
    int EndCode() const { return endCode_; }

    // Handles one event addressed to this window. `input` is false while another
    // window runs modally above this one: pointer, keys and closing are then ignored.
    void Dispatch(const SDL_Event& event, bool input);

    // --- cWindowRequestTarget ---------------------------------------------------------
    void DestroyWindow() override { destroyed_ = true; }
    void EndDialog(int result) override;
    void Show() override;
    void Hide() override;
    void Move(int x, int y, int width, int height) override;
    void* Self() override { return window_; }
    bool PostWakeA(std::uintptr_t value) override;
    bool PostWakeB(std::uintptr_t value) override;
    void CaptureMouse(bool on) override;
    void SetCursor(int kind) override;
    bool SetClipboardText(std::u16string_view text) override;
    std::optional<std::u16string> ClipboardText() override;
    bool SetClipboardBytes(std::span<const std::uint8_t> bytes) override;
    std::optional<std::vector<std::uint8_t>> ClipboardBytes() override;
    bool ClipboardHasData(bool textOnly) override;
    void SetMinSize(int width, int height) override;
    void SetMaxSize(int width, int height) override;
    cRect WindowRect() override;
    bool IsModal() const override { return modal_; }

protected:
    void PresentFrame(const cRect& rect) override;

private:
    bool PostWake(std::uint32_t wake, std::uintptr_t value);

    cWWMaker& maker_;
    SDL_Window* window_ = nullptr;
    std::uint32_t windowId_ = 0;
    const bool modal_;
    bool destroyed_ = false;
    bool endCodeSet_ = false;
    int endCode_ = -1;
};
