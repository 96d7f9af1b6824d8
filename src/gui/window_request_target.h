#pragma once
// What an element tree may ask of the window that carries it. The window host (SDL) and
// the headless host used by tests implement it; nothing above them sees the platform.

#include "gui/canvas.h"
#include "gui/font.h"
#include "gui/geometry.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The wake-up message: the first user message with one of two first parameters. The
// host maps each to its own processing operation of the root element.
inline constexpr std::uint32_t kWakeMessage = 0x400;
inline constexpr std::uint32_t kWakeA = 0xAC1104;
inline constexpr std::uint32_t kWakeB = 0xAC11040;

// Cursor kinds; any other value shows the arrow.
enum eCursorKind : int {
    kCursorArrow = 0,
    kCursorTextBeam = 1,
    kCursorWait = 2,
    kCursorHand = 3,
    kCursorSizeWE = 4,
    kCursorSizeNS = 5,
    kCursorSizeWE2 = 6,
    kCursorSizeNS2 = 7,
    kCursorSizeNESW = 8,
    kCursorSizeNWSE = 9,
};

class cWindowRequestTarget {
public:
    virtual ~cWindowRequestTarget() = default;

    virtual void DestroyWindow() = 0;
    // Ends a modal run with `result`; a window that is not modal is destroyed.
    virtual void EndDialog(int result) = 0;
    virtual void Show() = 0;
    virtual void Hide() = 0;
    virtual void Move(int x, int y, int width, int height) = 0;
    // The platform window (null without one).
    virtual void* Self() = 0;
    // Marks a rectangle of the client area (the whole of it for null) for repainting.
    virtual void Invalidate(const cRect* rect = nullptr) = 0;
    // Callable from any thread; false when the wake-up could not be posted.
    virtual bool PostWakeA(std::uintptr_t value) = 0;
    virtual bool PostWakeB(std::uintptr_t value) = 0;
    virtual void CaptureMouse(bool on) = 0;
    virtual void SetCursor(int kind) = 0;
    virtual bool SetClipboardText(std::u16string_view text) = 0;
    virtual std::optional<std::u16string> ClipboardText() = 0;
    // Raw bytes under the clipboard format "CI Raw bytes".
    virtual bool SetClipboardBytes(std::span<const std::uint8_t> bytes) = 0;
    virtual std::optional<std::vector<std::uint8_t>> ClipboardBytes() = 0;
    // With text_only: Unicode text is available. Without: text or raw bytes, non-empty.
    virtual bool ClipboardHasData(bool textOnly) = 0;
    virtual void SetMinSize(int width, int height) = 0;
    virtual void SetMaxSize(int width, int height) = 0;
    virtual cRect WindowRect() = 0;

    // A canvas over the client area; what is drawn shows when the canvas presents.
    virtual std::unique_ptr<cCanvas> CreateCanvas() = 0;
    virtual cSize TextExtent(std::u16string_view text, const cFontSpec& font) = 0;
    virtual bool IsModal() const = 0;
};
