#include "gui/controls/popup_master.h"

#include "gui/clickable.h"
#include "gui/custom_form.h"
#include "gui/painter.h"

#include <algorithm>

namespace {

class cPopupItem : public cClickableElement {
public:
    cPopupItem(cPopupMaster& menu, const cPopupMaster::cBtnListItem& item)
        : menu_(menu), item_(item) {
        SetEnabled(item.enabled);
    }
    void OnPaint(cCanvas& canvas) override {
        const eClickState state = ClickState();
        if (state == eClickState::Hover || state == eClickState::Pressed || HasFocus()) {
            canvas.FillRoundRect(ClientRect(), theme::kRadius,
                                 state == eClickState::Pressed ? theme::kSurfacePressed
                                                               : theme::kSelection);
        }
        painter::Text(canvas, {12, 0, Rect().w - 24, Rect().h}, item_.text,
                      state == eClickState::Disabled ? theme::kTextDisabled : theme::kText);
    }
    bool OnKeyDown(int key, int modifiers) override {
        if (key == key::kDown || key == key::kUp) {
            Form()->MoveFocus(key == key::kDown);
            return true;
        }
        return cClickableElement::OnKeyDown(key, modifiers);
    }

protected:
    void OnClick() override { menu_.Choose(item_.id); }

private:
    cPopupMaster& menu_;
    cPopupMaster::cBtnListItem item_;
};

class cPopupSeparator : public cChildElement {
public:
    void OnPaint(cCanvas& canvas) override {
        canvas.FillRect({8, Rect().h / 2, Rect().w - 16, 1}, theme::kSeparator);
    }
};

} // namespace

cPopupMaster::cPopupMaster(std::vector<cBtnListItem> items) : items_(std::move(items)) {}

cSize cPopupMaster::PreferredSize() {
    int width = 120, height = 8;
    for (const cBtnListItem& item : items_) {
        if (item.separator) {
            height += kSeparatorHeight;
            continue;
        }
        width = std::max(width, TextExtent(item.text).w + 40);
        height += kItemHeight;
    }
    return {width, height};
}

cPopupMaster* cPopupMaster::Show(cChildElement& anchor, cPoint formPoint,
                                 std::vector<cBtnListItem> items) {
    cCustomForm* form = anchor.Form();
    if (!form) {
        return nullptr;
    }
    auto menu = std::make_unique<cPopupMaster>(std::move(items));
    cPopupMaster* shown = menu.get();
    // Measured once attached, since measuring needs the form's host.
    form->ShowPopup(std::move(menu), {formPoint.x, formPoint.y, 0, 0});
    const cSize size = shown->PreferredSize();
    const int x = std::max(0, std::min(formPoint.x, form->Rect().w - size.w));
    const int y = std::max(0, std::min(formPoint.y, form->Rect().h - size.h));
    shown->Place(x, y, size.w, size.h);
    shown->OnCreateItems();
    return shown;
}

void cPopupMaster::OnCreateItems() {
    int y = 4;
    for (const cBtnListItem& item : items_) {
        if (item.separator) {
            Add<cPopupSeparator>(4, y, -5, kSeparatorHeight);
            y += kSeparatorHeight;
        } else {
            Add<cPopupItem>(4, y, -5, kItemHeight, *this, item);
            y += kItemHeight;
        }
    }
}

void cPopupMaster::OnPaint(cCanvas& canvas) {
    painter::Popup(canvas, ClientRect());
}

void cPopupMaster::Choose(int id) {
    cCustomForm* form = Form();
    if (!form) {
        return;
    }
    // The command goes out before the menu closes, while it is still in the tree.
    SendCommand(kActionActivate, id);
    form->ClosePopup();
}
