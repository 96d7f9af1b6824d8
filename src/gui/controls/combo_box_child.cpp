#include "gui/controls/combo_box_child.h"

#include "gui/custom_form.h"
#include "gui/painter.h"

#include <algorithm>

namespace {
constexpr int kRow = 24;
// Longer lists scroll with the wheel and the arrow keys.
constexpr int kMaxVisibleRows = 10;
} // namespace

// The open list, one row per entry with the current one highlighted. It lives as the
// form's popup; it and its box tell each other when either goes away.
class cComboList : public cChildElement {
public:
    explicit cComboList(cComboBoxChild& box) : box_(&box), hot_(std::max(0, box.selected_)) {
        ShowHot();
    }
    ~cComboList() override {
        if (box_) {
            box_->openList_ = nullptr;
        }
    }
    void Detach() { box_ = nullptr; }
    static int HeightFor(std::size_t items) {
        return int(std::min<std::size_t>(items, kMaxVisibleRows)) * kRow + 8;
    }

    void OnPaint(cCanvas& canvas) override {
        painter::Popup(canvas, ClientRect());
        if (!box_) {
            return;
        }
        for (int i = first_; i < Count() && i < first_ + kMaxVisibleRows; ++i) {
            const cRect row{4, 4 + (i - first_) * kRow, Rect().w - 8, kRow};
            if (i == hot_) {
                canvas.FillRoundRect(row, theme::kRadius, theme::kSelection);
            }
            canvas.SelectFont(i == box_->selected_ ? StandardFont(eStdFont::Bold) : Font());
            painter::Text(canvas, row.Inset(8), box_->items_[std::size_t(i)], theme::kText);
        }
    }
    void OnMouseMove(cPoint point) override { SetHot(RowAt(point)); }
    void OnButtonUp(eMouseButton button, cPoint point, int modifiers) override {
        if (ClientRect().Contains(point)) {
            Choose(RowAt(point));
        }
    }
    bool OnWheel(int delta, cPoint point) override {
        first_ =
            std::clamp(first_ + (delta < 0 ? 3 : -3), 0, std::max(0, Count() - kMaxVisibleRows));
        Invalidate();
        return true;
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
    int Count() const { return box_ ? int(box_->items_.size()) : 0; }
    int RowAt(cPoint point) const { return first_ + (point.y - 4) / kRow; }
    // Scrolls so that the highlighted row is in view.
    void ShowHot() {
        if (hot_ < first_) {
            first_ = hot_;
        }
        if (hot_ >= first_ + kMaxVisibleRows) {
            first_ = hot_ - kMaxVisibleRows + 1;
        }
    }
    void SetHot(int index) {
        index = std::clamp(index, 0, std::max(0, Count() - 1));
        if (index == hot_) {
            return;
        }
        hot_ = index;
        ShowHot();
        Invalidate();
    }
    void Choose(int index) {
        cCustomForm* form = Form();
        if (cComboBoxChild* box = box_) {
            if (index >= 0 && index < Count()) {
                box->Select(index, true);
            }
            box->SetFocus();
        }
        if (form) {
            form->ClosePopup();
        }
    }

    cComboBoxChild* box_;
    int hot_;
    int first_ = 0;
};

cComboBoxChild::cComboBoxChild(std::vector<std::u16string> items, int selected)
    : items_(std::move(items)), selected_(selected) {}

cComboBoxChild::~cComboBoxChild() {
    // An open list outlives its box only as an empty popup until the next press closes it.
    if (openList_) {
        static_cast<cComboList*>(openList_)->Detach();
    }
}

void cComboBoxChild::SetItems(std::vector<std::u16string> items, int selected) {
    items_ = std::move(items);
    selected_ = selected < int(items_.size()) ? selected : -1;
    Invalidate();
}

void cComboBoxChild::Select(int index, bool notify) {
    if (index < -1 || index >= int(items_.size()) || index == selected_) {
        return;
    }
    selected_ = index;
    Invalidate();
    if (notify) {
        SendCommand(kActionSelChange, index);
    }
}

void cComboBoxChild::Open() {
    cCustomForm* form = Form();
    if (!form || items_.empty() || openList_) {
        return;
    }
    const cRect at = FormRect();
    const int height = cComboList::HeightFor(items_.size());
    openList_ =
        form->ShowPopup(std::make_unique<cComboList>(*this), {at.x, at.Bottom() + 2, at.w, height});
    openList_->SetFocus();
}

void cComboBoxChild::OnPaint(cCanvas& canvas) {
    const eClickState state = ClickState();
    painter::Field(canvas, ClientRect(), state, HasFocus() || IsOpen());
    if (selected_ >= 0) {
        painter::Text(canvas, {8, 0, Rect().w - 34, Rect().h}, items_[std::size_t(selected_)],
                      state == eClickState::Disabled ? theme::kTextDisabled : theme::kText);
    }
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
    if (!HasFocus() || items_.empty()) {
        return false;
    }
    Select(std::clamp(selected_ + (delta < 0 ? 1 : -1), 0, int(items_.size()) - 1), true);
    return true;
}
