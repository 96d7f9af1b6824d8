#include "gui/controls/combo_box_child.h"

#include "gui/custom_form.h"
#include "gui/painter.h"

#include <algorithm>

namespace {
constexpr int kRow = 24;
}

// The open list: one row per entry, the current one highlighted; it lives as the form's
// popup and tells its box when it goes away.
class cComboList : public cChildElement {
public:
    explicit cComboList(cComboBoxChild& box) : box_(&box), hot_(box.selected_) {}
    ~cComboList() override {
        if (box_)
            box_->open_list_ = nullptr;
    }
    void OnPaint(cCanvas& canvas) override {
        painter::Popup(canvas, ClientRect());
        for (int i = 0; i < int(box_->items_.size()); ++i) {
            const cRect row{4, 4 + i * kRow, Rect().w - 8, kRow};
            if (i == hot_)
                canvas.FillRoundRect(row, theme::kRadius, theme::kSelection);
            canvas.SelectFont(i == box_->selected_ ? StandardFont(eStdFont::Bold) : Font());
            painter::Text(canvas, row.Inset(8).Offset(0, 0), box_->items_[std::size_t(i)],
                          theme::kText);
        }
    }
    void OnMouseMove(cPoint point) override { SetHot((point.y - 4) / kRow); }
    void OnButtonUp(eMouseButton button, cPoint point, int modifiers) override {
        if (ClientRect().Contains(point))
            Choose((point.y - 4) / kRow);
    }
    bool OnKeyDown(int key, int modifiers) override {
        if (key == key::kDown || key == key::kUp) {
            SetHot(hot_ + (key == key::kDown ? 1 : -1));
            return true;
        }
        if (key == key::kEnter || key == key::kSpace) {
            Choose(hot_);
            return true;
        }
        return false;
    }
    bool IsFocusable() const override { return true; }

private:
    void SetHot(int index) {
        index = std::clamp(index, 0, int(box_->items_.size()) - 1);
        if (index == hot_)
            return;
        hot_ = index;
        Invalidate();
    }
    void Choose(int index) {
        cComboBoxChild* box = box_;
        cCustomForm* form = Form();
        if (index >= 0 && index < int(box->items_.size()))
            box->Select(index, true);
        box->SetFocus();
        if (form)
            form->ClosePopup();
    }
    cComboBoxChild* box_;
    int hot_;
};

cComboBoxChild::cComboBoxChild(std::vector<std::u16string> items, int selected)
    : items_(std::move(items)), selected_(selected) {}

void cComboBoxChild::SetItems(std::vector<std::u16string> items, int selected) {
    items_ = std::move(items);
    selected_ = selected < int(items_.size()) ? selected : -1;
    Invalidate();
}

void cComboBoxChild::Select(int index, bool notify) {
    if (index < -1 || index >= int(items_.size()) || index == selected_)
        return;
    selected_ = index;
    Invalidate();
    if (notify)
        SendCommand(kActionSelChange, index);
}

void cComboBoxChild::Open() {
    cCustomForm* form = Form();
    if (!form || items_.empty() || open_list_)
        return;
    const cRect at = FormRect();
    const int height = int(items_.size()) * kRow + 8;
    open_list_ =
        form->ShowPopup(std::make_unique<cComboList>(*this), {at.x, at.Bottom() + 2, at.w, height});
    open_list_->SetFocus();
}

void cComboBoxChild::OnPaint(cCanvas& canvas) {
    const eClickState state = ClickState();
    painter::Field(canvas, ClientRect(), state, HasFocus() || IsOpen());
    if (selected_ >= 0)
        painter::Text(canvas, {8, 0, Rect().w - 34, Rect().h}, items_[std::size_t(selected_)],
                      state == eClickState::Disabled ? theme::kTextDisabled : theme::kText);
    painter::DropArrow(canvas, {Rect().w - 24, 0, 20, Rect().h}, theme::kTextMuted, IsOpen());
}

bool cComboBoxChild::OnKeyDown(int key, int modifiers) {
    if ((key == key::kDown && (modifiers & mods::kAlt)) || key == key::kF1 + 3 ||
        key == key::kSpace) {
        Open();
        return true;
    }
    if (key == key::kDown || key == key::kUp) {
        Select(std::clamp(selected_ + (key == key::kDown ? 1 : -1), 0, int(items_.size()) - 1),
               true);
        return true;
    }
    return false;
}

bool cComboBoxChild::OnWheel(int delta, cPoint point) {
    if (!HasFocus() || items_.empty())
        return false;
    Select(std::clamp(selected_ + (delta < 0 ? 1 : -1), 0, int(items_.size()) - 1), true);
    return true;
}
