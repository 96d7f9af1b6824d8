#pragma once
// A single-line text field: caret, selection with mouse and keyboard, clipboard copy,
// cut and paste, and horizontal scrolling that keeps the caret in view. Positions are
// UTF-16 indexes that never split a surrogate pair.

#include "gui/child_element.h"

#include <string>

inline constexpr int kActionEditChange = 13;

class cEditChild : public cChildElement {
public:
    explicit cEditChild(std::u16string text = {}, int commandId = 0);

    const std::u16string& Text() const { return text_; }
    void SetText(std::u16string text);
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
    void SetMaxLength(std::size_t length) { maxLength_ = length; }
    std::size_t Caret() const { return caret_; }
    // The selected range as [first, last); empty when nothing is selected.
    std::size_t SelectionStart() const { return std::min(anchor_, caret_); }
    std::size_t SelectionEnd() const { return std::max(anchor_, caret_); }
    std::u16string SelectedText() const;
    void Select(std::size_t anchor, std::size_t caret);
    void SelectAll() { Select(0, text_.size()); }
    // Replaces the selection (or inserts at the caret); false when read-only or too long.
    bool ReplaceSelection(std::u16string_view with);
    bool Copy();
    bool Cut();
    bool Paste();

    bool IsFocusable() const override { return true; }
    int CursorKind(cPoint) const override { return 1; }
    void OnPaint(cCanvas& canvas) override;
    void OnButtonDown(eMouseButton button, cPoint point, int modifiers) override;
    void OnDoubleClick(cPoint point, int modifiers) override;
    void OnMouseMove(cPoint point) override;
    void OnButtonUp(eMouseButton button, cPoint point, int modifiers) override;
    bool OnKeyDown(int key, int modifiers) override;
    bool OnChar(std::u16string_view text) override;

    static constexpr int kPadding = 7;

private:
    std::size_t IndexAt(int x);
    std::size_t StepLeft(std::size_t from, bool word) const;
    std::size_t StepRight(std::size_t from, bool word) const;
    void MoveCaret(std::size_t to, bool extend);
    void ScrollToCaret();
    int PrefixWidth(std::size_t count);
    void Changed();

    std::u16string text_;
    int commandId_;
    std::size_t caret_ = 0;
    std::size_t anchor_ = 0;
    int scroll_ = 0;
    bool selecting_ = false;
    bool readOnly_ = false;
    std::size_t maxLength_ = 32767;
};
