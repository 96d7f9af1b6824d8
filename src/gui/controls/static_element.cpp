#include "gui/controls/static_element.h"

cStaticElement::cStaticElement(std::u16string text, eAlign align)
    : text_(std::move(text)), align_(align) {}

std::unique_ptr<cStaticElement> cStaticElement::FromSection(int text_id, eAlign align) {
    auto label = std::make_unique<cStaticElement>(std::u16string{}, align);
    label->text_id_ = text_id;
    return label;
}

void cStaticElement::SetText(std::u16string text) {
    text_ = std::move(text);
    text_id_ = -1;
    Invalidate();
}

std::u16string_view cStaticElement::ShownText() const {
    return text_id_ >= 0 ? Text(text_id_).value_or(u"") : std::u16string_view(text_);
}

void cStaticElement::SetColor(cColor color) {
    color_ = color;
    Invalidate();
}

void cStaticElement::OnPaint(cCanvas& canvas) {
    painter::Text(canvas, ClientRect(), ShownText(), IsEnabled() ? color_ : theme::kTextDisabled,
                  align_);
}
