#include "gui/controls/edit_child.h"

#include "gui/painter.h"
#include "gui/window_request_target.h"

#include <algorithm>

namespace {

bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}
bool IsWordChar(char16_t c) {
    return c == u'_' || c >= 0x80 || (c >= u'0' && c <= u'9') ||
           ((c | 0x20) >= u'a' && (c | 0x20) <= u'z');
}

} // namespace

cEditChild::cEditChild(std::u16string text, int commandId)
    : text_(std::move(text)), commandId_(commandId) {
    caret_ = anchor_ = text_.size();
}

void cEditChild::SetText(std::u16string text) {
    text_ = std::move(text);
    if (text_.size() > maxLength_) {
        text_.resize(maxLength_);
    }
    caret_ = anchor_ = text_.size();
    scroll_ = 0;
    ScrollToCaret();
    Invalidate();
}

std::u16string cEditChild::SelectedText() const {
    return text_.substr(SelectionStart(), SelectionEnd() - SelectionStart());
}

void cEditChild::Select(std::size_t anchor, std::size_t caret) {
    anchor_ = std::min(anchor, text_.size());
    caret_ = std::min(caret, text_.size());
    ScrollToCaret();
    Invalidate();
}

bool cEditChild::ReplaceSelection(std::u16string_view with) {
    if (readOnly_) {
        return false;
    }
    const std::size_t first = SelectionStart(), removed = SelectionEnd() - first;
    if (text_.size() - removed + with.size() > maxLength_) {
        return false;
    }
    text_.replace(first, removed, with);
    caret_ = anchor_ = first + with.size();
    ScrollToCaret();
    Invalidate();
    Changed();
    return true;
}

void cEditChild::Changed() {
    SendCommand(kActionEditChange, commandId_);
}

bool cEditChild::Copy() {
    cWindowRequestTarget* host = Host();
    return host && SelectionEnd() > SelectionStart() && host->SetClipboardText(SelectedText());
}

bool cEditChild::Cut() {
    return !readOnly_ && Copy() && ReplaceSelection({});
}

bool cEditChild::Paste() {
    cWindowRequestTarget* host = Host();
    if (!host || !host->ClipboardHasData(true)) {
        return false;
    }
    std::u16string pasted = host->ClipboardText().value_or(u"");
    // A single line: the first line of what was copied, without control characters.
    pasted = pasted.substr(0, pasted.find_first_of(u"\r\n"));
    std::replace_if(
        pasted.begin(), pasted.end(), [](char16_t c) { return c < 0x20; }, u' ');
    return ReplaceSelection(pasted);
}

int cEditChild::PrefixWidth(std::size_t count) {
    return TextExtent(std::u16string_view(text_).substr(0, count)).w;
}

std::size_t cEditChild::IndexAt(int x) {
    const int target = x - kPadding + scroll_;
    // Text is laid out by glyph advances, so the prefix widths add up character by
    // character: one pass, however long the text.
    std::size_t best = 0;
    int bestDistance = std::abs(target), width = 0;
    for (std::size_t i = 0; i < text_.size();) {
        const std::size_t next = i + (i + 1 < text_.size() && IsLowSurrogate(text_[i + 1]) ? 2 : 1);
        width += TextExtent(std::u16string_view(text_).substr(i, next - i)).w;
        i = next;
        if (std::abs(width - target) < bestDistance) {
            best = i;
            bestDistance = std::abs(width - target);
        }
        if (width > target) {
            break;
        }
    }
    return best;
}

std::size_t cEditChild::StepLeft(std::size_t from, bool word) const {
    if (from == 0) {
        return 0;
    }
    std::size_t i = from - 1;
    if (i > 0 && IsLowSurrogate(text_[i])) {
        --i;
    }
    if (!word) {
        return i;
    }
    while (i > 0 && !IsWordChar(text_[i])) {
        --i;
    }
    while (i > 0 && IsWordChar(text_[i - 1])) {
        --i;
    }
    return i;
}

std::size_t cEditChild::StepRight(std::size_t from, bool word) const {
    if (from >= text_.size()) {
        return text_.size();
    }
    std::size_t i = from + 1;
    if (i < text_.size() && IsLowSurrogate(text_[i])) {
        ++i;
    }
    if (!word) {
        return i;
    }
    while (i < text_.size() && IsWordChar(text_[i])) {
        ++i;
    }
    while (i < text_.size() && !IsWordChar(text_[i])) {
        ++i;
    }
    return i;
}

void cEditChild::MoveCaret(std::size_t to, bool extend) {
    caret_ = std::min(to, text_.size());
    if (!extend) {
        anchor_ = caret_;
    }
    ScrollToCaret();
    Invalidate();
}

void cEditChild::ScrollToCaret() {
    const int room = Rect().w - 2 * kPadding;
    if (room <= 0) {
        return;
    }
    const int x = PrefixWidth(caret_);
    if (x - scroll_ > room) {
        scroll_ = x - room;
    }
    if (x < scroll_) {
        scroll_ = std::max(0, x - room / 3);
    }
}

void cEditChild::OnPaint(cCanvas& canvas) {
    const bool enabled = IsEnabled();
    painter::Field(canvas, ClientRect(), enabled ? eClickState::Normal : eClickState::Disabled,
                   HasFocus());
    const cRect inner{2, 2, Rect().w - 4, Rect().h - 4};
    const cRect clip = canvas.ClipRect();
    canvas.SetClipRect(inner.Offset(canvas.Origin().x, canvas.Origin().y).Intersect(clip));
    cFontObject* font = canvas.SelectedFont();
    const int line = font ? font->LineHeight() : 0;
    const int top = (Rect().h - line) / 2, x0 = kPadding - scroll_;
    if (HasFocus() && SelectionEnd() > SelectionStart()) {
        const int l = x0 + PrefixWidth(SelectionStart()), r = x0 + PrefixWidth(SelectionEnd());
        canvas.FillRect({l, top, r - l, line}, theme::kSelection);
    }
    canvas.TextOut(x0, top, text_, enabled ? theme::kText : theme::kTextDisabled);
    if (HasFocus()) {
        canvas.FillRect({x0 + PrefixWidth(caret_), top, 1, line}, theme::kText);
    }
    canvas.SetClipRect(clip);
}

void cEditChild::OnButtonDown(eMouseButton button, cPoint point, int modifiers) {
    if (button != eMouseButton::Left) {
        return;
    }
    MoveCaret(IndexAt(point.x), modifiers & mods::kShift);
    selecting_ = true;
}

void cEditChild::OnDoubleClick(cPoint point, int modifiers) {
    const std::size_t at = IndexAt(point.x);
    std::size_t first = at, last = at;
    while (first > 0 && IsWordChar(text_[first - 1])) {
        --first;
    }
    while (last < text_.size() && IsWordChar(text_[last])) {
        ++last;
    }
    Select(first, last);
}

void cEditChild::OnMouseMove(cPoint point) {
    if (selecting_) {
        MoveCaret(IndexAt(point.x), true);
    }
}

void cEditChild::OnButtonUp(eMouseButton button, cPoint point, int modifiers) {
    selecting_ = false;
}

bool cEditChild::OnKeyDown(int key, int modifiers) {
    const bool shift = modifiers & mods::kShift, ctrl = modifiers & mods::kCtrl;
    switch (key) {
    case key::kLeft:
        MoveCaret(!shift && SelectionEnd() > SelectionStart() && !ctrl ? SelectionStart()
                                                                       : StepLeft(caret_, ctrl),
                  shift);
        return true;
    case key::kRight:
        MoveCaret(!shift && SelectionEnd() > SelectionStart() && !ctrl ? SelectionEnd()
                                                                       : StepRight(caret_, ctrl),
                  shift);
        return true;
    case key::kHome:
        MoveCaret(0, shift);
        return true;
    case key::kEnd:
        MoveCaret(text_.size(), shift);
        return true;
    case key::kBackspace:
        if (SelectionEnd() == SelectionStart()) {
            anchor_ = StepLeft(caret_, ctrl);
        }
        ReplaceSelection({});
        return true;
    case key::kDelete:
        if (shift) {
            return Cut(), true;
        }
        if (SelectionEnd() == SelectionStart()) {
            anchor_ = StepRight(caret_, ctrl);
        }
        ReplaceSelection({});
        return true;
    case key::kInsert:
        if (ctrl) {
            Copy();
        }
        if (shift) {
            Paste();
        }
        return ctrl || shift;
    default:
        break;
    }
    if (ctrl && !shift) {
        switch (key) {
        case 'A':
            SelectAll();
            return true;
        case 'C':
            Copy();
            return true;
        case 'X':
            Cut();
            return true;
        case 'V':
            Paste();
            return true;
        default:
            break;
        }
    }
    return false;
}

bool cEditChild::OnChar(std::u16string_view text) {
    std::u16string printable;
    for (char16_t c : text) {
        if (c >= 0x20 && c != 0x7F) {
            printable += c;
        }
    }
    if (printable.empty()) {
        return false;
    }
    ReplaceSelection(printable);
    return true;
}
