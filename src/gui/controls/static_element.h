#pragma once
// A text label. The text is either given or taken by number from the form's section.

#include "gui/child_element.h"
#include "gui/painter.h"

#include <string>

class cStaticElement : public cChildElement {
public:
    explicit cStaticElement(std::u16string text = {}, eAlign align = eAlign::Left);
    // A label showing text `text_id` of the section its form names.
    static std::unique_ptr<cStaticElement> FromSection(int text_id, eAlign align = eAlign::Left);

    void SetText(std::u16string text);
    std::u16string_view ShownText() const;
    void SetColor(cColor color);
    void OnPaint(cCanvas& canvas) override;

private:
    std::u16string text_;
    int text_id_ = -1;
    eAlign align_;
    cColor color_ = theme::kText;
};
