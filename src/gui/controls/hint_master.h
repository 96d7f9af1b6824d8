#pragma once
// The tool tip of a form: one bubble drawn above everything, which the pointer passes
// through. Controls show it for the element under the pointer and hide it on leave; the
// form takes it away whenever its element stops being there for the pointer (hidden,
// disabled, removed), a key or button is pressed, or the window loses the pointer.

#include "gui/child_element.h"

#include <string>
#include <vector>

class cCustomForm;

class cHintMaster : public cChildElement {
public:
    // Shows `text` below `over` (or above it when there is no room below).
    static void Show(cChildElement& over, std::u16string text);
    // The same below `anchor` (in form coordinates), a part of `owner` such as one row.
    // A text wider than the form is broken into lines.
    static void ShowAt(cChildElement& owner, std::u16string text, const cRect& anchor);
    static void Hide(cChildElement& any);

    bool TakesPointer() const override { return false; }
    void OnPaint(cCanvas& canvas) override;
    std::u16string_view Shown() const { return text_; }
    // The element the shown tip belongs to, null while hidden.
    const cChildElement* Owner() const { return owner_; }
    void Dismiss();
    // The form's tool tip, null when none was shown yet.
    static cHintMaster* Of(cCustomForm& form);

private:
    std::u16string text_;
    std::vector<std::u16string> lines_;
    const cChildElement* owner_ = nullptr;
};
