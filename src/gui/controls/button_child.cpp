#include "gui/controls/button_child.h"

cButtonChild::cButtonChild(std::u16string text, int commandId, bool primary)
    : text_(std::move(text)), commandId_(commandId), primary_(primary) {}

std::unique_ptr<cButtonChild> cButtonChild::FromSection(int textId, int commandId, bool primary) {
    auto button = std::make_unique<cButtonChild>(std::u16string{}, commandId, primary);
    button->textId_ = textId;
    return button;
}

std::u16string_view cButtonChild::Caption() const {
    return textId_ >= 0 ? Text(textId_).value_or(u"") : std::u16string_view(text_);
}

void cButtonChild::SetCaption(std::u16string text) {
    text_ = std::move(text);
    textId_ = -1;
    Invalidate();
}

void cButtonChild::OnPaint(cCanvas& canvas) {
    painter::Button(canvas, ClientRect(), Caption(), ClickState(), HasFocus(), primary_);
}
