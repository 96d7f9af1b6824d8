#include "gui/message_form.h"

#include "gui/controls/button_child.h"
#include "gui/painter.h"
#include "gui/window_maker.h"

#include <algorithm>

namespace {
constexpr int kCaptionInformation = 3;
constexpr int kTextOk = 0;
constexpr int kTextYes = 1;
constexpr int kTextNo = 2;
constexpr int kButtonWidth = 96;
} // namespace

cMessageForm::cMessageForm(std::u16string message, int captionId, int iconKind, eButtons buttons)
    : cCustomForm("tusk::messages"), message_(std::move(message)), captionId_(captionId),
      iconKind_(iconKind), buttons_(buttons) {}

std::u16string cMessageForm::Caption() const {
    return std::u16string(Text(captionId_).value_or(Text(kCaptionInformation).value_or(u"")));
}

cSize cMessageForm::PreferredSize(const cMeasure& measure) const {
    const auto lines = text_wrap::Wrap(text_wrap::Tokenize(message_), kMaxTextWidth, measure);
    cSize heading = measure(Caption());
    int textWidth = heading.w;
    for (const auto& line : lines) {
        textWidth = std::max(textWidth, measure(line).w);
    }
    const int textHeight = heading.h + 8 + int(lines.size()) * heading.h;
    const int width = std::max(320, kTextLeft + std::min(textWidth, kMaxTextWidth) + kMargin);
    const int height = kMargin + std::max(kIcon, textHeight) + 24 + kButtonHeight + kMargin;
    return {width, height};
}

void cMessageForm::OnCreate() {
    lines_ = text_wrap::Wrap(text_wrap::Tokenize(message_), Rect().w - kTextLeft - kMargin,
                             [this](std::u16string_view text) { return TextExtent(text); });
    const int y = -(kMargin + kButtonHeight);
    // Buttons sit at the bottom right, the one that agrees left of the one that declines.
    auto place = [&](std::unique_ptr<cButtonChild> button, int slot) {
        cChildElement* added = AddChild(std::move(button), 0, 0, kButtonWidth, kButtonHeight);
        added->Place(Rect().w - kMargin - (slot + 1) * kButtonWidth - slot * 8, Rect().h + y,
                     kButtonWidth, kButtonHeight);
        return added;
    };
    if (buttons_ == eButtons::Ok) {
        place(cButtonChild::FromSection(kTextOk, kCommandOk, true), 0)->SetFocus();
    } else {
        place(cButtonChild::FromSection(kTextNo, kCommandNo), 0);
        place(cButtonChild::FromSection(kTextYes, kCommandYes, true), 1)->SetFocus();
    }
}

void cMessageForm::OnPaint(cCanvas& canvas) {
    canvas.FillRect(ClientRect(), theme::kSurface);
    const int footer = kMargin + kButtonHeight + 12;
    canvas.FillRect({0, Rect().h - footer, Rect().w, footer}, theme::kWindow);
    canvas.FillRect({0, Rect().h - footer, Rect().w, 1}, theme::kSeparator);
    // Framed, so that the box stands out from its owner even without window decorations.
    canvas.FrameRect(ClientRect(), theme::kBorder);
    painter::MessageIcon(canvas, {kMargin, kMargin, kIcon, kIcon}, iconKind_);
    canvas.SelectFont(StandardFont(eStdFont::Bold));
    const int line = canvas.MeasureText(u"Ag").h;
    painter::Text(canvas, {kTextLeft, kMargin, Rect().w - kTextLeft - kMargin, line}, Caption(),
                  theme::kText);
    canvas.SelectFont(Font());
    int y = kMargin + line + 8;
    for (const auto& text : lines_) {
        painter::Text(canvas, {kTextLeft, y, Rect().w - kTextLeft - kMargin, line}, text,
                      theme::kText);
        y += line;
    }
}

bool cMessageForm::OnCommand(cChildElement* source, int kind, int item) {
    if (kind != kActionActivate) {
        return false;
    }
    switch (item) {
    case kCommandOk:
    case kCommandYes:
        EndForm(1);
        return true;
    case kCommandNo:
        EndForm(0);
        return true;
    default:
        return false;
    }
}

void cMessageForm::OnCloseRequest() {
    EndForm(0);
}

namespace {

int RunMessageBox(cChildElement* parent, std::u16string message, int captionId, int iconKind,
                  cMessageForm::eButtons buttons) {
    cWindowMaker* maker = WindowMaker();
    if (!maker) {
        return 0;
    }
    cMessageForm form(std::move(message), captionId, iconKind, buttons);
    const cSize size = form.PreferredSize(
        [maker, &form](std::u16string_view text) { return maker->TextExtent(text, form.Font()); });
    return maker->RunModal(form, size.w, size.h, parent ? parent->Form() : nullptr, false);
}

} // namespace

void MessageBoxInformation(cChildElement* parent, std::u16string message) {
    RunMessageBox(parent, std::move(message), 3, kIconInformation, cMessageForm::eButtons::Ok);
}

void MessageBoxWarning(cChildElement* parent, std::u16string message) {
    RunMessageBox(parent, std::move(message), 4, kIconWarning, cMessageForm::eButtons::Ok);
}

void MessageBoxError(cChildElement* parent, std::u16string message) {
    RunMessageBox(parent, std::move(message), 5, kIconError, cMessageForm::eButtons::Ok);
}

bool MessageBoxConfirm(cChildElement* parent, std::u16string message) {
    return RunMessageBox(parent, std::move(message), 6, kIconQuestion,
                         cMessageForm::eButtons::YesNo) == 1;
}

bool MessageBoxQuestion(cChildElement* parent, std::u16string message) {
    return RunMessageBox(parent, std::move(message), 6, kIconWarning,
                         cMessageForm::eButtons::YesNo) == 1;
}
