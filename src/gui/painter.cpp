#include "gui/painter.h"

#include <algorithm>
#include <cmath>

namespace painter {

namespace {

cColor TextColor(eClickState state) {
    return state == eClickState::Disabled ? theme::kTextDisabled : theme::kText;
}

cColor SurfaceColor(eClickState state) {
    switch (state) {
    case eClickState::Hover:
        return theme::kSurfaceHover;
    case eClickState::Pressed:
        return theme::kSurfacePressed;
    case eClickState::Disabled:
        return theme::kSurfaceDisabled;
    case eClickState::Normal:
        break;
    }
    return theme::kSurface;
}

// A rounded box with a one-pixel border: the border colour filled, then the face inset.
void Box(cCanvas& canvas, const cRect& rect, cColor face, cColor border,
         int radius = theme::kRadius) {
    canvas.FillRoundRect(rect, radius, border);
    canvas.FillRoundRect(rect.Inset(1), std::max(0, radius - 1), face);
}

cCutTextListener& CutTextListener() {
    static cCutTextListener listener;
    return listener;
}

} // namespace

void SetCutTextListener(cCutTextListener listener) {
    CutTextListener() = std::move(listener);
}

void ReportCutText(std::u16string_view text) {
    if (CutTextListener()) {
        CutTextListener()(text);
    }
}

void Text(cCanvas& canvas, const cRect& rect, std::u16string_view text, cColor color,
          eAlign align) {
    cFontObject* font = canvas.SelectedFont();
    if (!font || text.empty() || rect.w <= 0) {
        return;
    }
    // Blanks at the end show nothing (a wrapped line keeps the space it broke at), so
    // they neither make a text too wide nor shift a centred one.
    text = text.substr(0, text.find_last_not_of(u' ') + 1);
    std::u16string shown;
    int width = font->MeasureText(text);
    if (width > rect.w) {
        ReportCutText(text);
        static constexpr std::u16string_view kEllipsis = u"\u2026";
        const int room = rect.w - font->MeasureText(kEllipsis);
        shown.assign(text.substr(0, room > 0 ? font->FitChars(text, room) : 0));
        shown += kEllipsis;
        text = shown;
        width = font->MeasureText(text);
    }
    const int x = align == eAlign::Left     ? rect.x
                  : align == eAlign::Center ? rect.x + (rect.w - width) / 2
                                            : rect.Right() - width;
    canvas.TextOut(x, rect.y + (rect.h - font->LineHeight()) / 2, text, color);
}

void FocusRing(cCanvas& canvas, const cRect& rect, int radius) {
    // Two pixels outside the control: parents leave that margin around focusable controls.
    const cRect ring = rect.Inset(-2);
    canvas.FrameRoundRect(ring, radius + 2, theme::kFocusRing);
    canvas.FrameRoundRect(ring.Inset(1), radius + 1, theme::kFocusRing);
}

void Button(cCanvas& canvas, const cRect& rect, std::u16string_view text, eClickState state,
            bool focused, bool primary) {
    cColor face = SurfaceColor(state),
           border = state == eClickState::Hover ? theme::kBorderStrong : theme::kBorder;
    cColor ink = TextColor(state);
    if (primary && state != eClickState::Disabled) {
        face = state == eClickState::Pressed ? theme::kAccentPressed
               : state == eClickState::Hover ? theme::kAccentHover
                                             : theme::kAccent;
        border = face;
        ink = theme::kAccentText;
    }
    Box(canvas, rect, face, border);
    const cRect label = state == eClickState::Pressed ? rect.Offset(0, 1) : rect;
    Text(canvas, label.Inset(6), text, ink, eAlign::Center);
    if (focused) {
        FocusRing(canvas, rect);
    }
}

void FlatButton(cCanvas& canvas, const cRect& rect, eClickState state, bool checked) {
    if (checked) {
        return Box(canvas, rect, theme::kSelection, theme::kAccent);
    }
    if (state == eClickState::Hover) {
        Box(canvas, rect, theme::kSurfaceHover, theme::kBorder);
    }
    if (state == eClickState::Pressed) {
        Box(canvas, rect, theme::kSurfacePressed, theme::kBorderStrong);
    }
}

void CheckBox(cCanvas& canvas, const cRect& box, bool checked, eClickState state, bool focused) {
    const bool disabled = state == eClickState::Disabled;
    if (checked && !disabled) {
        Box(canvas, box, state == eClickState::Pressed ? theme::kAccentPressed : theme::kAccent,
            state == eClickState::Pressed ? theme::kAccentPressed : theme::kAccent, 3);
    } else {
        Box(canvas, box, SurfaceColor(state),
            state == eClickState::Hover ? theme::kAccent : theme::kBorderStrong, 3);
    }
    if (checked) {
        canvas.SetPen(disabled ? theme::kTextDisabled : theme::kAccentText, 1.8f);
        const float x = float(box.x), y = float(box.y), w = float(box.w), h = float(box.h);
        canvas.Line(x + w * 0.22f, y + h * 0.50f, x + w * 0.42f, y + h * 0.70f);
        canvas.Line(x + w * 0.42f, y + h * 0.70f, x + w * 0.76f, y + h * 0.28f);
    }
    if (focused) {
        FocusRing(canvas, box, 3);
    }
}

void Field(cCanvas& canvas, const cRect& rect, eClickState state, bool focused) {
    const cColor border = focused                       ? theme::kAccent
                          : state == eClickState::Hover ? theme::kBorderStrong
                                                        : theme::kBorder;
    Box(canvas, rect, state == eClickState::Disabled ? theme::kSurfaceDisabled : theme::kSurface,
        border);
    if (focused) {
        FocusRing(canvas, rect);
    }
}

void Chevron(cCanvas& canvas, const cRect& rect, cColor color, int direction) {
    const float cx = rect.x + rect.w / 2.0f - 0.5f, cy = rect.y + rect.h / 2.0f - 0.5f, s = 3.5f;
    canvas.SetPen(color, 1.6f);
    switch (direction) {
    case 0:
        canvas.Line(cx + s / 2, cy - s, cx - s / 2, cy);
        canvas.Line(cx - s / 2, cy, cx + s / 2, cy + s);
        break;
    case 1:
        canvas.Line(cx - s / 2, cy - s, cx + s / 2, cy);
        canvas.Line(cx + s / 2, cy, cx - s / 2, cy + s);
        break;
    case 2:
        canvas.Line(cx - s, cy + s / 2, cx, cy - s / 2);
        canvas.Line(cx, cy - s / 2, cx + s, cy + s / 2);
        break;
    default:
        canvas.Line(cx - s, cy - s / 2, cx, cy + s / 2);
        canvas.Line(cx, cy + s / 2, cx + s, cy - s / 2);
        break;
    }
}

void DropArrow(cCanvas& canvas, const cRect& rect, cColor color, bool up) {
    Chevron(canvas, rect, color, up ? 2 : 3);
}

void Progress(cCanvas& canvas, const cRect& rect, double fraction, std::uint8_t opacity) {
    fraction = std::isnan(fraction) ? 0.0 : std::clamp(fraction, 0.0, 1.0);
    const int radius = std::min(rect.h / 2, theme::kRadius);
    canvas.FillRoundRect(rect, radius, WithAlpha(theme::kSeparator, opacity));
    const int filled = int(std::lround(rect.w * fraction));
    if (filled > 0) {
        canvas.FillRoundRect({rect.x, rect.y, std::max(filled, 2 * radius), rect.h}, radius,
                             WithAlpha(theme::kAccent, opacity));
    }
}

void ScrollTrack(cCanvas& canvas, const cRect& rect) {
    canvas.FillRect(rect, theme::kWindow);
}

void ScrollThumb(cCanvas& canvas, const cRect& rect, eClickState state, bool vertical) {
    const cColor color = state == eClickState::Pressed ? Rgb(0x7D, 0x86, 0x93)
                         : state == eClickState::Hover ? Rgb(0x9C, 0xA4, 0xAF)
                                                       : Rgb(0xBC, 0xC2, 0xCA);
    const cRect thumb = vertical ? cRect{rect.x + 3, rect.y + 1, rect.w - 6, rect.h - 2}
                                 : cRect{rect.x + 1, rect.y + 3, rect.w - 2, rect.h - 6};
    canvas.FillRoundRect(thumb, std::min(thumb.w, thumb.h) / 2, color);
}

void Panel(cCanvas& canvas, const cRect& rect) {
    Box(canvas, rect, theme::kSurface, theme::kSeparator);
}

void TitledPanel(cCanvas& canvas, const cRect& rect, int titleHeight, std::u16string_view title) {
    Box(canvas, rect, theme::kSurface, theme::kSeparator);
    const cRect bar{rect.x + 1, rect.y + 1, rect.w - 2, titleHeight - 1};
    canvas.FillRoundRect(bar, theme::kRadius - 1, theme::kTitleBar);
    canvas.FillRect({bar.x, bar.y + theme::kRadius, bar.w, bar.h - theme::kRadius},
                    theme::kTitleBar);
    canvas.FillRect({rect.x + 1, rect.y + titleHeight, rect.w - 2, 1}, theme::kSeparator);
    canvas.SelectFont(StandardFont(eStdFont::Bold));
    Text(canvas, {bar.x + 9, bar.y, bar.w - 18, bar.h}, title, theme::kText);
}

void Popup(cCanvas& canvas, const cRect& rect) {
    // A soft two-step shadow below and right of the box.
    canvas.FillRoundRect(rect.Offset(1, 2), theme::kRadius + 1, WithAlpha(0, 0x18));
    Box(canvas, rect.Inset(0), theme::kSurface, theme::kBorder);
}

void Hint(cCanvas& canvas, const cRect& rect, std::u16string_view text) {
    canvas.FillRoundRect(rect, theme::kRadius, theme::kHint);
    Text(canvas, rect.Inset(6), text, theme::kHintText, eAlign::Center);
}

void MessageIcon(cCanvas& canvas, const cRect& rect, int kind) {
    const cColor color = kind == kIconError     ? theme::kError
                         : kind == kIconWarning ? theme::kWarning
                                                : theme::kInfo;
    const float x = float(rect.x), y = float(rect.y), w = float(rect.w), h = float(rect.h);
    if (kind == kIconWarning) {
        // A rounded triangle, drawn as a thick outline around a filled one.
        canvas.SetPen(color, 3.0f);
        canvas.Line(x + w / 2, y + 2, x + 2, y + h - 3);
        canvas.Line(x + 2, y + h - 3, x + w - 2, y + h - 3);
        canvas.Line(x + w - 2, y + h - 3, x + w / 2, y + 2);
        for (int row = 4; row < rect.h - 3; ++row) {
            const float half = (w / 2 - 2) * float(row - 2) / (h - 5);
            canvas.FillRect(
                {int(std::lround(x + w / 2 - half)), rect.y + row, int(std::lround(2 * half)), 1},
                color);
        }
    } else {
        canvas.FillEllipse(rect, color);
    }
    canvas.SetPen(theme::kAccentText, 2.6f);
    const float cx = x + w / 2 - 0.5f;
    switch (kind) {
    case kIconError:
        canvas.Line(x + w * 0.34f, y + h * 0.34f, x + w * 0.66f - 1, y + h * 0.66f - 1);
        canvas.Line(x + w * 0.66f - 1, y + h * 0.34f, x + w * 0.34f, y + h * 0.66f - 1);
        break;
    case kIconWarning:
        canvas.Line(cx, y + h * 0.36f, cx, y + h * 0.62f);
        canvas.FillEllipse({int(cx) - 1, int(y + h * 0.72f), 3, 3}, theme::kAccentText);
        break;
    case kIconQuestion:
        canvas.SelectFont({"Tahoma", std::max(9, rect.h * 2 / 3), font_style::kBold});
        Text(canvas, rect, u"?", theme::kAccentText, eAlign::Center);
        break;
    default:
        canvas.FillEllipse({int(cx) - 1, int(y + h * 0.24f), 3, 3}, theme::kAccentText);
        canvas.Line(cx, y + h * 0.42f, cx, y + h * 0.74f);
        break;
    }
}

} // namespace painter
