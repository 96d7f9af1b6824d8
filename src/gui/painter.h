#pragma once
// The look of every control, in one place: a light theme with flat surfaces, thin
// borders, small rounded corners, one blue accent, and a focus ring drawn outside the
// focused control. Controls decide what to draw and in which state; the painter decides
// how it looks.

#include "gui/canvas.h"

#include <functional>
#include <string_view>

namespace theme {
inline constexpr cColor kWindow = Rgb(0xF4, 0xF5, 0xF7);
inline constexpr cColor kSurface = Rgb(0xFF, 0xFF, 0xFF);
inline constexpr cColor kSurfaceHover = Rgb(0xF0, 0xF3, 0xF8);
inline constexpr cColor kSurfacePressed = Rgb(0xE2, 0xE8, 0xF1);
inline constexpr cColor kSurfaceDisabled = Rgb(0xF1, 0xF2, 0xF4);
inline constexpr cColor kBorder = Rgb(0xC3, 0xC9, 0xD2);
inline constexpr cColor kBorderStrong = Rgb(0x93, 0x9C, 0xAA);
inline constexpr cColor kSeparator = Rgb(0xDD, 0xE1, 0xE7);
inline constexpr cColor kText = Rgb(0x1E, 0x23, 0x2B);
inline constexpr cColor kTextMuted = Rgb(0x5F, 0x67, 0x73);
inline constexpr cColor kTextDisabled = Rgb(0xA2, 0xA8, 0xB1);
inline constexpr cColor kAccent = Rgb(0x25, 0x63, 0xEB);
inline constexpr cColor kAccentHover = Rgb(0x1D, 0x55, 0xD4);
inline constexpr cColor kAccentPressed = Rgb(0x17, 0x45, 0xB0);
inline constexpr cColor kAccentText = Rgb(0xFF, 0xFF, 0xFF);
inline constexpr cColor kSelection = Rgb(0xCF, 0xE0, 0xFD);
inline constexpr cColor kFocusRing = WithAlpha(Rgb(0x25, 0x63, 0xEB), 0x70);
inline constexpr cColor kTitleBar = Rgb(0xE7, 0xEB, 0xF0);
inline constexpr cColor kHint = Rgb(0x2B, 0x30, 0x38);
inline constexpr cColor kHintText = Rgb(0xF4, 0xF5, 0xF7);
inline constexpr cColor kInfo = Rgb(0x25, 0x63, 0xEB);
inline constexpr cColor kWarning = Rgb(0xE8, 0x9A, 0x0C);
inline constexpr cColor kError = Rgb(0xD9, 0x35, 0x35);
inline constexpr int kRadius = 4;
inline constexpr int kRowHeight = 24;
} // namespace theme

// The states of anything clickable, in the order a press goes through them.
enum class eClickState { Normal, Hover, Pressed, Disabled };

enum class eAlign { Left, Center, Right };

// Message-box icons by their kind number.
enum eIconKind : int { kIconInformation = 0, kIconQuestion = 1, kIconWarning = 2, kIconError = 3 };

namespace painter {

// Text vertically centred in `rect`, cut with "…" when it does not fit.
void Text(cCanvas& canvas, const cRect& rect, std::u16string_view text, cColor color,
          eAlign align = eAlign::Left);
void FocusRing(cCanvas& canvas, const cRect& rect, int radius = theme::kRadius);
// A push button; `primary` ones are filled with the accent.
void Button(cCanvas& canvas, const cRect& rect, std::u16string_view text, eClickState state,
            bool focused, bool primary);
// A flat button without border until hovered (tool bars, menus).
void FlatButton(cCanvas& canvas, const cRect& rect, eClickState state, bool checked);
void CheckBox(cCanvas& canvas, const cRect& box, bool checked, eClickState state, bool focused);
// The frame of a text field or a drop-down.
void Field(cCanvas& canvas, const cRect& rect, eClickState state, bool focused);
void DropArrow(cCanvas& canvas, const cRect& rect, cColor color, bool up = false);
void Chevron(cCanvas& canvas, const cRect& rect, cColor color,
             int direction); // 0 left 1 right 2 up 3 down
void Progress(cCanvas& canvas, const cRect& rect, double fraction, std::uint8_t opacity);
void ScrollTrack(cCanvas& canvas, const cRect& rect);
void ScrollThumb(cCanvas& canvas, const cRect& rect, eClickState state, bool vertical);
void Panel(cCanvas& canvas, const cRect& rect);
void TitledPanel(cCanvas& canvas, const cRect& rect, int titleHeight, std::u16string_view title);
void Popup(cCanvas& canvas, const cRect& rect);
void Hint(cCanvas& canvas, const cRect& rect, std::u16string_view text);
void MessageIcon(cCanvas& canvas, const cRect& rect, int kind);

// Every text drawn cut (with "…", or wrapped lines left out for want of height) is told
// to the listener, if one is set: the check that no caption of any language outgrows its
// control. Window thread only; an empty listener stops the reports.
using cCutTextListener = std::function<void(std::u16string_view text)>;
void SetCutTextListener(cCutTextListener listener);
void ReportCutText(std::u16string_view text);

} // namespace painter
