#pragma once
// A text label. The text is either given or taken by number from the form's section.
// One line, cut with an ellipsis, or wrapped over as many lines as the label is tall.

#include "gui/child_element.h"
#include "gui/painter.h"

#include <string>

class cStaticElement : public cChildElement {
public:
    explicit cStaticElement(std::u16string text = {}, eAlign align = eAlign::Left);
    // A label showing text `text_id` of the section its form names.
    static std::unique_ptr<cStaticElement> FromSection(int textId, eAlign align = eAlign::Left);

    void SetText(std::u16string text);
    std::u16string_view ShownText() const;
    void SetColor(cColor color);
    // Wraps at word boundaries instead of cutting; lines start at the top.
    void SetWrap(bool wrap);
    void OnPaint(cCanvas& canvas) override;

private:
    std::u16string text_;
    int textId_ = -1;
    eAlign align_;
    cColor color_ = theme::kText;
    bool wrap_ = false;
};
