#include "gui/controls/hint_master.h"

#include "gui/custom_form.h"
#include "gui/painter.h"
#include "gui/text_wrap.h"

#include <algorithm>

cHintMaster* cHintMaster::Of(cCustomForm& form) {
    for (const auto& child : form.Children()) {
        if (auto* hint = dynamic_cast<cHintMaster*>(child.get())) {
            return hint;
        }
    }
    return nullptr;
}

void cHintMaster::Show(cChildElement& over, std::u16string text) {
    ShowAt(over, std::move(text), over.FormRect());
}

void cHintMaster::ShowAt(cChildElement& owner, std::u16string text, const cRect& anchor) {
    cCustomForm* form = owner.Form();
    if (!form || text.empty() || !form->HintAllowed(&owner)) {
        return;
    }
    cHintMaster* hint = Of(*form);
    // Children paint in list order: elements added since the tip was made (a new view)
    // would cover it, so it is made again on top.
    if (hint && form->Children().back().get() != hint) {
        form->DestroyChild(hint);
        hint = nullptr;
    }
    if (!hint) {
        hint = form->Add<cHintMaster>(0, 0, 0, 0);
    }
    constexpr int kPadX = 16, kPadY = 10;
    const int room = std::max(40, form->Rect().w - 4 - kPadX);
    hint->lines_ =
        text_wrap::Wrap(text_wrap::Tokenize(text), room,
                        [hint](std::u16string_view part) { return hint->TextExtent(part); });
    int widest = 0, lineHeight = 0;
    for (const std::u16string& line : hint->lines_) {
        const cSize extent = hint->TextExtent(line);
        widest = std::max(widest, extent.w);
        lineHeight = std::max(lineHeight, extent.h);
    }
    const int w = std::min(widest, room) + kPadX;
    const int h = lineHeight * int(hint->lines_.size()) + kPadY;
    int y = anchor.Bottom() + 4;
    if (y + h > form->Rect().h) {
        y = std::max(0, anchor.y - h - 4);
    }
    const int x = std::max(2, std::min(anchor.x, form->Rect().w - w - 2));
    hint->text_ = std::move(text);
    hint->owner_ = &owner;
    hint->Place(x, y, w, h);
    hint->SetVisible(true);
    hint->Invalidate();
}

void cHintMaster::Hide(cChildElement& any) {
    if (cCustomForm* form = any.Form()) {
        if (cHintMaster* hint = Of(*form)) {
            hint->Dismiss();
        }
    }
}

void cHintMaster::Dismiss() {
    // Forgotten first: hiding reports to the form, which must not find an owner to
    // dismiss again.
    owner_ = nullptr;
    SetVisible(false);
}

void cHintMaster::OnPaint(cCanvas& canvas) {
    if (lines_.size() <= 1) {
        painter::Hint(canvas, ClientRect(), text_);
        return;
    }
    painter::Hint(canvas, ClientRect(), {});
    const int lineHeight = (Rect().h - 10) / int(lines_.size());
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        painter::Text(canvas, {8, 5 + int(i) * lineHeight, Rect().w - 16, lineHeight}, lines_[i],
                      theme::kHintText);
    }
}
