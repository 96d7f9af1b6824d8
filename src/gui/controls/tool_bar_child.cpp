#include "gui/controls/tool_bar_child.h"

#include "gui/clickable.h"
#include "gui/controls/hint_master.h"
#include "gui/painter.h"

#include <vector>

namespace {

class cToolBarButton : public cClickableElement {
public:
    explicit cToolBarButton(cToolBarChild::cButtonInfo info) : info_(std::move(info)) {
        SetFocusable(false);
    }
    int CommandId() const { return info_.commandId; }
    void SetChecked(bool checked) {
        checked_ = checked;
        Invalidate();
    }
    // Only a button with an icon can do without its caption.
    bool CanCompact() const { return !info_.icon.Empty() && !info_.caption.empty(); }
    void SetCompact(bool compact) {
        compact_ = compact && CanCompact();
        Invalidate();
    }
    bool Compact() const { return compact_; }
    int PreferredWidth(bool compact) {
        int w = 12;
        if (!info_.icon.Empty()) {
            w += info_.icon.Width();
        }
        if (!info_.caption.empty() && !(compact && CanCompact())) {
            w += TextExtent(info_.caption).w + (info_.icon.Empty() ? 4 : 10);
        }
        return w;
    }
    void OnPaint(cCanvas& canvas) override {
        const eClickState state = ClickState();
        painter::FlatButton(canvas, ClientRect(), state, checked_);
        int x = 6;
        if (!info_.icon.Empty()) {
            canvas.DrawBitmap(info_.icon, {x, (Rect().h - info_.icon.Height()) / 2},
                              state == eClickState::Disabled ? 90 : 255);
            x += info_.icon.Width() + 6;
        }
        if (!compact_) {
            painter::Text(canvas, {x, 0, Rect().w - x - 4, Rect().h}, info_.caption,
                          state == eClickState::Disabled ? theme::kTextDisabled : theme::kText);
        }
    }
    void OnMouseEnter() override {
        cClickableElement::OnMouseEnter();
        cHintMaster::Show(*this, compact_ ? info_.caption + u": " + info_.tooltip : info_.tooltip);
    }
    void OnMouseLeave() override {
        cClickableElement::OnMouseLeave();
        cHintMaster::Hide(*this);
    }

protected:
    void OnClick() override {
        cHintMaster::Hide(*this);
        SendCommand(kActionActivate, info_.commandId);
    }

private:
    cToolBarChild::cButtonInfo info_;
    bool checked_ = false;
    bool compact_ = false;
};

class cToolBarSeparator : public cChildElement {
public:
    void OnPaint(cCanvas& canvas) override {
        canvas.FillRect({Rect().w / 2, 4, 1, Rect().h - 8}, theme::kSeparator);
    }
};

} // namespace

void cToolBarChild::AddButton(cButtonInfo info) {
    Add<cToolBarButton>(0, 4, 0, kHeight - 8, std::move(info));
    Layout();
}

void cToolBarChild::AddSeparator() {
    Add<cToolBarSeparator>(0, 4, 9, kHeight - 8);
    Layout();
}

void cToolBarChild::OnSize() {
    cChildElement::OnSize();
    Layout();
}

// A bar too narrow for every caption drops captions, the widest first, until the buttons
// fit; those buttons say what they do in their tool tips.
void cToolBarChild::Layout() {
    std::vector<cToolBarButton*> buttons;
    int total = 4;
    for (const auto& child : Children()) {
        if (auto* button = dynamic_cast<cToolBarButton*>(child.get())) {
            button->SetCompact(false);
            buttons.push_back(button);
            total += button->PreferredWidth(false) + 2;
        } else {
            total += 9 + 2;
        }
    }
    while (Rect().w > 0 && total > Rect().w) {
        cToolBarButton* widest = nullptr;
        int saved = 0;
        for (cToolBarButton* button : buttons) {
            const int gain = button->PreferredWidth(false) - button->PreferredWidth(true);
            if (gain > saved) {
                widest = button;
                saved = gain;
            }
        }
        if (!widest) {
            break;
        }
        widest->SetCompact(true);
        total -= saved;
        std::erase(buttons, widest);
    }
    int x = 4;
    for (const auto& child : Children()) {
        auto* button = dynamic_cast<cToolBarButton*>(child.get());
        const int width = button ? button->PreferredWidth(button->Compact()) : 9;
        child->Place(x, 4, width, kHeight - 8);
        x += width + 2;
    }
}

cChildElement* cToolBarChild::FindButton(int commandId) {
    for (const auto& child : Children()) {
        if (auto* button = dynamic_cast<cToolBarButton*>(child.get());
            button && button->CommandId() == commandId) {
            return button;
        }
    }
    return nullptr;
}

void cToolBarChild::SetButtonEnabled(int commandId, bool enabled) {
    if (cChildElement* button = FindButton(commandId)) {
        button->SetEnabled(enabled);
    }
}

void cToolBarChild::SetButtonChecked(int commandId, bool checked) {
    if (auto* button = static_cast<cToolBarButton*>(FindButton(commandId))) {
        button->SetChecked(checked);
    }
}

void cToolBarChild::OnPaint(cCanvas& canvas) {
    canvas.FillRect(ClientRect(), theme::kWindow);
    canvas.FillRect({0, Rect().h - 1, Rect().w, 1}, theme::kSeparator);
}
