#include "gui/controls/button_child.h"

cButtonChild::cButtonChild(std::u16string text, int command_id, bool primary)
    : text_(std::move(text)), command_id_(command_id), primary_(primary) {}

std::unique_ptr<cButtonChild> cButtonChild::FromSection(int text_id, int command_id, bool primary) {
    auto button = std::make_unique<cButtonChild>(std::u16string{}, command_id, primary);
    button->text_id_ = text_id;
    return button;
}

std::u16string_view cButtonChild::Caption() const {
    return text_id_ >= 0 ? Text(text_id_).value_or(u"") : std::u16string_view(text_);
}

void cButtonChild::SetCaption(std::u16string text) {
    text_ = std::move(text);
    text_id_ = -1;
    Invalidate();
}

void cButtonChild::OnPaint(cCanvas& canvas) {
    painter::Button(canvas, ClientRect(), Caption(), ClickState(), HasFocus(), primary_);
}
