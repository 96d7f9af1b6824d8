#include "gui/controls/hint_master.h"

#include "gui/custom_form.h"
#include "gui/painter.h"

cHintMaster* cHintMaster::Of(cCustomForm& form) {
    for (const auto& child : form.Children())
        if (auto* hint = dynamic_cast<cHintMaster*>(child.get()))
            return hint;
    return nullptr;
}

void cHintMaster::Show(cChildElement& over, std::u16string text) {
    cCustomForm* form = over.Form();
    if (!form || text.empty())
        return;
    cHintMaster* hint = Of(*form);
    // Children paint in list order: elements added since the tip was made (a new view)
    // would cover it, so it is made again on top.
    if (hint && form->Children().back().get() != hint) {
        form->DestroyChild(hint);
        hint = nullptr;
    }
    if (!hint)
        hint = form->Add<cHintMaster>(0, 0, 0, 0);
    const cSize extent = hint->TextExtent(text);
    const cRect anchor = over.FormRect();
    const int w = extent.w + 16, h = extent.h + 10;
    int y = anchor.Bottom() + 4;
    if (y + h > form->Rect().h)
        y = anchor.y - h - 4;
    const int x = std::max(2, std::min(anchor.x, form->Rect().w - w - 2));
    hint->text_ = std::move(text);
    hint->owner_ = &over;
    hint->Place(x, y, w, h);
    hint->SetVisible(true);
    hint->Invalidate();
}

void cHintMaster::Hide(cChildElement& any) {
    if (cCustomForm* form = any.Form())
        if (cHintMaster* hint = Of(*form))
            hint->Dismiss();
}

void cHintMaster::Dismiss() {
    // Forgotten first: hiding reports to the form, which must not find an owner to
    // dismiss again.
    owner_ = nullptr;
    SetVisible(false);
}

void cHintMaster::OnPaint(cCanvas& canvas) {
    painter::Hint(canvas, ClientRect(), text_);
}
