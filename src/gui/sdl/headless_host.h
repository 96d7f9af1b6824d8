#pragma once
// A window host without a window, for tests and off-screen rendering. The calling thread
// plays the window thread: it feeds input, runs the wake-ups other threads posted, paints
// the form into its frame and saves it as PNG. Text renders exactly as in a window.

#include "gui/sdl/surface_host.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

class cHeadlessHost : public cSurfaceHost {
public:
    cHeadlessHost(cCustomForm& form, int width, int height, bool modal = false);
    ~cHeadlessHost() override;

    // --- Input, in form coordinates ---------------------------------------------------
    void MouseMove(int x, int y);
    void MouseLeave();
    void Press(int x, int y, eMouseButton button = eMouseButton::Left, int modifiers = 0);
    void Release(int x, int y, eMouseButton button = eMouseButton::Left, int modifiers = 0);
    void Click(int x, int y, int modifiers = 0);
    void DoubleClick(int x, int y);
    void Wheel(int delta, int x, int y);
    void Key(int key, int modifiers = 0);
    void Type(std::u16string_view text);
    void Focus(bool gained);
    void Resize(int width, int height);
    void RequestClose();

    // --- Wake-ups ---------------------------------------------------------------------
    // Runs the wake-ups posted so far (and any posted while running them); returns how many.
    int RunWakeUps();
    // Waits up to `milliseconds` for a wake-up to be posted; true when one is pending.
    bool WaitForWakeUp(int milliseconds);
    int PostedWakeUps() const;

    // --- Output -----------------------------------------------------------------------
    // Paints everything marked since the last render and returns the frame.
    const cBitmap& Render();
    bool SavePng(const std::string& path);
    std::optional<int> EndCode() const { return endCode_; }
    bool Destroyed() const { return destroyed_; }
    bool Visible() const { return visible_; }
    int Cursor() const { return cursor_; }
    bool MouseCaptured() const { return captured_; }
    cSize MinSize() const { return minSize_; }
    cSize MaxSize() const { return maxSize_; }

    // --- cWindowRequestTarget ---------------------------------------------------------
    void DestroyWindow() override { destroyed_ = true; }
    void EndDialog(int result) override;
    void Show() override { visible_ = true; }
    void Hide() override { visible_ = false; }
    void Move(int x, int y, int width, int height) override;
    void* Self() override { return nullptr; }
    bool PostWakeA(std::uintptr_t value) override { return Post(kWakeA, value); }
    bool PostWakeB(std::uintptr_t value) override { return Post(kWakeB, value); }
    void CaptureMouse(bool on) override { captured_ = on; }
    void SetCursor(int kind) override { cursor_ = kind; }
    bool SetClipboardText(std::u16string_view text) override;
    std::optional<std::u16string> ClipboardText() override;
    bool SetClipboardBytes(std::span<const std::uint8_t> bytes) override;
    std::optional<std::vector<std::uint8_t>> ClipboardBytes() override;
    bool ClipboardHasData(bool textOnly) override;
    void SetMinSize(int width, int height) override { minSize_ = {width, height}; }
    void SetMaxSize(int width, int height) override { maxSize_ = {width, height}; }
    cRect WindowRect() override {
        return {position_.x, position_.y, Frame().Width(), Frame().Height()};
    }
    bool IsModal() const override { return modal_; }

private:
    bool Post(std::uint32_t wake, std::uintptr_t value);

    const bool modal_;
    mutable std::mutex wakeLock_;
    std::condition_variable wakePosted_;
    std::deque<std::pair<std::uint32_t, std::uintptr_t>> wakeUps_;
    std::optional<int> endCode_;
    bool destroyed_ = false;
    bool visible_ = false;
    bool captured_ = false;
    int cursor_ = 0;
    cPoint position_;
    cSize minSize_;
    cSize maxSize_;
    // The clipboard of the headless "desktop": text or raw bytes, the last one set.
    std::optional<std::u16string> clipText_;
    std::optional<std::vector<std::uint8_t>> clipBytes_;
};
