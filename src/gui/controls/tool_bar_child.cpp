#include "gui/controls/tool_bar_child.h"

#include "gui/clickable.h"
#include "gui/controls/hint_master.h"
#include "gui/painter.h"

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
    int PreferredWidth() {
        int w = 12;
        if (!info_.icon.Empty()) {
            w += info_.icon.Width();
        }
        if (!info_.caption.empty()) {
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
        painter::Text(canvas, {x, 0, Rect().w - x - 4, Rect().h}, info_.caption,
                      state == eClickState::Disabled ? theme::kTextDisabled : theme::kText);
    }
    void OnMouseEnter() override {
        cClickableElement::OnMouseEnter();
        cHintMaster::Show(*this, info_.tooltip);
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
};

class cToolBarSeparator : public cChildElement {
public:
    void OnPaint(cCanvas& canvas) override {
        canvas.FillRect({Rect().w / 2, 4, 1, Rect().h - 8}, theme::kSeparator);
    }
};

} // namespace

void cToolBarChild::AddButton(cButtonInfo info) {
    auto* button = Add<cToolBarButton>(nextX_, 4, 0, kHeight - 8, std::move(info));
    const int width = button->PreferredWidth();
    button->Place(nextX_, 4, width, kHeight - 8);
    nextX_ += width + 2;
}

void cToolBarChild::AddSeparator() {
    Add<cToolBarSeparator>(nextX_, 4, 9, kHeight - 8);
    nextX_ += 11;
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
