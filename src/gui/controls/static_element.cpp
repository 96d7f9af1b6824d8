#include "gui/controls/static_element.h"

#include "gui/text_wrap.h"

cStaticElement::cStaticElement(std::u16string text, eAlign align)
    : text_(std::move(text)), align_(align) {}

std::unique_ptr<cStaticElement> cStaticElement::FromSection(int textId, eAlign align) {
    auto label = std::make_unique<cStaticElement>(std::u16string{}, align);
    label->textId_ = textId;
    return label;
}

void cStaticElement::SetText(std::u16string text) {
    text_ = std::move(text);
    textId_ = -1;
    Invalidate();
}

std::u16string_view cStaticElement::ShownText() const {
    return textId_ >= 0 ? Text(textId_).value_or(u"") : std::u16string_view(text_);
}

void cStaticElement::SetColor(cColor color) {
    color_ = color;
    Invalidate();
}

void cStaticElement::SetWrap(bool wrap) {
    wrap_ = wrap;
    Invalidate();
}

void cStaticElement::OnPaint(cCanvas& canvas) {
    const cColor color = IsEnabled() ? color_ : theme::kTextDisabled;
    if (!wrap_) {
        return painter::Text(canvas, ClientRect(), ShownText(), color, align_);
    }
    const auto lines =
        text_wrap::Wrap(text_wrap::Tokenize(ShownText()), Rect().w,
                        [&](std::u16string_view text) { return canvas.MeasureText(text); });
    const int line = canvas.MeasureText(u"").h;
    int y = 0;
    for (const std::u16string& text : lines) {
        if (y + line > Rect().h) {
            painter::ReportCutText(text);
        }
        if (y >= Rect().h) {
            break;
        }
        painter::Text(canvas, {0, y, Rect().w, line}, text, color, align_);
        y += line;
    }
}
